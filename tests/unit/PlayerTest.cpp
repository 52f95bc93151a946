#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FakeLibrary.h"
#include "engine/InputState.h"
#include "game/Player.h"
#include "game/SmokeEmitter.h"
#include "scenes/GameControls.h"

namespace morva {
namespace {

// The library's numbers of the buttons the game reads.
enum Button : std::size_t { kJump = 0, kAttack = 2, kLeft = 12, kRight = 13, kUp = 14, kDown = 15 };

// Drives the hero as the game scene does, one frame at a time.
class PlayerUnit : public ::testing::Test {
protected:
    PlayerUnit() { Restart(); }
    void Restart() {
        player = Player{};
        player.Init();
        player.LoadSprites(0, 0, 1600, 900);
        player.InitAttackTable();
        player.InitSmoke();
        player.LoadSmokeSprite(0, 0, 1600, 900);
        player.SetLine(3);
        input.Init();
        library.pad.fill(0);
    }
    // Holds the buttons given and lets go of the rest; true when the body was drawn.
    bool Frame(std::initializer_list<Button> held = {}) {
        for (std::size_t b = 0; b < library.pad.size(); ++b) {
            const bool hold = std::find(held.begin(), held.end(), b) != held.end();
            library.pad[b] = hold ? library.pad[b] + 1 : 0;
        }
        input.Update();
        GroundControls(input, player);
        MovementControls(input, player);
        AttackChain(input, player);
        player.Update(kLineY.at(static_cast<std::size_t>(player.GetLine())));
        player.UpdateTimers();
        library.draws.clear();
        player.Draw(0, 0, player.GetLineY());
        player.SetStateChanged(false);
        return !library.DrawsOf("pelomar256.zqtex").empty();
    }
    void Frames(int64_t count, std::initializer_list<Button> held = {}) {
        for (int64_t i = 0; i < count; ++i) {
            Frame(held);
        }
    }

    void StandFacingLeft() {
        Frames(27);
        Frame({kLeft});
        Frame();
    }
    void WalkIntoATouch() {  // ten frames to x 750
        Frames(27);
        Frames(10, {kRight});
        player.Hurt();
    }

    fake::FakeLibrary library;
    Player player;
    InputState input;
};

// Dropped in at the start, jumping (away from the facing) or thrown back by a
// touch, the hero gains 2 pixels per frame of fall each frame and lands in the
// first frame that would take it below its line: exactly on it, it still flies.
TEST_F(PlayerUnit, FlightsLandInTheirFrame) {
    struct Flight {  // jump: pushed in the flight's first frame
        const char* what;
        std::function<void()> before;
        bool jump;
        double vx, vy;
        int64_t landsIn;
    };
    const Flight flights[] = {
        {"dropped in", [] {}, false, 0, 0, 27},
        {"jump facing right", [this] { Frames(27); }, true, -12, -12, 14},
        {"jump facing left", [this] { StandFacingLeft(); }, true, 12, -12, 14},
        {"thrown", [this] { WalkIntoATouch(); }, false, -10, -10, 12},
    };
    for (const Flight& flight : flights) {
        SCOPED_TRACE(flight.what);
        Restart();
        flight.before();
        const double x = player.GetX(), y = player.GetY();
        for (int64_t f = 1; f <= flight.landsIn + 1; ++f) {
            if (flight.jump && f == 1) {
                Frame({kJump});
            } else {
                Frame();
            }
            const auto t = static_cast<double>(std::min(f, flight.landsIn));
            ASSERT_EQ(player.GetX(), x + flight.vx * t) << f;
            ASSERT_EQ(player.GetY(), f < flight.landsIn ? y + flight.vy * t + t * (t - 1) : 700.0)
                << f;
            ASSERT_EQ(player.IsLanded(), f >= flight.landsIn) << f;
        }
        EXPECT_EQ(player.GetMotion(), Motion::Stand);
    }
}

using Runs = std::vector<std::array<int64_t, 3>>;  // first frame, last frame, damage
// By damage: the hit circle ahead of and below the body, its radius, the score.
using Circles = std::map<int64_t, std::array<double, 4>>;

class AttackUnit : public PlayerUnit {
protected:
    // Frames 1..count with Attack pushed where push(f) says. Keeps what each
    // frame showed (- nothing, B the body, S body and sword) and the runs of
    // frames with an open hit window.
    void Attack(int64_t count, const std::function<bool(int64_t)>& push) {
        hits.clear();
        shown.clear();
        for (int64_t f = 1; f <= count; ++f) {
            const bool body = push(f) ? Frame({kAttack}) : Frame();
            shown += !body ? '-' : library.DrawsOf("sword.zqtex").empty() ? 'B' : 'S';
            if (!player.IsHitActive()) {
                continue;
            }
            const int64_t damage = player.GetHitDamage();
            if (hits.empty() || hits.back()[1] != f - 1 || hits.back()[2] != damage) {
                hits.push_back({f, f, damage});
            }
            hits.back()[1] = f;
            circles[damage] = {(player.GetHitX() - player.GetX()) * Ahead(player.GetFacing()),
                               player.GetHitY() - player.GetY(), player.GetHitRadius(),
                               static_cast<double>(player.GetHitScore())};
        }
    }

