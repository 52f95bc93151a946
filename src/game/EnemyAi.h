// The rocks' decision table. Each slot remembers what it last saw and
// decided; the manager asks it to think and takes over the results. A slot
// reused for a new rock keeps the previous rock's results and latch.
#pragma once

#include <cstdint>
#include <vector>

#include "game/Directions.h"

namespace morva {

class EnemyAi {
public:
    void Init(int64_t n);
    void SeePlayer(double x, int64_t lineY, int64_t slot);
    void SeeSelf(double x, int64_t lineY, int64_t slot);
    Facing GetDir(int64_t slot) const { return Entry(slot).dir; }
    bool GetWalk(int64_t slot) const { return Entry(slot).walk; }
    LineMove GetLineMove(int64_t slot) const { return Entry(slot).lineMove; }
    void Think(int64_t slot);

    bool IsLatched(int64_t slot) const { return Entry(slot).latched; }
    int64_t GetCount() const { return count; }

private:
    struct Slot {
        double playerX = 0.0;
        int64_t playerLineY = 0;  // pixels
        double selfX = 0.0;
        int64_t selfLineY = 0;  // pixels
        bool walk = false;
        Facing dir = Facing::Left;
        LineMove lineMove = LineMove::None;
        // The side for the current stretch on another line has been chosen.
        bool latched = false;
    };
    const Slot& Entry(int64_t slot) const;
    Slot& Entry(int64_t slot);

    int64_t count = 0;
    std::vector<Slot> slots;
};

}  // namespace morva
