#include "game/SmokeEmitter.h"

#include <cstddef>
#include <stdexcept>

#include "engine/Checked.h"

namespace morva {

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
    puffs.assign(static_cast<std::size_t>(capacity), Puff{});
    for (Puff& puff : puffs) {
        puff.body.Init();
    }
}

void SmokeEmitter::Emit(double x, double y) {
    for (Puff& puff : puffs) {
        if (puff.active) {
            continue;
        }
        puff.active = true;
        puff.age = 0;
        puff.body.SetPos(x, y);
        puff.alpha = 1.0;
        return;
    }
}

void SmokeEmitter::Update() {
    for (Puff& puff : puffs) {
        if (!puff.active) {
            continue;
        }
        if (puff.age > lifetime) {
            puff.active = false;
            continue;
        }
        ++puff.age;
        puff.body.AddAngle(spin);
        puff.alpha -= fade;
        puff.body.AddMove(driftX, driftY);
        puff.body.Move();
    }
}

const SmokeEmitter::Puff& SmokeEmitter::Slot(int64_t i) const {
    return At(puffs, i, "smoke puff");
}

bool SmokeEmitter::IsActive(int64_t i) const {
    return Slot(i).active;
}

int64_t SmokeEmitter::GetAge(int64_t i) const {
    return Slot(i).age;
}

double SmokeEmitter::GetX(int64_t i) const {
    return Slot(i).body.GetX();
}

double SmokeEmitter::GetY(int64_t i) const {
    return Slot(i).body.GetY();
}

double SmokeEmitter::GetAngle(int64_t i) const {
    return Slot(i).body.GetAngle();
}

double SmokeEmitter::GetAlpha(int64_t i) const {
    return Slot(i).alpha;
}

}  // namespace morva
