#include "actors/EnemyAi.h"

#include "core/Checked.h"
#include "frame/library/Library.h"

namespace morva {
namespace {

// Beyond this horizontal distance a rock on another line changes lines
// instead of walking (pixels).
constexpr double kFarDistance = 500.0;
constexpr double kSquare = 2.0;

int64_t FacingTowards(double targetX, double selfX) {
    // Equal x faces left.
    return targetX > selfX ? kEnemyFaceRight : kEnemyFaceLeft;
}

}  // namespace

void EnemyAi::Init(int64_t n) {
    count = n;
    const auto size = static_cast<std::size_t>(n);
    playerX.assign(size, 0.0);
    playerLineY.assign(size, 0);
    selfX.assign(size, 0.0);
    selfLineY.assign(size, 0);
    walk.assign(size, kEnemyStand);
    dir.assign(size, kEnemyFaceLeft);
    lineMove.assign(size, kEnemyLineStay);
    latched.assign(size, false);
}

void EnemyAi::SeePlayer(double x, int64_t lineY, int64_t slot) {
    At(playerX, slot, "playerX") = x;
    At(playerLineY, slot, "playerLineY") = lineY;
}

void EnemyAi::SeeSelf(double x, int64_t lineY, int64_t slot) {
    At(selfX, slot, "selfX") = x;
    At(selfLineY, slot, "selfLineY") = lineY;
}

int64_t EnemyAi::GetDir(int64_t slot) const {
    return At(dir, slot, "dir");
}

int64_t EnemyAi::GetWalk(int64_t slot) const {
    return At(walk, slot, "walk");
}

int64_t EnemyAi::GetLineMove(int64_t slot) const {
    return At(lineMove, slot, "lineMove");
}

bool EnemyAi::IsLatched(int64_t slot) const {
    return At(latched, slot, "latched") != 0;
}

void EnemyAi::Think(int64_t slot) {
    const double player = At(playerX, slot, "playerX");
    const double self = At(selfX, slot, "selfX");
    const int64_t playerLine = At(playerLineY, slot, "playerLineY");
    const int64_t selfLine = At(selfLineY, slot, "selfLineY");
    uint8_t& isLatched = At(latched, slot, "latched");

    if (playerLine == selfLine) {
        At(dir, slot, "dir") = FacingTowards(player, self);
        At(lineMove, slot, "lineMove") = kEnemyLineStay;
        At(walk, slot, "walk") = kEnemyWalk;
        isLatched = false;
        return;
    }
    const double dx = player - self;
    if (lib::Pow(kFarDistance, kSquare) < lib::Pow(dx, kSquare)) {
        // Far: head for the player's line; facing and walking stay.
        At(lineMove, slot, "lineMove") = playerLine < selfLine ? kEnemyLineUp : kEnemyLineDown;
        return;
    }
    // Near on another line: pick a side once per stretch away from the
    // player's line; the last line change asked for is left standing.
    if (!isLatched) {
        At(dir, slot, "dir") = FacingTowards(player, self);
        At(walk, slot, "walk") = kEnemyWalk;
        isLatched = true;
    }
}

}  // namespace morva