    Runs hits;
    Circles circles;
    std::string shown;
};

// The chain is taken from the frame after a window opened to the frame after
// it closed, never past step 3; each step runs its whole swing.
TEST_F(AttackUnit, StepTimingsAndChainWindowsInBothFacings) {
    struct Case {
        std::vector<int64_t> pushes;
        Runs hits;
        int64_t swordFrames;
    };
    const Case cases[] = {
        {{1}, {{20, 25, 18}}, 39},
        {{1, 20}, {{20, 25, 18}}, 39},
        {{1, 21}, {{20, 20, 18}, {39, 44, 12}}, 58},
        {{1, 26}, {{20, 25, 18}, {44, 49, 12}}, 63},
        {{1, 27}, {{20, 25, 18}}, 39},
        {{1, 21, 40, 62, 64, 67}, {{20, 20, 18}, {39, 39, 12}, {61, 66, 25}}, 84},
    };
    for (const bool left : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << (left ? "left, " : "right, ") << c.pushes.size()
                                              << " pushes, last " << c.pushes.back());
            Restart();
            left ? StandFacingLeft() : Frames(27);
            const double x = player.GetX();
            Attack(90, [&c](int64_t f) {
                return std::find(c.pushes.begin(), c.pushes.end(), f) != c.pushes.end();
            });
            EXPECT_EQ(hits, c.hits);
            EXPECT_EQ(std::count(shown.begin(), shown.end(), 'S'), c.swordFrames);
            EXPECT_EQ(player.GetX(), x);
            EXPECT_EQ(player.GetMotion(), Motion::Stand);
        }
        EXPECT_EQ(
            circles,
            (Circles{{18, {200, 40, 40, 10}}, {12, {200, 40, 40, 15}}, {25, {280, 40, 40, 40}}}));
        circles.clear();
    }
}

// Hidden while the timer holds 57..55, 51..49, ..., 3..1, the sword too.
TEST_F(AttackUnit, TouchEndsTheAttackAndTheHeroBlinksUntouchableForSixtyFrames) {
    Frames(27);
    Attack(39, [](int64_t f) { return f == 1 || f == 21; });
    ASSERT_EQ(hits.back(), (std::array<int64_t, 3>{39, 39, 12}));
    player.Hurt();
    EXPECT_FALSE(player.IsHitActive()) << "the unseen sword stops cutting";
    EXPECT_EQ(player.GetHitDamage(), 18) << "back at step 1";
    Attack(61, [this](int64_t f) {
        EXPECT_FALSE(player.IsVulnerable()) << "after frame " << f - 1;
        return f == 13;  // as soon as it has landed
    });
    EXPECT_EQ(shown, "BB---BBB---BSS---SSS---SSS---SSS---SSS---SSS---SSS---BBB---BB");
    EXPECT_EQ(hits, (Runs{{32, 37, 18}}));
    EXPECT_TRUE(player.IsVulnerable());
}

TEST(SmokeUnit, PuffsSpinFadeRiseAndRetireAndAFullPoolRefuses) {
    fake::FakeLibrary library;
    SmokeEmitter smoke;
    smoke.Init(0.5, 0.25, 2, 30.0, 0.0, -1.0, 3);  // per frame: radians, opacity, speed
    using Puff = std::array<double, 6>;            // active, x, y, age, angle, alpha
    const auto slot = [&](int64_t i) {
        return Puff{double(smoke.IsActive(i)), smoke.GetX(i),     smoke.GetY(i),
                    double(smoke.GetAge(i)),   smoke.GetAngle(i), smoke.GetAlpha(i)};
    };
    for (int64_t i = 0; i < 3; ++i) {
        smoke.Emit(100.0 * double(i), 20);
        smoke.Update();
    }
    smoke.Emit(999, 999);  // the pool is full
    EXPECT_EQ((std::vector{slot(0), slot(1), slot(2)}),
              (std::vector<Puff>{
                  {1, 0, 14, 3, 1.5, 0.25}, {1, 100, 17, 2, 1, 0.5}, {1, 200, 19, 1, 0.5, 0.75}}));
    smoke.Update();  // past its two frames: slot 0 retires as it is
    EXPECT_EQ(slot(0), (Puff{0, 0, 14, 3, 1.5, 0.25}));
    smoke.Emit(5, 6);  // the lowest free slot, keeping its angle
    EXPECT_EQ(slot(0), (Puff{1, 5, 6, 0, 1.5, 1}));
    EXPECT_THROW(smoke.IsActive(3), std::out_of_range);
}

}  // namespace
}  // namespace morva
