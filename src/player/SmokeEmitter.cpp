#include "player/SmokeEmitter.h"

#include <cstddef>
#include <stdexcept>

#include "core/Checked.h"

namespace morva {
namespace {
constexpr double kFreshAlpha = 1.0;
}  // namespace

void SmokeEmitter::Init(double newSpin, double newFade, int64_t newLifetime, double newSize,
                        double newDriftX, double newDriftY, int64_t newCapacity) {
    if (newCapacity < 0) {
        throw std::length_error("smoke pool of negative size");
    }
    spin = newSpin;
    fade = newFade;
    lifetime = newLifetime;
    size = newSize;
    driftX = newDriftX;
    driftY = newDriftY;
    capacity = newCapacity;
    const auto slots = static_cast<std::size_t>(capacity);
    active.assign(slots, 0);
    age.assign(slots, 0);
    alpha.assign(slots, kFreshAlpha);
    bodies.clear();
    bodies.resize(slots);
    for (Mover& body : bodies) {
        body.Init();
    }
}

void SmokeEmitter::Emit(double x, double y) {
    for (int64_t i = 0; i < capacity; ++i) {
        uint8_t& live = At(active, i, "smoke active");
        if (live) {
            continue;
        }
        live = 1;
        At(age, i, "smoke age") = 0;
        At(bodies, i, "smoke bodies").SetPos(x, y);
        At(alpha, i, "smoke alpha") = kFreshAlpha;
        return;
    }
}

void SmokeEmitter::Update() {
    for (int64_t i = 0; i < capacity; ++i) {
        uint8_t& live = At(active, i, "smoke active");
        if (!live) {
            continue;
        }
        int64_t& puffAge = At(age, i, "smoke age");
        if (puffAge > lifetime) {
            live = 0;
            continue;
        }
        ++puffAge;
        Mover& body = At(bodies, i, "smoke bodies");
        body.AddAngle(spin);
        At(alpha, i, "smoke alpha") -= fade;
        body.AddMove(driftX, driftY);
        body.Move();
    }
}

bool SmokeEmitter::IsActive(int64_t i) const {
    return At(active, i, "smoke active") != 0;
}

int64_t SmokeEmitter::GetAge(int64_t i) const {
    return At(age, i, "smoke age");
}

double SmokeEmitter::GetX(int64_t i) const {
    return At(bodies, i, "smoke bodies").GetX();
}

double SmokeEmitter::GetY(int64_t i) const {
    return At(bodies, i, "smoke bodies").GetY();
}

double SmokeEmitter::GetAngle(int64_t i) const {
    return At(bodies, i, "smoke bodies").GetAngle();
}

double SmokeEmitter::GetAlpha(int64_t i) const {
    return At(alpha, i, "smoke alpha");
}

}  // namespace morva
