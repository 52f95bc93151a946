// One game: set-up, then the frame loop in which the stage, the player, the
// score board, the rocks and the camera meet. None of them knows another;
// every exchange passes through here as plain numbers.
#include "frame/GameScene.h"

#include <array>
#include <memory>
#include <string_view>
#include <utility>

#include "actors/Camera.h"
#include "actors/EnemyManager.h"
#include "core/Checked.h"
#include "field/ScoreBoard.h"
#include "field/Stage.h"
#include "frame/SceneSelector.h"
#include "frame/Scenes.h"
#include "frame/input/InputState.h"
#include "frame/library/Library.h"
#include "frame/text/BitmapFont.h"
#include "player/Player.h"

namespace morva {
namespace {

GameObserver gObserver;

constexpr int64_t kStartBannerFrames = 60;
constexpr int64_t kClearBannerFrames = 120;
constexpr int64_t kGenerationAttempts = 20;
// The counter must exceed this, so an attempt comes every 122nd frame.
constexpr int64_t kGenerationInterval = 120;  // frames
constexpr int64_t kSpawnLineFirst = 1;        // line index, height 500
constexpr int64_t kSpawnLineLast = 3;         // line index, height 700
constexpr int64_t kStartLine = 3;             // line index, height 700

// Screen heights of the lines, index 0 at the top (farthest back).
constexpr std::array<int64_t, 5> kLineY = {400, 500, 600, 700, 800};  // pixels
static_assert(kLineY.size() == 5, "five lines");
constexpr int64_t kTopLine = 0;
constexpr int64_t kBottomLine = static_cast<int64_t>(kLineY.size()) - 1;

// Every object loads its sprites for the whole screen.
constexpr double kViewLeft = 0.0;      // pixels
constexpr double kViewTop = 0.0;       // pixels
constexpr double kViewWidth = 1600.0;  // pixels
constexpr double kViewHeight = 900.0;  // pixels

constexpr int64_t kCameraDelay = 0;  // frames
// The camera keeps the player this far from the screen's left edge.
constexpr double kCameraBandLeft = 500.0;    // pixels
constexpr double kCameraBandRight = 1100.0;  // pixels
constexpr double kCameraY = 0.0;             // pixels

struct Banner {
    std::u16string_view text;
    double x;       // pixels, top-left of the first glyph
    double y;       // pixels
    double glyphW;  // pixels
    double glyphH;  // pixels
};

enum BannerId : std::size_t { kStart, kClear, kRetry, kPushSpace };

constexpr std::array<Banner, 4> kBanners = {{
    {u"Start!!", 550.0, 200.0, 100.0, 200.0},
    {u"Clear!", 550.0, 300.0, 100.0, 200.0},
    {u"Retry?", 600.0, 300.0, 75.0, 150.0},
    {u"Push Space Key", 325.0, 500.0, 75.0, 150.0},
}};
static_assert(kBanners.size() == kPushSpace + 1, "one entry per banner");
constexpr double kBannerAlpha = 1.0;

// The scene's locals for one game; dropped when the scene returns.
struct Game {
    int64_t startTimer = 0;  // frames
    int64_t clearTimer = 0;  // frames
    int64_t toGenerate = 0;
    int64_t generationInterval = 0;  // frames
    int64_t generationCounter = 0;   // frames since the last attempt
    int64_t spawnLine = 0;
    int64_t frame = 0;
    std::shared_ptr<Stage> stage;
    std::shared_ptr<Player> player;
    std::shared_ptr<ScoreBoard> board;
    std::shared_ptr<EnemyManager> enemies;
    std::shared_ptr<Camera> camera;
};

void SetUp(Game& game) {
    game.startTimer = kStartBannerFrames;
    game.clearTimer = kClearBannerFrames;
    game.toGenerate = kGenerationAttempts;

    game.stage = std::make_shared<Stage>();
    game.stage->Init();
    game.stage->Load(kViewLeft, kViewTop, kViewWidth, kViewHeight);

    game.player = std::make_shared<Player>();
    Player& player = *game.player;
    player.Init();
    player.LoadSprites(kViewLeft, kViewTop, kViewWidth, kViewHeight);
    player.InitAttackTable();
    player.InitSmoke();
    player.LoadSmokeSprite(kViewLeft, kViewTop, kViewWidth, kViewHeight);
    player.SetLine(kStartLine);

    game.board = std::make_shared<ScoreBoard>();
    game.board->Init();
    game.board->Load(kViewLeft, kViewTop, kViewWidth, kViewHeight);

    game.enemies = std::make_shared<EnemyManager>();
    EnemyManager& enemies = *game.enemies;
    enemies.Init();
    game.generationInterval = kGenerationInterval;
    game.generationCounter = 0;
    game.spawnLine = 0;
    enemies.SetLineCount(static_cast<int64_t>(kLineY.size()));
    for (int64_t i = 0; i < static_cast<int64_t>(kLineY.size()); ++i) {
        enemies.SetLineY(i, At(kLineY, i, "line"));
    }
    enemies.Load(kViewLeft, kViewTop, kViewWidth, kViewHeight);

    game.camera = std::make_shared<Camera>();
    game.camera->Init(kCameraDelay);
}

bool IsBusy(int64_t motion) {
    return motion == kMotionAttack || motion == kMotionHurt;
}

void StartMotion(Player& player, int64_t motion) {
    player.SetStateChanged(true);
    player.SetMotion(motion);
}

// Standing on a line: walking, the backward jump, line changes, attacks.
void GroundControls(const InputState& input, Player& player) {
    if (!player.IsLanded() || IsBusy(player.GetMotion())) {
        return;
    }
    if (input.PushedRight()) {
        player.SetFacing(kFacingRight);
        StartMotion(player, kMotionWalk);
    }
    if (input.PushedLeft()) {
        player.SetFacing(kFacingLeft);
        StartMotion(player, kMotionWalk);
    }
    if (input.PushedJump()) {
        player.SetLanded(false);
        // Upward and away from the way the player faces.
        const double speed = player.GetJumpSpeed();
        const double moveX = player.GetFacing() == kFacingRight ? -speed : speed;
        player.SetMove(moveX, -speed);
    }
    if (input.PushedUp()) {
        player.SetLineMove(kLineMoveUp);
        player.SetMove(player.GetMoveX(), -player.GetWalkSpeed());
        player.AddLine(-1);
        if (player.GetLine() < kTopLine) {
            player.SetLine(kTopLine);
        }
    }
    if (input.PushedDown()) {
        player.SetLineMove(kLineMoveDown);
        player.SetMove(player.GetMoveX(), player.GetWalkSpeed());
        player.AddLine(1);
        if (player.GetLine() > kBottomLine) {
            player.SetLine(kBottomLine);
        }
    }
    if (input.PushedAttack()) {
        StartMotion(player, kMotionAttack);
    }
}

// Also in the air; Dash is read as held so that it joins a walk at once.
void MovementControls(const InputState& input, Player& player) {
    if (IsBusy(player.GetMotion())) {
        return;
    }
    if (input.ReleasedRight()) {
        StartMotion(player, kMotionStand);
    }
    if (input.ReleasedLeft()) {
        StartMotion(player, kMotionStand);
    }
    if (input.HeldDash() && player.GetMotion() == kMotionWalk) {
        StartMotion(player, kMotionDash);
    }
    if (input.ReleasedDash() && player.GetMotion() == kMotionDash) {
        StartMotion(player, kMotionWalk);
    }
}

void AttackChain(const InputState& input, Player& player) {
    if (player.GetMotion() == kMotionAttack && input.PushedAttack()) {
        player.ChainAttack();
    }
}

// An attempt with every slot taken is spent all the same.
void Generate(Game& game) {
    if (game.generationCounter > game.generationInterval && game.toGenerate > 0) {
        game.spawnLine = lib::Rnd(kSpawnLineFirst, kSpawnLineLast);
        game.enemies->Spawn(game.spawnLine, At(kLineY, game.spawnLine, "spawn line"));
        game.generationCounter = 0;
        --game.toGenerate;
    } else {
        ++game.generationCounter;
    }
}

// Each rock struck counts on its own, the later ones with the higher combo.
void AttackHits(Game& game) {
    Player& player = *game.player;
    if (!player.IsHitActive()) {
        return;
    }
    EnemyManager& enemies = *game.enemies;
    for (int64_t slot = 0; slot < enemies.GetCount(); ++slot) {
        if (enemies.HitTest(slot, player.GetLineY(), player.GetHitX(), player.GetHitY(),
                            player.GetHitRadius())) {
            game.board->AddCombo();
            game.board->AddScore(player.GetHitScore() * game.board->GetCombo());
            enemies.Damage(slot, player.GetHitDamage(), player.GetFacing() == kFacingRight);
        }
    }
}

// Vulnerability is asked once; every slot is tested even after a touch.
void EnemyTouches(Game& game) {
    Player& player = *game.player;
    if (!player.IsVulnerable()) {
        return;
    }
    EnemyManager& enemies = *game.enemies;
    for (int64_t slot = 0; slot < enemies.GetCount(); ++slot) {
        if (enemies.HitTest(slot, player.GetLineY(), player.GetX(), player.GetY(),
                            player.GetHurtRadius())) {
            player.Hurt();
            game.board->SetCombo(0);
        }
    }
}

void FollowPlayer(Game& game) {
    Camera& camera = *game.camera;
    const double playerX = game.player->GetX();
    const double onScreen = playerX - camera.GetViewX();
    if (onScreen < kCameraBandLeft) {
        camera.SetView(playerX - kCameraBandLeft, kCameraY);
    } else if (onScreen > kCameraBandRight) {
        camera.SetView(playerX - kCameraBandRight, kCameraY);
    }
}

// Back to front: a lower line covers a higher one, the player its own rocks.
void DrawField(Game& game) {
    const double viewX = game.camera->GetViewX();
    const double viewY = game.camera->GetViewY();
    game.stage->Draw(viewX, viewY);
    game.enemies->DrawHole(viewX, viewY);
    for (const int64_t lineY : kLineY) {
        game.enemies->DrawLine(viewX, viewY, lineY);
        game.player->Draw(viewX, viewY, lineY);
    }
    game.board->Draw(viewX, viewY);
}

void DrawBanner(const BitmapFont& font, BannerId id) {
    const Banner& banner = At(kBanners, id, "banner");
    font.DrawText(banner.text, banner.x, banner.y, banner.glyphW, banner.glyphH, kBannerAlpha);
}

void StartBanner(Game& game, const BitmapFont& font) {
    if (game.startTimer > 0) {
        DrawBanner(font, kStart);
        --game.startTimer;
    }
}

bool IsCleared(const Game& game) {
    return game.toGenerate == 0 && !game.enemies->AnyActive();
}

enum class FrameEnd { kAct, kLeave };

// "Clear!" for its frames, then the retry offer until button 0 is let go.
FrameEnd EndOfGame(Game& game, const InputState& input, const BitmapFont& font) {
    if (!IsCleared(game)) {
        return FrameEnd::kAct;
    }
    if (game.clearTimer > 0) {
        DrawBanner(font, kClear);
        --game.clearTimer;
        return FrameEnd::kAct;
    }
    DrawBanner(font, kRetry);
    DrawBanner(font, kPushSpace);
    return input.ReleasedJump() ? FrameEnd::kLeave : FrameEnd::kAct;
}

void Report(const Game& game) {
    const Player& player = *game.player;
    const EnemyManager& enemies = *game.enemies;
    GameFrameView view;
    view.frame = game.frame;
    view.playerX = player.GetX();
    view.playerY = player.GetY();
    view.playerLine = player.GetLine();
    view.playerLineY = player.GetLineY();
    view.playerMotion = player.GetMotion();
    view.playerFacing = player.GetFacing();
    view.playerLanded = player.IsLanded();
    view.playerVulnerable = player.IsVulnerable();
    view.playerHitActive = player.IsHitActive();
    view.viewX = game.camera->GetViewX();
    for (int64_t slot = 0; slot < enemies.GetCount(); ++slot) {
        RockView& rock = At(view.rocks, slot, "observed slot");
        rock.active = enemies.IsActive(slot);
        rock.x = enemies.GetX(slot);
        rock.y = enemies.GetY(slot);
        rock.targetLineY = enemies.GetTargetLineY(slot);
        rock.state = enemies.GetState(slot);
        rock.life = enemies.GetLife(slot);
        rock.lineMove = enemies.GetLineMove(slot);
        rock.dir = enemies.GetDir(slot);
    }
    view.combo = game.board->GetCombo();
    view.score = game.board->GetScore();
    view.comboTimer = game.board->GetComboTimer();
    view.toGenerate = game.toGenerate;
    view.startTimer = game.startTimer;
    view.clearTimer = game.clearTimer;
    view.cleared = IsCleared(game);
    view.retryOffered = view.cleared && game.clearTimer == 0;
    gObserver(view);
}

FrameEnd RunFrame(Game& game, InputState& input, const BitmapFont& font) {
    ++game.frame;
    input.Update();
    Player& player = *game.player;
    GroundControls(input, player);
    MovementControls(input, player);
    AttackChain(input, player);
    Generate(game);
    game.enemies->Update(player.GetX(), player.GetLineY());
    player.Update(At(kLineY, player.GetLine(), "player line"));
    player.UpdateTimers();
    AttackHits(game);
    EnemyTouches(game);
    FollowPlayer(game);
    game.stage->Scroll(game.camera->GetShiftX(), game.camera->GetShiftY());
    game.board->Tick();
    DrawField(game);
    player.SetStateChanged(false);
    StartBanner(game, font);
    if (EndOfGame(game, input, font) == FrameEnd::kLeave) {
        return FrameEnd::kLeave;
    }
    if (gObserver) {
        Report(game);
    }
    lib::Act();
    return FrameEnd::kAct;
}

}  // namespace

GameObserver SetGameObserver(GameObserver observer) {
    return std::exchange(gObserver, std::move(observer));
}

void RunGame(SceneSelector& selector, InputState& input, BitmapFont& font) {
    Game game;
    SetUp(game);
    while (RunFrame(game, input, font) == FrameEnd::kAct) {
    }
    selector.SetScene(kTitleScene);
}

}  // namespace morva
