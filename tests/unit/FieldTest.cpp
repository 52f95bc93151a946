#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "FakeLibrary.h"
#include "game/Camera.h"
#include "game/ScoreBoard.h"
#include "game/Stage.h"

namespace morva {
namespace {

// The game's camera (delay 0) never shifts; a delayed one shifts by the
// step between its two oldest views.
TEST(CameraUnit, ViewAndShiftAfterEachSetView) {
    using Reading = std::array<double, 4>;  // view x, view y, shift x, shift y
    const std::pair<double, double> views[] = {{10, -10}, {25, 0}, {45, 0}, {70, 5}};
    const std::pair<int64_t, std::vector<Reading>> delays[] = {
        {0, {{0, 0, 0, 0}, {10, -10, 0, 0}, {25, 0, 0, 0}, {45, 0, 0, 0}, {70, 5, 0, 0}}},
        {1, {{0, 0, 0, 0}, {10, -10, 10, -10}, {25, 0, 15, 10}, {45, 0, 20, 0}, {70, 5, 25, 5}}},
        {3, {{0, 0, 0, 0}, {10, -10, 0, 0}, {25, 0, 0, 0}, {45, 0, 10, -10}, {70, 5, 15, 10}}},
    };
    for (const auto& [delay, expected] : delays) {
        Camera camera;
        camera.Init(delay);
        std::vector<Reading> seen;
        for (std::size_t i = 0; i <= std::size(views); ++i) {
            if (i > 0) {
                camera.SetView(views[i - 1].first, views[i - 1].second);
            }
            seen.push_back(
                {camera.GetViewX(), camera.GetViewY(), camera.GetShiftX(), camera.GetShiftY()});
        }
        EXPECT_EQ(seen, expected) << "delay " << delay;
    }
}

using Picture = std::pair<fake::Rect, fake::Rect>;  // source, destination

class StageUnit : public ::testing::Test {
protected:
    // Rnd results for the first trees: x, half width, half height, kind.
    // Later trees get every range's lower end: at x 0, off screen at view 0.
    void Make(const std::vector<std::array<int64_t, 4>>& rolls = {}) {
        for (const auto& r : rolls) {
            library.rndResults.insert(library.rndResults.end(), r.begin(), r.end());
        }
        stage.Init();
        stage.Load(0, 0, 1600, 900);
    }
    std::vector<Picture> Pictures(const char* file, double viewX) {
        library.draws.clear();
        stage.Draw(viewX, 0);
        std::vector<Picture> shown;
        for (const fake::DrawCall& call : library.DrawsOf(file)) {
            shown.emplace_back(call.Src(), call.Dst());
        }
        return shown;
    }

