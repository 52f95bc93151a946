// One game: set-up, then the frame loop in which the stage, the player, the
// score board, the rocks and the camera meet. None of them knows another;
// every exchange passes through here as plain numbers.
#include <array>
#include <string_view>

#include "engine/BitmapFont.h"
#include "engine/Checked.h"
#include "engine/InputState.h"
#include "engine/Library.h"
#include "engine/Screen.h"
#include "game/Camera.h"
#include "game/EnemyManager.h"
#include "game/Player.h"
#include "game/ScoreBoard.h"
#include "game/Stage.h"
#include "scenes/GameControls.h"
#include "scenes/Scenes.h"

namespace morva {
namespace {

constexpr int64_t kStartBannerFrames = 60;
constexpr int64_t kClearBannerFrames = 120;
constexpr int64_t kGenerationAttempts = 20;
// The counter must exceed this, so an attempt comes every 122nd frame.
constexpr int64_t kGenerationInterval = 120;  // frames
constexpr int64_t kSpawnLineFirst = 1;        // line index, height 500
constexpr int64_t kSpawnLineLast = 3;         // line index, height 700
constexpr int64_t kStartLine = 3;             // line index, height 700

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
    Stage stage;
    Player player;
    ScoreBoard board;
    EnemyManager enemies;
    Camera camera;
};

void SetUp(Game& game) {
    game.startTimer = kStartBannerFrames;
    game.clearTimer = kClearBannerFrames;
    game.toGenerate = kGenerationAttempts;

    game.stage.Init();
    game.stage.Load(kFullView.x, kFullView.y, kFullView.w, kFullView.h);

    Player& player = game.player;
    player.Init();
    player.LoadSprites(kFullView.x, kFullView.y, kFullView.w, kFullView.h);
    player.InitAttackTable();
    player.InitSmoke();
    player.LoadSmokeSprite(kFullView.x, kFullView.y, kFullView.w, kFullView.h);
    player.SetLine(kStartLine);

    game.board.Init();
    game.board.Load(kFullView.x, kFullView.y, kFullView.w, kFullView.h);

    EnemyManager& enemies = game.enemies;
    enemies.Init();
    game.generationInterval = kGenerationInterval;
    game.generationCounter = 0;
    game.spawnLine = 0;
    enemies.SetLineCount(static_cast<int64_t>(kLineY.size()));
    for (int64_t i = 0; i < static_cast<int64_t>(kLineY.size()); ++i) {
        enemies.SetLineY(i, At(kLineY, i, "line"));
    }
    enemies.Load(kFullView.x, kFullView.y, kFullView.w, kFullView.h);

    game.camera.Init(kCameraDelay);
}

// An attempt with every slot taken is spent all the same.
void Generate(Game& game) {
    if (game.generationCounter > game.generationInterval && game.toGenerate > 0) {
        game.spawnLine = lib::Rnd(kSpawnLineFirst, kSpawnLineLast);
        game.enemies.Spawn(game.spawnLine, At(kLineY, game.spawnLine, "spawn line"));
        game.generationCounter = 0;
        --game.toGenerate;
    } else {
        ++game.generationCounter;
    }
}

// Each rock struck counts on its own, the later ones with the higher combo.
void AttackHits(Game& game) {
    Player& player = game.player;
    if (!player.IsHitActive()) {
        return;
    }
    EnemyManager& enemies = game.enemies;
    for (int64_t slot = 0; slot < enemies.GetCount(); ++slot) {
        if (enemies.HitTest(slot, player.GetLineY(), player.GetHitX(), player.GetHitY(),
                            player.GetHitRadius())) {
            game.board.AddCombo();
            game.board.AddScore(player.GetHitScore() * game.board.GetCombo());
            enemies.Damage(slot, player.GetHitDamage(), player.GetFacing() == Facing::Right);
        }
    }
}

// Vulnerability is asked once; every slot is tested even after a touch.
void EnemyTouches(Game& game) {
    Player& player = game.player;
    if (!player.IsVulnerable()) {
        return;
    }
    EnemyManager& enemies = game.enemies;
    for (int64_t slot = 0; slot < enemies.GetCount(); ++slot) {
        if (enemies.HitTest(slot, player.GetLineY(), player.GetX(), player.GetY(),
                            player.GetHurtRadius())) {
            player.Hurt();
            game.board.SetCombo(0);
        }
    }
}

void FollowPlayer(Game& game) {
    Camera& camera = game.camera;
    const double playerX = game.player.GetX();
    const double onScreen = playerX - camera.GetViewX();
    if (onScreen < kCameraBandLeft) {
        camera.SetView(playerX - kCameraBandLeft, kCameraY);
    } else if (onScreen > kCameraBandRight) {
        camera.SetView(playerX - kCameraBandRight, kCameraY);
    }
}

// Back to front: a lower line covers a higher one, the player its own rocks.
void DrawField(Game& game) {
    const double viewX = game.camera.GetViewX();
    const double viewY = game.camera.GetViewY();
    game.stage.Draw(viewX, viewY);
    game.enemies.DrawHole(viewX, viewY);
    for (const int64_t lineY : kLineY) {
        game.enemies.DrawLine(viewX, viewY, lineY);
        game.player.Draw(viewX, viewY, lineY);
    }
    game.board.Draw(viewX, viewY);
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
    return game.toGenerate == 0 && !game.enemies.AnyActive();
}

enum class FrameEnd { Next, Leave };

// "Clear!" for its frames, then the retry offer until button 0 is let go.
FrameEnd EndOfGame(Game& game, const InputState& input, const BitmapFont& font) {
    if (!IsCleared(game)) {
        return FrameEnd::Next;
    }
    if (game.clearTimer > 0) {
        DrawBanner(font, kClear);
        --game.clearTimer;
        return FrameEnd::Next;
    }
    DrawBanner(font, kRetry);
    DrawBanner(font, kPushSpace);
    return input.ReleasedJump() ? FrameEnd::Leave : FrameEnd::Next;
}

FrameEnd RunFrame(Game& game, InputState& input, const BitmapFont& font) {
    input.Update();
    Player& player = game.player;
    GroundControls(input, player);
    MovementControls(input, player);
    AttackChain(input, player);
    Generate(game);
    game.enemies.Update(player.GetX(), player.GetLineY());
    player.Update(At(kLineY, player.GetLine(), "player line"));
    player.UpdateTimers();
    AttackHits(game);
    EnemyTouches(game);
    FollowPlayer(game);
    game.stage.Scroll(game.camera.GetShiftX(), game.camera.GetShiftY());
    game.board.Tick();
    DrawField(game);
    player.SetStateChanged(false);
    StartBanner(game, font);
    if (EndOfGame(game, input, font) == FrameEnd::Leave) {
        return FrameEnd::Leave;
    }
    lib::Act();
    return FrameEnd::Next;
}

}  // namespace

void RunGame(SceneSelector& selector, InputState& input, BitmapFont& font) {
    Game game;
    SetUp(game);
    while (RunFrame(game, input, font) == FrameEnd::Next) {
    }
    selector.SetScene(Scene::Title);
}

}  // namespace morva
