// A fixed pool of smoke puffs that stay where they were emitted, spin and
// fade. Nothing is allocated after Init; a full pool drops new puffs.
#pragma once

#include <cstdint>
#include <vector>

#include "game/Body.h"

namespace morva {

class SmokeEmitter {
public:
    void Init(double spin, double fade, int64_t lifetime, double size, double driftX, double driftY,
              int64_t capacity);
    // Takes the lowest free slot; the slot keeps the angle of its last puff.
    void Emit(double x, double y);
    void Update();

    double GetSize() const { return size; }
    int64_t GetCapacity() const { return capacity; }
    bool IsActive(int64_t i) const;
    int64_t GetAge(int64_t i) const;
    double GetX(int64_t i) const;
    double GetY(int64_t i) const;
    double GetAngle(int64_t i) const;
    double GetAlpha(int64_t i) const;

private:
    struct Puff {
        bool active = false;
        int64_t age = 0;  // frames since the emission
        Mover body;       // reused by every puff of the slot
        double alpha = 1.0;
    };
    const Puff& Slot(int64_t i) const;
    std::vector<Puff> puffs;
    double spin = 0.0;     // radians per frame
    double fade = 0.0;     // opacity per frame
    double driftX = 0.0;   // pixels per frame per frame
    double driftY = 0.0;   // pixels per frame per frame
    int64_t lifetime = 0;  // frames
    double size = 0.0;     // half-width and half-height, pixels
    int64_t capacity = 0;
};

}  // namespace morva
