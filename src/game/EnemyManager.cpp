#include "game/EnemyManager.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/Checked.h"
#include "engine/MathHelpers.h"

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

constexpr int64_t kRockAnimeRight = 100;  // animation id bases per facing
constexpr int64_t kRockAnimeLeft = 200;
constexpr int64_t kRecoilAnimeOffset = 10;
constexpr int64_t kBreakAnimeOffset = 20;
constexpr int64_t kStillAnime = 100;  // hole, life bar and gauge frame
constexpr int64_t kStillTime = 0;     // frames
constexpr double kNoRotation = 0.0;   // radians
constexpr double kOpaque = 1.0;

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

// A recoil or a break slows the rock down to a stop in the way it was thrown.
void SlowDown(Mover& mover, bool pushedRight, double decelX, double changeY) {
    if (pushedRight ? mover.GetMoveX() > 0.0 : mover.GetMoveX() < 0.0) {
        mover.AddMove(pushedRight ? -decelX : decelX, changeY);
    } else {
        mover.SetMove(0.0, 0.0);
    }
}

}  // namespace

void EnemyManager::Init() {
    ai.Init(kRockSlotCount);
    rocks.fill(Rock{});
    for (Rock& rock : rocks) {
        rock.body.Init();
    }
}

void EnemyManager::SetLineCount(int64_t n) {
    lineCount = n;
    lineY.assign(static_cast<std::size_t>(n), 0);
}

void EnemyManager::SetLineY(int64_t index, int64_t y) {
    At(lineY, index, "lineY") = y;
}

void EnemyManager::Load(double viewX, double viewY, double viewW, double viewH) {
    lifeSprite.LoadSheet(u"life.zqtex", kStillAnimes, kLifeFrames, viewX, viewY, viewW, viewH);
    gaugeSprite.LoadSheet(u"gauge.zqtex", kStillAnimes, kGaugeFrames, viewX, viewY, viewW, viewH);
    holeSprite.LoadSheet(u"generate_hole.zqtex", kStillAnimes, kHoleFrames, viewX, viewY, viewW,
                         viewH);
    rockSprite.LoadSheet(u"rock_enemy.zqtex", kRockAnimes, kRockFrames, viewX, viewY, viewW, viewH);
}

const Rock& EnemyManager::GetRock(int64_t slot) const {
    return At(rocks, slot, "rock slot");
}

Rock& EnemyManager::Slot(int64_t slot) {
    return At(rocks, slot, "rock slot");
}

void EnemyManager::Spawn(int64_t newLineIndex, int64_t newLineY) {
    for (Rock& rock : rocks) {
        if (rock.active) {
            continue;
        }
        // Facing, push direction and the AI's entry stay from the last rock
        // of this slot.
        rock.active = true;
        rock.state = RockState::Walk;
        rock.lineMove = LineMove::Down;
        rock.timer = 0;
        rock.life = kRockMaxLife;
        rock.body.SetPos(kSpawnX, kSpawnY);
        rock.body.SetMove(0.0, kWalkSpeed);
        rock.targetLineY = newLineY;
        rock.aiTimer = 0;
        rock.lineIndex = newLineIndex;
        return;
    }
}

bool EnemyManager::HitTest(int64_t slot, int64_t testLineY, double x, double y,
                           double radius) const {
    const Rock& rock = GetRock(slot);
    if (!rock.active || rock.life <= 0 || rock.targetLineY != testLineY || rock.IsHurt()) {
        return false;
    }
    return Hypot(rock.body.GetX() - x, rock.body.GetY() - y) < kHitRadius + radius;
}

void EnemyManager::Damage(int64_t slot, int64_t amount, bool pushRight) {
    Rock& rock = Slot(slot);
    rock.life -= amount;
    if (rock.life < 0) {
        rock.life = 0;
    }
    rock.timer = 0;
    rock.pushedRight = pushRight;
    const double side = pushRight ? 1.0 : -1.0;
    // One life left already breaks the rock.
    if (rock.life > 1) {
        rock.state = RockState::Recoil;
        rock.body.SetMove(side * kRecoilSpeed, 0.0);
    } else {
        rock.state = RockState::Break;
        rock.body.SetMove(side * kBreakSpeed, kBreakSpeed);
    }
}

bool EnemyManager::AnyActive() const {
    for (const Rock& rock : rocks) {
        if (rock.active) {
            return true;
        }
    }
    return false;
}

void EnemyManager::Update(double playerX, int64_t playerLineY) {
    for (int64_t slot = 0; slot < kRockSlotCount; ++slot) {
        Rock& rock = Slot(slot);
        if (!rock.active) {
            continue;
        }
        rock.prevLineMove = rock.lineMove;
        // A rock changing lines neither thinks nor walks until it arrives.
        if (rock.lineMove == LineMove::None) {
            if (!rock.IsHurt()) {
                ActAi(playerX, playerLineY, slot);
                if (rock.lineMove == LineMove::Down) {
                    LineDown(rock);
                } else if (rock.lineMove == LineMove::Up) {
                    LineUp(rock);
                }
            }
            switch (rock.state) {
                case RockState::Stand:
                    Stop(rock);
                    break;
                case RockState::Walk:
                    Walk(rock);
                    break;
                case RockState::Recoil:
                    RecoilUpdate(rock);
                    break;
                case RockState::Break:
                    BreakUpdate(rock);
                    break;
            }
        }
        rock.body.Move();
        if (rock.lineMove == LineMove::Up) {
            MoveLineUp(rock);
        } else if (rock.lineMove == LineMove::Down) {
            MoveLineDown(rock);
        }
        ++rock.timer;
    }
}

