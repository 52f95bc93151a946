#include "game/Player.h"

#include <array>

#include "engine/Checked.h"

namespace morva {
namespace {

constexpr double kWalkSpeed = 5.0;     // pixels per frame
constexpr double kDashSpeed = 10.0;    // pixels per frame
constexpr double kSize = 50.0;         // pixels
constexpr double kHurtRadius = 50.0;   // pixels
constexpr int64_t kInvulnTime = 60;    // frames
constexpr double kGravity = 2.0;       // pixels per frame per frame
constexpr double kJumpSpeed = 12.0;    // pixels per frame
constexpr double kRecoilSpeed = 10.0;  // pixels per frame
constexpr int64_t kBlinkInterval = 3;  // frames
// Above line 3, so that the first frames drop the player onto it.
constexpr double kStartX = 700.0;  // pixels
constexpr double kStartY = 0.0;    // pixels

// Fifteen degrees and a sixtieth, as the rounded decimals the puffs were tuned with.
constexpr double kSmokeSpin = 0.261799387799149;   // radians per frame
constexpr double kSmokeFade = 0.0166666666666667;  // opacity per frame
constexpr int64_t kSmokeLifetime = 60;             // frames
constexpr double kSmokeSize = 30.0;                // half-size, pixels
constexpr double kSmokeDriftX = 0.0;               // pixels per frame per frame
constexpr double kSmokeDriftY = 0.0;               // pixels per frame per frame
constexpr int64_t kSmokeCapacity = 10;             // puffs
constexpr int64_t kSmokeInterval = 10;             // frames

constexpr int64_t kAnimeCapacityBody = 8;
constexpr int64_t kAnimeCapacitySword = 6;
constexpr int64_t kAnimeCapacitySingle = 1;
constexpr double kNoAngle = 0.0;  // radians
constexpr double kOpaque = 1.0;

// Body animation ids: a base per facing plus an offset per motion.
constexpr int64_t kBodyAnimeRight = 100;
constexpr int64_t kBodyAnimeLeft = 200;
constexpr int64_t kBodyAnimeStand = 0;
constexpr int64_t kBodyAnimeWalk = 10;
constexpr int64_t kBodyAnimeDash = 20;
constexpr int64_t kBodyAnimeAttackOrAir = 30;

constexpr double kBodyCell = 256.0;  // texels
constexpr int64_t kBodyFrameMax = 4;

struct BodyFrame {
    double srcX;       // texels
    double srcY;       // texels
    int64_t duration;  // frames
};

struct BodyAnime {
    int64_t id;
    int64_t frameCount;
    std::array<BodyFrame, kBodyFrameMax> frames;
};

constexpr std::array<BodyAnime, 8> kBodyAnimes = {{
    {100, 1, {{{0, 0, 300}}}},
    {110, 4, {{{256, 0, 15}, {0, 0, 15}, {512, 0, 15}, {0, 0, 15}}}},
    {120, 4, {{{256, 512, 10}, {0, 512, 10}, {512, 512, 10}, {0, 512, 10}}}},
    {130, 1, {{{256, 512, 300}}}},
    {200, 1, {{{0, 256, 300}}}},
    {210, 4, {{{256, 256, 15}, {0, 256, 15}, {512, 256, 15}, {0, 256, 15}}}},
    {220, 4, {{{256, 768, 10}, {0, 768, 10}, {512, 768, 10}, {0, 768, 10}}}},
    {230, 1, {{{256, 768, 300}}}},
}};
static_assert(kBodyAnimes.size() == kAnimeCapacityBody, "the body table is full");

constexpr int64_t kSmokeAnime = 100;
constexpr double kSmokeCell = 128.0;     // texels
constexpr int64_t kSmokeFrameTime = 60;  // frames
constexpr int64_t kBulletAnime = 100;
constexpr double kBulletCell = 64.0;      // texels
constexpr int64_t kBulletFrameTime = 10;  // frames

}  // namespace

void Player::Init() {
    walkSpeed = kWalkSpeed;
    dashSpeed = kDashSpeed;
    size = kSize;
    hurtRadius = kHurtRadius;
    invulnTime = kInvulnTime;
    gravity = kGravity;
    jumpSpeed = kJumpSpeed;
    recoilSpeed = kRecoilSpeed;
    blinkInterval = kBlinkInterval;
    vulnerable = true;
    visible = true;
    invulnTimer = invulnTime;
    landed = false;
    stateChanged = false;
    lineMove = LineMove::Down;
    motion = Motion::Stand;
    animTime = 0;
    line = 0;
    body = Mover{};
    body.Init();
    body.SetPos(kStartX, kStartY);
}

void Player::LoadSprites(double viewX, double viewY, double viewW, double viewH) {
    bodySprite = Sprite{};
    bodySprite.LoadTexture(u"pelomar256.zqtex");
    bodySprite.Init(kAnimeCapacityBody, viewX, viewY, viewW, viewH);
    for (const BodyAnime& anime : kBodyAnimes) {
        bodySprite.SetAnime(anime.id, true, anime.frameCount);
        for (int64_t i = 0; i < anime.frameCount; ++i) {
            const BodyFrame& frame = At(anime.frames, i, "body frames");
            bodySprite.AddFrame(anime.id, frame.srcX, frame.srcY, kBodyCell, kBodyCell, kNoAngle,
                                frame.duration);
        }
    }

    swordSprite = Sprite{};
    swordSprite.LoadTexture(u"sword.zqtex");
    swordSprite.Init(kAnimeCapacitySword, viewX, viewY, viewW, viewH);
    for (const SwordAnime& anime : kSwordAnimes) {
        swordSprite.SetAnime(anime.id, false, kSwordFrameCount);
        for (int64_t i = 0; i < kSwordFrameCount; ++i) {
            swordSprite.AddFrame(anime.id, anime.srcX, At(anime.srcY, i, "sword frames"),
                                 anime.srcW, anime.srcH, kNoAngle,
                                 At(anime.durations, i, "sword frames"));
        }
    }

    bulletSprite = Sprite{};
    bulletSprite.LoadTexture(u"bullet.zqtex");
    bulletSprite.Init(kAnimeCapacitySingle, viewX, viewY, viewW, viewH);
    bulletSprite.SetAnime(kBulletAnime, false, 1);
    bulletSprite.AddFrame(kBulletAnime, 0.0, 0.0, kBulletCell, kBulletCell, kNoAngle,
                          kBulletFrameTime);
}

void Player::InitAttackTable() {
    attackTime = 0;
    hitActive = false;
    step = 0;
    attackSteps.assign(kAttackSteps.begin(), kAttackSteps.end());
}

void Player::InitSmoke() {
    smoke = SmokeEmitter{};
    smoke.Init(kSmokeSpin, kSmokeFade, kSmokeLifetime, kSmokeSize, kSmokeDriftX, kSmokeDriftY,
               kSmokeCapacity);
    smokeInterval = kSmokeInterval;
}

void Player::LoadSmokeSprite(double viewX, double viewY, double viewW, double viewH) {
    smokeSprite = Sprite{};
    smokeSprite.LoadTexture(u"smog.zqtex");
    smokeSprite.Init(kAnimeCapacitySingle, viewX, viewY, viewW, viewH);
    smokeSprite.SetAnime(kSmokeAnime, false, 1);
    smokeSprite.AddFrame(kSmokeAnime, 0.0, 0.0, kSmokeCell, kSmokeCell, kNoAngle, kSmokeFrameTime);
}

const AttackStep& Player::CurrentStep() const {
    return At(attackSteps, step, "attack steps");
}

double Player::GetHitX() const {
    return GetX() + Ahead(facing) * CurrentStep().hitOffsetX;
}
double Player::GetHitY() const {
    return GetY() + CurrentStep().hitOffsetY;
}
double Player::GetHitRadius() const {
    return CurrentStep().hitRadius;
}
int64_t Player::GetHitDamage() const {
    return CurrentStep().damage;
}
int64_t Player::GetHitScore() const {
    return CurrentStep().score;
}
double Player::GetSwordX() const {
    return GetX() + Ahead(facing) * CurrentStep().swordOffsetX;
}
double Player::GetSwordY() const {
    return GetY() + CurrentStep().swordOffsetY;
}

void Player::ChainAttack() {
    const auto lastStep = static_cast<int64_t>(attackSteps.size()) - 1;
    if (hitActive && step < lastStep) {
        ++step;
        hitActive = false;
        attackTime = 0;
    }
}

void Player::Hurt() {
    step = 0;
    attackTime = 0;
    // Otherwise the unseen sword would go on cutting while the player flies.
    hitActive = false;
    landed = false;
    vulnerable = false;
    motion = Motion::Hurt;
    body.SetMove(-Ahead(facing) * recoilSpeed, -recoilSpeed);
}

void Player::SetMoveXForMotion() {
    switch (motion) {
        case Motion::Stand:
        case Motion::Attack:
            body.SetMove(0.0, body.GetMoveY());
            break;
        case Motion::Walk:
            body.SetMove(Ahead(facing) * walkSpeed, body.GetMoveY());
            break;
        case Motion::Dash:
            body.SetMove(Ahead(facing) * dashSpeed, body.GetMoveY());
            break;
        default:
            break;
    }
}

void Player::Update(int64_t newLineY) {
    lineY = newLineY;
    if (stateChanged) {
        SetMoveXForMotion();
    }
    if (motion == Motion::Dash && animTime % smokeInterval == 0) {
        smoke.Emit(GetX(), GetY() + size);
    }
    if (!vulnerable) {
        UpdateInvulnerability();
    }
    body.Move();
    UpdateLineAndFloor();
}

void Player::UpdateInvulnerability() {
    --invulnTimer;
    if (invulnTimer % blinkInterval == 0) {
        visible = !visible;
    }
    if (invulnTimer < 0) {
        vulnerable = true;
        invulnTimer = invulnTime;
        visible = true;
    }
}

void Player::UpdateLineAndFloor() {
    const auto floor = static_cast<double>(lineY);
    if (landed) {
        const bool passedDown = lineMove == LineMove::Down && floor < GetY();
        const bool passedUp = lineMove == LineMove::Up && floor > GetY();
        if (passedDown || passedUp) {
            lineMove = LineMove::None;
            body.SetMove(body.GetMoveX(), 0.0);
            body.SetPos(GetX(), floor);
        }
        return;
    }
    // Strictly below: a body exactly on its line is still in the air.
    if (floor < GetY()) {
        body.SetPos(GetX(), floor);
        landed = true;
        body.SetMove(0.0, 0.0);
        if (motion == Motion::Hurt) {
            motion = Motion::Stand;
        } else {
            SetMoveXForMotion();
        }
        return;
    }
    body.AddMove(0.0, gravity);
}

void Player::UpdateTimers() {
    ++animTime;
    smoke.Update();
    UpdateAttackTiming();
    if (stateChanged) {
        animTime = 0;
        attackTime = 0;
        step = 0;
    }
}

void Player::UpdateAttackTiming() {
    const AttackStep& current = CurrentStep();
    if (motion == Motion::Attack) {
        ++attackTime;
        if (current.windowStart < attackTime && attackTime < current.WindowEnd()) {
            hitActive = true;
        }
    }
    if (attackTime > current.WindowEnd()) {
        hitActive = false;
    }
    if (attackTime > current.duration) {
        motion = Motion::Stand;
        attackTime = 0;
        step = 0;
    }
}

int64_t Player::ChooseBodyAnime() const {
    int64_t anime = facing == Facing::Right ? kBodyAnimeRight : kBodyAnimeLeft;
    if (!landed) {
        return anime + kBodyAnimeAttackOrAir;
    }
    switch (motion) {
        case Motion::Stand:
            return anime + kBodyAnimeStand;
        case Motion::Walk:
            return anime + kBodyAnimeWalk;
        case Motion::Dash:
            return anime + kBodyAnimeDash;
        case Motion::Attack:
            return anime + kBodyAnimeAttackOrAir;
        default:
            return anime;
    }
}

void Player::Draw(double viewX, double viewY, int64_t drawLineY) {
    if (drawLineY != lineY) {
        return;
    }
    const double puffSize = smoke.GetSize();
    for (int64_t i = 0; i < smoke.GetCapacity(); ++i) {
        if (smoke.IsActive(i)) {
            smokeSprite.Draw(kSmokeAnime, smoke.GetAge(i), smoke.GetX(i), smoke.GetY(i), puffSize,
                             puffSize, smoke.GetAngle(i), smoke.GetAlpha(i), viewX, viewY);
        }
    }
    bodyAnime = ChooseBodyAnime();
    swordAnime = facing == Facing::Right ? kSwordAnimeRight : kSwordAnimeLeft;
    if (!visible) {
        return;
    }
    const double bodyHalf = 2.0 * size;
    bodySprite.Draw(bodyAnime, animTime, GetX(), GetY(), bodyHalf, bodyHalf, kNoAngle, kOpaque,
                    viewX, viewY);
    if (motion == Motion::Attack) {
        const AttackStep& current = CurrentStep();
        swordSprite.Draw(current.swordAnimeBase + swordAnime, attackTime, GetSwordX(), GetSwordY(),
                         current.swordHalfW, current.swordHalfH, kNoAngle, kOpaque, viewX, viewY);
    }
}

}  // namespace morva
