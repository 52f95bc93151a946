#include "game/EnemyAi.h"

#include "engine/Checked.h"
#include "engine/MathHelpers.h"

namespace morva {
namespace {

// Beyond this horizontal distance a rock on another line changes lines
// instead of walking (pixels).
constexpr double kFarDistance = 500.0;
constexpr double kSquare = 2.0;

Facing FacingTowards(double targetX, double selfX) {
    // Equal x faces left.
    return targetX > selfX ? Facing::Right : Facing::Left;
}

}  // namespace

void EnemyAi::Init(int64_t n) {
    count = n;
    slots.assign(static_cast<std::size_t>(n), Slot{});
}

const EnemyAi::Slot& EnemyAi::Entry(int64_t slot) const {
    return At(slots, slot, "AI slot");
}

EnemyAi::Slot& EnemyAi::Entry(int64_t slot) {
    return At(slots, slot, "AI slot");
}

void EnemyAi::SeePlayer(double x, int64_t lineY, int64_t slot) {
    Slot& entry = Entry(slot);
    entry.playerX = x;
    entry.playerLineY = lineY;
}

void EnemyAi::SeeSelf(double x, int64_t lineY, int64_t slot) {
    Slot& entry = Entry(slot);
    entry.selfX = x;
    entry.selfLineY = lineY;
}

void EnemyAi::Think(int64_t slot) {
    Slot& entry = Entry(slot);
    if (entry.playerLineY == entry.selfLineY) {
        entry.dir = FacingTowards(entry.playerX, entry.selfX);
        entry.lineMove = LineMove::None;
        entry.walk = true;
        entry.latched = false;
        return;
    }
    const double dx = entry.playerX - entry.selfX;
    if (Pow(kFarDistance, kSquare) < Pow(dx, kSquare)) {
        // Far: head for the player's line; facing and walking stay.
        entry.lineMove = entry.playerLineY < entry.selfLineY ? LineMove::Up : LineMove::Down;
        return;
    }
    // Near on another line: pick a side once per stretch away from the
    // player's line; the last line change asked for is left standing.
    if (!entry.latched) {
        entry.dir = FacingTowards(entry.playerX, entry.selfX);
        entry.walk = true;
        entry.latched = true;
    }
}

}  // namespace morva