void EnemyManager::ActAi(double playerX, int64_t playerLineY, int64_t slot) {
    Rock& rock = Slot(slot);
    if (rock.aiTimer <= kAiInterval) {
        ++rock.aiTimer;
        return;
    }
    ai.SeePlayer(playerX, playerLineY, slot);
    ai.SeeSelf(rock.body.GetX(), rock.targetLineY, slot);
    ai.Think(slot);
    rock.dir = ai.GetDir(slot);
    rock.state = ai.GetWalk(slot) ? RockState::Walk : RockState::Stand;
    rock.lineMove = ai.GetLineMove(slot);
    rock.aiTimer = 0;
}

void EnemyManager::Stop(Rock& rock) {
    rock.body.SetMove(0.0, 0.0);
}

void EnemyManager::Walk(Rock& rock) {
    rock.body.SetMove(Ahead(rock.dir) * kWalkSpeed, 0.0);
}

void EnemyManager::RecoilUpdate(Rock& rock) {
    if (rock.timer > kRecoilTime) {
        rock.state = RockState::Stand;
        rock.timer = 0;
    }
    // Still slows down in the frame that ended the recoil.
    SlowDown(rock.body, rock.pushedRight, kRecoilDecel, 0.0);
}

void EnemyManager::BreakUpdate(Rock& rock) {
    if (rock.timer > kBreakTime) {
        // The rest of this update still runs; the slot is free from the next.
        rock.active = false;
    }
    SlowDown(rock.body, rock.pushedRight, kBreakDecel, -kBreakDecel);
}

void EnemyManager::LineDown(Rock& rock) const {
    // The bottom line keeps its rock; the change then only dips it.
    if (rock.lineIndex >= lineCount - 2) {
        rock.lineIndex = lineCount - 1;
    } else {
        ++rock.lineIndex;
    }
    rock.targetLineY = At(lineY, rock.lineIndex, "lineY");
}

void EnemyManager::LineUp(Rock& rock) const {
    if (rock.lineIndex < 2) {
        rock.lineIndex = 0;
    } else {
        --rock.lineIndex;
    }
    rock.targetLineY = At(lineY, rock.lineIndex, "lineY");
}

void EnemyManager::MoveLineDown(Rock& rock) {
    // Strict: a rock exactly on the line takes one more step and is snapped.
    if (static_cast<double>(rock.targetLineY) < rock.body.GetY()) {
        ArriveOnLine(rock);
    } else {
        rock.body.SetMove(0.0, kWalkSpeed);
    }
}

void EnemyManager::MoveLineUp(Rock& rock) {
    if (static_cast<double>(rock.targetLineY) > rock.body.GetY()) {
        ArriveOnLine(rock);
    } else {
        rock.body.SetMove(0.0, -kWalkSpeed);
    }
}

void EnemyManager::ArriveOnLine(Rock& rock) {
    rock.lineMove = LineMove::None;
    // A recoil or break begun during the line change runs on from here with
    // its timer, instead of being cut short: a broken rock is still freed.
    if (!rock.IsHurt()) {
        rock.state = RockState::Stand;
    }
    rock.body.SetMove(0.0, 0.0);
    rock.body.SetPos(rock.body.GetX(), static_cast<double>(rock.targetLineY));
}

void EnemyManager::DrawHole(double viewX, double viewY) {
    holeSprite.Draw(kStillAnime, kStillTime, kHoleX, kHoleY, kHoleHalfW, kHoleHalfH, kNoRotation,
                    kOpaque, viewX, viewY);
}

void EnemyManager::DrawLine(double viewX, double viewY, int64_t drawLineY) {
    for (Rock& rock : rocks) {
        if (!rock.active || rock.targetLineY != drawLineY) {
            continue;
        }
        rock.anime = rock.dir == Facing::Right ? kRockAnimeRight : kRockAnimeLeft;
        if (rock.state == RockState::Recoil) {
            rock.anime += kRecoilAnimeOffset;
        } else if (rock.state == RockState::Break) {
            rock.anime += kBreakAnimeOffset;
        }
        const double x = rock.body.GetX();
        const double y = rock.body.GetY();
        rockSprite.Draw(rock.anime, rock.timer, x, y, kRockHalfSize, kRockHalfSize, kNoRotation,
                        kOpaque, viewX, viewY);
        // The bar shrinks towards its centre as life goes.
        const double gaugeY = y + kGaugeOffsetY;
        lifeSprite.Draw(kStillAnime, kStillTime, x, gaugeY,
                        kLifeHalfWidthPerPoint * static_cast<double>(rock.life), kLifeHalfHeight,
                        kNoRotation, kOpaque, viewX, viewY);
        gaugeSprite.Draw(kStillAnime, kStillTime, x, gaugeY,
                         kFrameHalfWidthPerPoint * static_cast<double>(kRockMaxLife),
                         kFrameHalfHeight, kNoRotation, kOpaque, viewX, viewY);
    }
}

}  // namespace morva