    fake::FakeLibrary library;
    Stage stage;
};

TEST_F(StageUnit, TreesTakeFourRndCallsEachInOrderAndScrollByDepth) {
    Make({{1000, 150, 300, 2}, {20000, 200, 400, 4}, {300, 100, 200, 3}});
    const fake::RndCall ranges[] = {{0, 20000}, {100, 200}, {200, 400}, {1, 4}};
    ASSERT_EQ(library.rndCalls.size(), 4u * 30u);
    for (std::size_t i = 0; i < library.rndCalls.size(); ++i) {
        EXPECT_EQ(library.rndCalls[i], ranges[i % 4]) << "Rnd call " << i;
    }
    // The roll's x is the tree's bottom-right corner; kind k is image k.
    EXPECT_EQ(Pictures("wood.zqtex", 0),
              (std::vector<Picture>{{{256, 0, 256, 512}, {700, -150, 300, 600}},
                                    {{512, 0, 256, 512}, {100, 50, 200, 400}}}));
    EXPECT_EQ(Pictures("wood.zqtex", 19000),
              (std::vector<Picture>{{{768, 0, 256, 512}, {600, -350, 400, 800}}}));
    stage.Scroll(100, -50);  // tree i moves by i / 50 of the shift: tree 0 stays
    EXPECT_EQ(Pictures("wood.zqtex", 0).at(0).second, (fake::Rect{700, -150, 300, 600}));
    EXPECT_EQ(Pictures("wood.zqtex", 0).at(1).second, (fake::Rect{104, 48, 200, 400}));
}

TEST_F(StageUnit, GroundTilesForAnyViewWhicheverSignModGives) {
    Make();
    // {view x, screen x of each tile drawn}; a tile is 2000 x 500 at y 400.
    const std::pair<double, std::vector<double>> rows[] = {
        {0, {-1000, 1000}},    {1999, {-999, 1001}}, {2000, {-1000, 1000}}, {2500, {-1500, 500}},
        {-1, {-999, 1001}},    {-500, {-500, 1500}}, {-1999, {-1001, 999}}, {-2000, {-1000, 1000}},
        {-2001, {-999, 1001}}, {-3000, {0}},         {-4500, {-500, 1500}}, {-9999, {-1001, 999}},
    };
    for (const char* mod : {"truncated", "floored"}) {
        for (const auto& [viewX, lefts] : rows) {
            std::vector<Picture> tiles;
            for (double x : lefts) {
                tiles.push_back({{0, 0, 512, 256}, {x, 400, 2000, 500}});
            }
            EXPECT_EQ(Pictures("ground.zqtex", viewX), tiles) << "view " << viewX << ", " << mod;
            EXPECT_EQ(library.DrawsOf("distant_view.zqtex").at(0).Dst(),
                      (fake::Rect{0, 0, 1600, 400}));
        }
        lib::Bindings()[static_cast<std::size_t>(lib::Export::Mod)] =
            reinterpret_cast<void*>(+[](double x, double y) { return x - y * std::floor(x / y); });
    }
}

class ScoreUnit : public ::testing::Test {
protected:
    ScoreUnit() {
        board.Init();
        board.Load(0, 0, 1600, 900);
    }
    // The glyphs drawn, in draw order.
    std::string Shown(double viewX = 0) {
        library.draws.clear();
        board.Draw(viewX, 0);
        std::string text;
        for (const fake::DrawCall& call : library.DrawsOf("font_128_64.zqtex")) {
            text += static_cast<char>(' ' + call.Src()[0] / 64 + 16 * (call.Src()[1] / 128));
        }
        return text;
    }
    static std::string Lines(const std::string& score) {
        return "SCORE:" + score + "HISCORE:000000000000";
    }
    std::pair<int64_t, int64_t> Combo() const { return {board.GetCombo(), board.GetComboTimer()}; }

    fake::FakeLibrary library;
    ScoreBoard board;
};

TEST_F(ScoreUnit, ScoreShowsItsLastTwelveDigitsAndTheHiScoreLineStaysAsAtInit) {
    EXPECT_EQ(Shown(), Lines("000000000000"));
    board.AddScore(780);
    EXPECT_EQ(Shown(), Lines("000000000780"));
    board.AddScore(1234567890123 - 780);
    board.SetHiScore(500);
    EXPECT_EQ(Shown(), Lines("234567890123"));
}

// The bar is 2 pixels per frame left wide about x 220 of the screen, at any
// view. SetCombo(0) hides the combo but leaves its timer.
TEST_F(ScoreUnit, ComboRunsOutOnThe181stTickWithItsGaugeShrinking) {
    for (int i = 0; i < 12; ++i) {
        board.AddCombo();
    }
    for (int64_t tick = 1; tick <= 180; ++tick) {
        board.Tick();
        const auto left = static_cast<double>(180 - tick);
        ASSERT_EQ(Shown(3456.5), "COMBO!12" + Lines("000000000000")) << tick;
        ASSERT_EQ(library.DrawsOf("combo.zqtex").at(0).Dst(),
                  (fake::Rect{220 - left, 220, 2 * left, 40}))
            << tick;
    }
    board.Tick();
    EXPECT_EQ(Combo(), std::pair(int64_t{0}, int64_t{0}));
    EXPECT_EQ(Shown(), Lines("000000000000"));
    EXPECT_TRUE(library.DrawsOf("gauge.zqtex").empty());
    board.Tick();
    EXPECT_EQ(Combo(), std::pair(int64_t{0}, int64_t{0})) << "an idle timer rests at 0";
    board.AddCombo();
    board.AddCombo();
    board.Tick();
    board.SetCombo(0);
    EXPECT_EQ(Combo(), std::pair(int64_t{0}, int64_t{179}));
    EXPECT_EQ(Shown(), Lines("000000000000"));
    board.AddCombo();
    EXPECT_EQ(Combo(), std::pair(int64_t{1}, int64_t{180}));
}

}  // namespace
}  // namespace morva
