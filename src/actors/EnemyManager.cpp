#include "actors/EnemyManager.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "core/Checked.h"
#include "core/MathHelpers.h"

namespace morva {
namespace {

constexpr double kWalkSpeed = 3.0;  // pixels per frame; also line changes and the descent
constexpr double kRockSize = 50.0;  // pixels; drawn at twice this half size
constexpr double kRockHalfSize = 2.0 * kRockSize;
constexpr double kHitRadius = 50.0;  // pixels
constexpr double kSpawnX = 1000.0;   // pixels
constexpr double kSpawnY = 400.0;
constexpr double kHoleX = 1000.0;  // centre of the hole's picture, pixels
constexpr double kHoleY = 350.0;
constexpr double kHoleHalfW = 300.0;
constexpr double kHoleHalfH = 200.0;

constexpr int64_t kRecoilTime = 20;   // frames; the recoil ends when the timer exceeds it
constexpr double kRecoilSpeed = 6.0;  // pixels per frame
constexpr double kRecoilDecel = 0.3;  // pixels per frame, taken off every frame
constexpr int64_t kBreakTime = 60;    // frames; the slot is freed when the timer exceeds it
constexpr double kBreakSpeed = 6.0;   // pixels per frame, on each axis
constexpr double kBreakDecel = 0.3;   // pixels per frame, off each axis every frame
constexpr int64_t kAiInterval = 30;   // frames; the AI thinks when its timer exceeds it

constexpr double kGaugeOffsetY = -100.0;                         // pixels from the rock's centre
constexpr double kLifeHalfWidthPerPoint = 78.0 / kRockMaxLife;   // pixels
constexpr double kLifeHalfHeight = 4.0 * 2.0;                    // pixels
constexpr double kFrameHalfWidthPerPoint = 80.0 / kRockMaxLife;  // pixels per point of max life
constexpr double kFrameHalfHeight = 5.0 * 2.0;                   // pixels

constexpr int64_t kPushedRight = 0;  // recoilDir codes
constexpr int64_t kPushedLeft = 1;

constexpr int64_t kRockAnimeRight = 100;  // animation id bases per facing
constexpr int64_t kRockAnimeLeft = 200;
constexpr int64_t kRecoilAnimeOffset = 10;
constexpr int64_t kBreakAnimeOffset = 20;
constexpr int64_t kStillAnime = 100;  // hole, life bar and gauge frame
constexpr int64_t kStillTime = 0;     // frames
constexpr double kNoRotation = 0.0;   // radians
constexpr double kOpaque = 1.0;

struct SheetAnime {
    int64_t id;
    bool loop;
    int64_t frameCount;
};

struct SheetFrame {
    double srcX;
    double srcY;
    double srcW;  // negative: mirrored, srcX is the cell's right edge
    double srcH;
    double angle;      // radians
    int64_t duration;  // frames
};

constexpr std::array<SheetAnime, 1> kStillAnimes = {{{kStillAnime, true, 1}}};
constexpr std::array<SheetFrame, 1> kLifeFrames = {{{0, 0, 32, 32, 0, 15}}};
constexpr std::array<SheetFrame, 1> kGaugeFrames = {{{0, 0, 256, 32, 0, 15}}};
constexpr std::array<SheetFrame, 1> kHoleFrames = {{{0, 0, 512, 368, 0, 15}}};

// Cells of 256 x 256; the right-facing series mirrors the left-facing cells.
constexpr std::array<SheetAnime, 6> kRockAnimes = {{
    {kRockAnimeRight, true, 2},
    {kRockAnimeRight + kRecoilAnimeOffset, false, 1},
    {kRockAnimeRight + kBreakAnimeOffset, false, 4},
    {kRockAnimeLeft, true, 2},
    {kRockAnimeLeft + kRecoilAnimeOffset, false, 1},
    {kRockAnimeLeft + kBreakAnimeOffset, false, 4},
}};
constexpr std::array<SheetFrame, 14> kRockFrames = {{
    {256, 256, -256, 256, 0, 15},
    {256, 246, -256, 256, 0, 15},
    {256, 0, -256, 256, 0, 30},
    {256, 0, -256, 256, 0, 30},
    {512, 0, -256, 256, 0, 10},
    {768, 0, -256, 256, 0, 10},
    {1024, 0, -256, 256, 0, 10},
    {0, 256, 256, 256, 0, 15},
    {0, 246, 256, 256, 0, 15},
    {0, 0, 256, 256, 0, 30},
    {0, 0, 256, 256, 0, 30},
    {256, 0, 256, 256, 0, 10},
    {512, 0, 256, 256, 0, 10},
    {768, 0, 256, 256, 0, 10},
}};

constexpr std::size_t FrameTotal(std::span<const SheetAnime> animes) {
    std::size_t total = 0;
    for (const SheetAnime& anime : animes) {
        total += static_cast<std::size_t>(anime.frameCount);
    }
    return total;
}

constexpr int64_t AnimeLength(int64_t id) {
    std::size_t first = 0;
    for (const SheetAnime& anime : kRockAnimes) {
        const auto count = static_cast<std::size_t>(anime.frameCount);
        if (anime.id == id) {
            int64_t length = 0;
            for (std::size_t i = first; i < first + count; ++i) {
                length += kRockFrames[i].duration;
            }
            return length;
        }
        first += count;
    }
    return 0;
}

static_assert(FrameTotal(kStillAnimes) == kLifeFrames.size());
static_assert(FrameTotal(kStillAnimes) == kGaugeFrames.size());
static_assert(FrameTotal(kStillAnimes) == kHoleFrames.size());
static_assert(FrameTotal(kRockAnimes) == kRockFrames.size());
// The break picture ends as the slot is freed.
static_assert(AnimeLength(kRockAnimeRight + kBreakAnimeOffset) == kBreakTime);
static_assert(AnimeLength(kRockAnimeLeft + kBreakAnimeOffset) == kBreakTime);

void LoadSheet(Sprite& sprite, std::u16string_view file, std::span<const SheetAnime> animes,
               std::span<const SheetFrame> frames, double viewX, double viewY, double viewW,
               double viewH) {
    sprite.LoadTexture(file);
    sprite.Init(static_cast<int64_t>(animes.size()), viewX, viewY, viewW, viewH);
    std::size_t next = 0;
    for (const SheetAnime& anime : animes) {
        sprite.SetAnime(anime.id, anime.loop, anime.frameCount);
        for (int64_t i = 0; i < anime.frameCount; ++i, ++next) {
            const SheetFrame& f = frames[next];
            sprite.AddFrame(anime.id, f.srcX, f.srcY, f.srcW, f.srcH, f.angle, f.duration);
        }
    }
}

bool IsHurt(int64_t state) {
    return state == kRockRecoil || state == kRockBreak;
}

}  // namespace

void EnemyManager::Init() {
    ai.Init(kRockSlotCount);
    const auto size = static_cast<std::size_t>(kRockSlotCount);
    // Fresh movers, never copies: a copied Mover would share its vectors.
    body.clear();
    body.resize(size);
    for (Mover& mover : body) {
        mover.Init();
    }
    active.assign(size, false);
    state.assign(size, kRockWalk);
    dir.assign(size, kEnemyFaceRight);
    recoilDir.assign(size, kPushedLeft);
    lineMove.assign(size, kEnemyLineDown);
    prevLineMove.assign(size, kEnemyLineDown);
    timer.assign(size, 0);
    targetLineY.assign(size, 0);
    lineIndex.assign(size, 0);
    life.assign(size, kRockMaxLife);
    aiTimer.assign(size, 0);
    anime.assign(size, 0);
}

void EnemyManager::SetLineCount(int64_t n) {
    lineCount = n;
    lineY.assign(static_cast<std::size_t>(n), 0);
}

void EnemyManager::SetLineY(int64_t index, int64_t y) {
    At(lineY, index, "lineY") = y;
}

void EnemyManager::Load(double viewX, double viewY, double viewW, double viewH) {
    LoadSheet(lifeSprite, u"life.zqtex", kStillAnimes, kLifeFrames, viewX, viewY, viewW, viewH);
    LoadSheet(gaugeSprite, u"gauge.zqtex", kStillAnimes, kGaugeFrames, viewX, viewY, viewW, viewH);
    LoadSheet(holeSprite, u"generate_hole.zqtex", kStillAnimes, kHoleFrames, viewX, viewY, viewW,
              viewH);
    LoadSheet(rockSprite, u"rock_enemy.zqtex", kRockAnimes, kRockFrames, viewX, viewY, viewW,
              viewH);
}

void EnemyManager::Spawn(int64_t newLineIndex, int64_t newLineY) {
    for (int64_t slot = 0; slot < kRockSlotCount; ++slot) {
        if (At(active, slot, "active")) {
            continue;
        }
        // Facing, recoil direction and the AI's entry stay from the last
        // rock of this slot.
        At(active, slot, "active") = true;
        At(state, slot, "state") = kRockWalk;
        At(lineMove, slot, "lineMove") = kEnemyLineDown;
        At(timer, slot, "timer") = 0;
        At(life, slot, "life") = kRockMaxLife;
        Mover& mover = At(body, slot, "body");
        mover.SetPos(kSpawnX, kSpawnY);
        mover.SetMove(0.0, kWalkSpeed);
        At(targetLineY, slot, "targetLineY") = newLineY;
        At(aiTimer, slot, "aiTimer") = 0;
        At(lineIndex, slot, "lineIndex") = newLineIndex;
        return;
    }
}

bool EnemyManager::HitTest(int64_t slot, int64_t testLineY, double x, double y,
                           double radius) const {
    if (!At(active, slot, "active") || At(life, slot, "life") <= 0 ||
        At(targetLineY, slot, "targetLineY") != testLineY) {
        return false;
    }
    const int64_t slotState = At(state, slot, "state");
    if (slotState == kRockRecoil || slotState == kRockBreak) {
        return false;
    }
    const Mover& mover = At(body, slot, "body");
    return Hypot(mover.GetX() - x, mover.GetY() - y) < kHitRadius + radius;
}

void EnemyManager::Damage(int64_t slot, int64_t amount, bool pushRight) {
    int64_t& left = At(life, slot, "life");
    left -= amount;
    if (left < 0) {
        left = 0;
    }
    At(timer, slot, "timer") = 0;
    At(recoilDir, slot, "recoilDir") = pushRight ? kPushedRight : kPushedLeft;
    const double side = pushRight ? 1.0 : -1.0;
    Mover& mover = At(body, slot, "body");
    // One life left already breaks the rock.
    if (left > 1) {
        At(state, slot, "state") = kRockRecoil;
        mover.SetMove(side * kRecoilSpeed, 0.0);
    } else {
        At(state, slot, "state") = kRockBreak;
        mover.SetMove(side * kBreakSpeed, kBreakSpeed);
    }
}

bool EnemyManager::AnyActive() const {
    for (uint8_t isActive : active) {
        if (isActive) {
            return true;
        }
    }
    return false;
}

void EnemyManager::Update(double playerX, int64_t playerLineY) {
    for (int64_t slot = 0; slot < kRockSlotCount; ++slot) {
        if (!At(active, slot, "active")) {
            continue;
        }
        // Read again after each step: the AI and the arrival change it.
        const int64_t& lineChange = At(lineMove, slot, "lineMove");
        int64_t& prevMove = At(prevLineMove, slot, "prevLineMove");
        prevMove = lineChange;
        if (lineChange == kEnemyLineStay) {
            if (!IsHurt(At(state, slot, "state"))) {
                ActAi(playerX, playerLineY, slot);
                if (lineChange == kEnemyLineDown && prevMove == kEnemyLineStay) {
                    LineDown(slot);
                } else if (lineChange == kEnemyLineUp && prevMove == kEnemyLineStay) {
                    LineUp(slot);
                }
            }
            switch (At(state, slot, "state")) {
                case kRockStand:
                    Stop(slot);
                    break;
                case kRockWalk:
                    Walk(slot);
                    break;
                case kRockRecoil:
                    RecoilUpdate(slot);
                    break;
                case kRockBreak:
                    BreakUpdate(slot);
                    break;
                default:
                    break;
            }
        }
        At(body, slot, "body").Move();
        if (lineChange == kEnemyLineUp) {
            MoveLineUp(slot);
        } else if (lineChange == kEnemyLineDown) {
            MoveLineDown(slot);
        }
        ++At(timer, slot, "timer");
    }
}

void EnemyManager::ActAi(double playerX, int64_t playerLineY, int64_t slot) {
    int64_t& elapsed = At(aiTimer, slot, "aiTimer");
    if (elapsed <= kAiInterval) {
        ++elapsed;
        return;
    }
    if (!IsHurt(At(state, slot, "state")) && At(lineMove, slot, "lineMove") == kEnemyLineStay) {
        ai.SeePlayer(playerX, playerLineY, slot);
        ai.SeeSelf(At(body, slot, "body").GetX(), At(targetLineY, slot, "targetLineY"), slot);
        ai.Think(slot);
        At(dir, slot, "dir") = ai.GetDir(slot);
        At(state, slot, "state") = ai.GetWalk(slot);
        At(lineMove, slot, "lineMove") = ai.GetLineMove(slot);
    }
    elapsed = 0;
}

void EnemyManager::Stop(int64_t slot) {
    At(body, slot, "body").SetMove(0.0, 0.0);
}

void EnemyManager::Walk(int64_t slot) {
    const double speed = At(dir, slot, "dir") == kEnemyFaceRight ? kWalkSpeed : -kWalkSpeed;
    At(body, slot, "body").SetMove(speed, 0.0);
}

void EnemyManager::RecoilUpdate(int64_t slot) {
    int64_t& elapsed = At(timer, slot, "timer");
    if (elapsed > kRecoilTime) {
        At(state, slot, "state") = kRockStand;
        elapsed = 0;
    }
    // Still slows down in the frame that ended the recoil.
    Mover& mover = At(body, slot, "body");
    if (At(recoilDir, slot, "recoilDir") == kPushedRight) {
        if (mover.GetMoveX() > 0.0) {
            mover.AddMove(-kRecoilDecel, 0.0);
        } else {
            mover.SetMove(0.0, 0.0);
        }
    } else {
        if (mover.GetMoveX() < 0.0) {
            mover.AddMove(kRecoilDecel, 0.0);
        } else {
            mover.SetMove(0.0, 0.0);
        }
    }
}

void EnemyManager::BreakUpdate(int64_t slot) {
    if (At(timer, slot, "timer") > kBreakTime) {
        // The rest of this update still runs; the slot is free from the next.
        At(active, slot, "active") = false;
    }
    Mover& mover = At(body, slot, "body");
    if (At(recoilDir, slot, "recoilDir") == kPushedRight) {
        if (mover.GetMoveX() > 0.0) {
            mover.AddMove(-kBreakDecel, -kBreakDecel);
        } else {
            mover.SetMove(0.0, 0.0);
        }
    } else {
        if (mover.GetMoveX() < 0.0) {
            mover.AddMove(kBreakDecel, -kBreakDecel);
        } else {
            mover.SetMove(0.0, 0.0);
        }
    }
}

void EnemyManager::LineDown(int64_t slot) {
    int64_t& index = At(lineIndex, slot, "lineIndex");
    // The bottom line keeps its rock; the change then only dips it.
    if (index >= lineCount - 2) {
        index = lineCount - 1;
    } else {
        ++index;
    }
    At(targetLineY, slot, "targetLineY") = At(lineY, index, "lineY");
}

void EnemyManager::LineUp(int64_t slot) {
    int64_t& index = At(lineIndex, slot, "lineIndex");
    if (index < 2) {
        index = 0;
    } else {
        --index;
    }
    At(targetLineY, slot, "targetLineY") = At(lineY, index, "lineY");
}

void EnemyManager::MoveLineDown(int64_t slot) {
    Mover& mover = At(body, slot, "body");
    // Strict: a rock exactly on the line takes one more step and is snapped.
    if (static_cast<double>(At(targetLineY, slot, "targetLineY")) < mover.GetY()) {
        ArriveOnLine(slot);
    } else {
        mover.SetMove(0.0, kWalkSpeed);
    }
}

void EnemyManager::MoveLineUp(int64_t slot) {
    Mover& mover = At(body, slot, "body");
    if (static_cast<double>(At(targetLineY, slot, "targetLineY")) > mover.GetY()) {
        ArriveOnLine(slot);
    } else {
        mover.SetMove(0.0, -kWalkSpeed);
    }
}

void EnemyManager::ArriveOnLine(int64_t slot) {
    At(lineMove, slot, "lineMove") = kEnemyLineStay;
    int64_t& slotState = At(state, slot, "state");
    // A recoil or break begun during the line change runs on from here with
    // its timer, instead of being cut short: a broken rock is still freed.
    if (!IsHurt(slotState)) {
        slotState = kRockStand;
    }
    Mover& mover = At(body, slot, "body");
    mover.SetMove(0.0, 0.0);
    mover.SetPos(mover.GetX(), static_cast<double>(At(targetLineY, slot, "targetLineY")));
}

void EnemyManager::DrawHole(double viewX, double viewY) {
    holeSprite.Draw(kStillAnime, kStillTime, kHoleX, kHoleY, kHoleHalfW, kHoleHalfH, kNoRotation,
                    kOpaque, viewX, viewY);
}

void EnemyManager::DrawLine(double viewX, double viewY, int64_t drawLineY) {
    for (int64_t slot = 0; slot < kRockSlotCount; ++slot) {
        if (!At(active, slot, "active") || At(targetLineY, slot, "targetLineY") != drawLineY) {
            continue;
        }
        int64_t& id = At(anime, slot, "anime");
        id = At(dir, slot, "dir") == kEnemyFaceRight ? kRockAnimeRight : kRockAnimeLeft;
        const int64_t slotState = At(state, slot, "state");
        if (slotState == kRockRecoil) {
            id += kRecoilAnimeOffset;
        } else if (slotState == kRockBreak) {
            id += kBreakAnimeOffset;
        }
        const Mover& mover = At(body, slot, "body");
        const double x = mover.GetX();
        const double y = mover.GetY();
        rockSprite.Draw(id, At(timer, slot, "timer"), x, y, kRockHalfSize, kRockHalfSize,
                        kNoRotation, kOpaque, viewX, viewY);
        // The bar shrinks towards its centre as life goes.
        const double gaugeY = y + kGaugeOffsetY;
        lifeSprite.Draw(kStillAnime, kStillTime, x, gaugeY,
                        kLifeHalfWidthPerPoint * static_cast<double>(At(life, slot, "life")),
                        kLifeHalfHeight, kNoRotation, kOpaque, viewX, viewY);
        gaugeSprite.Draw(kStillAnime, kStillTime, x, gaugeY,
                         kFrameHalfWidthPerPoint * static_cast<double>(kRockMaxLife),
                         kFrameHalfHeight, kNoRotation, kOpaque, viewX, viewY);
    }
}

bool EnemyManager::IsActive(int64_t slot) const {
    return At(active, slot, "active") != 0;
}
double EnemyManager::GetX(int64_t slot) const {
    return At(body, slot, "body").GetX();
}
double EnemyManager::GetY(int64_t slot) const {
    return At(body, slot, "body").GetY();
}
int64_t EnemyManager::GetState(int64_t slot) const {
    return At(state, slot, "state");
}
int64_t EnemyManager::GetLife(int64_t slot) const {
    return At(life, slot, "life");
}
int64_t EnemyManager::GetTargetLineY(int64_t slot) const {
    return At(targetLineY, slot, "targetLineY");
}
int64_t EnemyManager::GetLineMove(int64_t slot) const {
    return At(lineMove, slot, "lineMove");
}
int64_t EnemyManager::GetDir(int64_t slot) const {
    return At(dir, slot, "dir");
}
int64_t EnemyManager::GetTimer(int64_t slot) const {
    return At(timer, slot, "timer");
}
int64_t EnemyManager::GetAnime(int64_t slot) const {
    return At(anime, slot, "anime");
}

}  // namespace morva
