#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "actors/Camera.h"
#include "field/ScoreBoard.h"
#include "field/Stage.h"

namespace morva {
namespace {

struct Rect {
    double x, y, w, h;
    bool operator==(const Rect&) const = default;
    friend std::ostream& operator<<(std::ostream& o, const Rect& r) {
        return o << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
    }
    static Rect Src(const fake::DrawCall& c) { return {c.srcX(), c.srcY(), c.srcW(), c.srcH()}; }
    static Rect Dst(const fake::DrawCall& c) { return {c.dstX(), c.dstY(), c.dstW(), c.dstH()}; }
};

constexpr std::size_t kTrees = 30;
constexpr Rect kGroundImage = {0, 0, 512, 256};
using Picture = std::pair<Rect, Rect>;  // source, destination

// Rnd results of a tree: x, half width, half height, kind; else the lower bounds.
using TreeRoll = std::array<int64_t, 4>;

class StageTest : public ::testing::Test {
protected:
    void Make(const std::vector<TreeRoll>& rolls = {}) {
        for (const TreeRoll& r : rolls) {
            library.rndResults.insert(library.rndResults.end(), r.begin(), r.end());
        }
        stage.Init();
        stage.Load(0, 0, 1600, 900);
    }

    std::vector<Picture> Pictures(const char* file, double viewX, double viewY = 0) {
        library.draws.clear();
        stage.Draw(viewX, viewY);
        std::vector<Picture> shown;
        for (const fake::DrawCall& call : library.DrawsOf(file)) {
            shown.emplace_back(Rect::Src(call), Rect::Dst(call));
        }
        return shown;
    }

    fake::FakeLibrary library;
    Stage stage;
};

TEST_F(StageTest, DrawsDistantViewGroundAndTreesBackToFront) {
    Make();
    EXPECT_EQ(library.loads,
              (std::vector<std::string>{"ground.zqtex", "distant_view.zqtex", "wood.zqtex"}));
    for (double viewX : {1999.0, -3210.5, 18000.0, -1.0}) {
        EXPECT_EQ(Pictures("distant_view.zqtex", viewX),
                  (std::vector<Picture>{{kGroundImage, {0, 0, 1600, 400}}}))
            << "view " << viewX;
    }
    std::string order;  // at view -1 the 30 trees at x 0 show one pixel
    for (const fake::DrawCall& call : library.draws) {
        order += library.TextureName(call.texture)[0];
        EXPECT_TRUE(call.rotated && call.args[10] == 0.0 && call.alpha() == 1.0) << call;
    }
    EXPECT_EQ(order, "dgg" + std::string(kTrees, 'w'));
}

TEST_F(StageTest, GroundTilesForTheViewPositionsWhicheverSignModGives) {
    Make();
    // {view x, left edges on screen of the tiles drawn}; a tile is 2000 x 500 at y 400.
    const std::vector<std::pair<double, std::vector<double>>> rows = {
        {0, {-1000, 1000}},    {1999, {-999, 1001}}, {2000, {-1000, 1000}}, {2500, {-1500, 500}},
        {-1, {-999, 1001}},    {-500, {-500, 1500}}, {-1999, {-1001, 999}}, {-2000, {-1000, 1000}},
        {-2001, {-999, 1001}}, {-3000, {0}},         {-4500, {-500, 1500}}, {-9999, {-1001, 999}},
    };
    for (const char* mod : {"truncated", "floored"}) {
        for (const auto& [viewX, lefts] : rows) {
            std::vector<Picture> tiles;
            for (double x : lefts) {
                tiles.push_back({kGroundImage, {x, 400, 2000, 500}});
            }
            EXPECT_EQ(Pictures("ground.zqtex", viewX), tiles) << "view " << viewX << ", " << mod;
        }
        lib::Bindings()[static_cast<std::size_t>(lib::Export::Mod)] =
            reinterpret_cast<void*>(+[](double x, double y) { return x - y * std::floor(x / y); });
    }
}

TEST_F(StageTest, GroundIsContinuousAcrossAStepOfTheGrid) {
    Make();
    // Texel column of the ground image shown at a world x, or NaN.
    const auto texel = [this](double viewX, double worldX) {
        for (const auto& [source, tile] : Pictures("ground.zqtex", viewX)) {
            if (worldX - viewX >= tile.x && worldX - viewX < tile.x + tile.w) {
                return source.w * (worldX - viewX - tile.x) / tile.w;
            }
        }
        return std::nan("");
    };
    // {world x, texel}: tiles are centred on multiples of 2000.
    const std::vector<std::pair<double, double>> texels = {
        {2000, 256}, {2500, 384}, {2999, 511.744}, {3000, 0}, {3001, 0.256}, {3598, 153.088}};
    for (const auto& [worldX, expected] : texels) {
        EXPECT_DOUBLE_EQ(texel(1999, worldX), expected) << "view 1999, world x " << worldX;
        EXPECT_DOUBLE_EQ(texel(2000, worldX), expected) << "view 2000, world x " << worldX;
    }
}

TEST_F(StageTest, TreesComeFromRndInTheirOrder) {
    Make({{1000, 150, 300, 2}, {20000, 200, 400, 4}, {300, 100, 200, 3}});
    // Each tree's x, half width, half height and kind, in that order.
    const std::pair<int64_t, int64_t> kRanges[] = {{0, 20000}, {100, 200}, {200, 400}, {1, 4}};
    ASSERT_EQ(library.rndCalls.size(), 4 * kTrees);
    for (std::size_t i = 0; i < 4 * kTrees; ++i) {
        const fake::RndCall& call = library.rndCalls[i];
        EXPECT_EQ(std::pair(call.min, call.max), kRanges[i % 4]) << "Rnd call " << i;
    }
    // View 0: trees 0 (kind 2) and 2 (kind 3); those at x 0 end on the left
    // edge and are culled. Tree 1, kind 4, ends the wood.
    EXPECT_EQ(Pictures("wood.zqtex", 0),
              (std::vector<Picture>{{{256, 0, 256, 512}, {700, -150, 300, 600}},
                                    {{512, 0, 256, 512}, {100, 50, 200, 400}}}));
    EXPECT_EQ(Pictures("wood.zqtex", 19000),
              (std::vector<Picture>{{{768, 0, 256, 512}, {600, -350, 400, 800}}}));
    // A kind 1 tree covers world x -200 to 100 and y -150 to 450 left of and above its corner.
    library.rndResults = {100, 150, 300, 1};
    Make();
    EXPECT_EQ(Pictures("wood.zqtex", -500, -200).at(0),
              (Picture{{0, 0, 256, 512}, {300, 50, 300, 600}}));
}

TEST_F(StageTest, TreesOffScreenCostNoDraw) {
    // Tree 0 begins on the right edge at view 0, tree 1 a pixel in; the rest end on the left.
    Make({{1800, 100, 200, 1}, {1799, 100, 200, 1}});
    const auto at = [](double x) { return Picture{{0, 0, 256, 512}, {x, 50, 200, 400}}; };
    EXPECT_EQ(Pictures("wood.zqtex", 0), (std::vector<Picture>{at(1599)}));
    EXPECT_EQ(Pictures("wood.zqtex", 1), (std::vector<Picture>{at(1599), at(1598)}));
    EXPECT_EQ(Pictures("wood.zqtex", -1), std::vector<Picture>(kTrees - 2, at(-199)));
    EXPECT_TRUE(Pictures("wood.zqtex", 10000).empty());
    EXPECT_TRUE(Pictures("wood.zqtex", -2000).empty());
}

using Reading = std::array<double, 4>;  // view x, view y, shift x, shift y

Reading Read(const Camera& c) {
    return {c.GetViewX(), c.GetViewY(), c.GetShiftX(), c.GetShiftY()};
}

// The game scene keeps the player 500 to 1100 pixels from the screen's left
// edge and scrolls the stage by the camera's shift, which is always zero.
TEST_F(StageTest, CameraFollowsInTheBandAndScrollMovesTreesByDepth) {
    Make(std::vector<TreeRoll>(kTrees, TreeRoll{1000, 150, 300, 2}));
    // {player x, view x}: the view may go below 0.
    const std::vector<std::pair<double, double>> steps = {
        {800, 0},       {1100, 0},   {1200, 100},    {1600, 500},    {1000, 500},    {1000.5, 500},
        {999.5, 499.5}, {400, -100}, {-2500, -3000}, {-1900, -3000}, {-1899, -2999}, {600, -500},
    };
    Camera camera;
    camera.Init(0);
    for (const auto& [playerX, viewX] : steps) {
        const double onScreen = playerX - camera.GetViewX();
        if (onScreen < 500 || onScreen > 1100) {
            camera.SetView(playerX - (onScreen < 500 ? 500 : 1100), 0);
        }
        ASSERT_EQ(Read(camera), (Reading{viewX, 0, 0, 0})) << "player at " << playerX;
        stage.Scroll(camera.GetShiftX(), camera.GetShiftY());
    }
    EXPECT_EQ(Pictures("wood.zqtex", -500),
              std::vector<Picture>(kTrees, {{256, 0, 256, 512}, {1200, -150, 300, 600}}));
    stage.Scroll(100, -50);  // tree i moves by i / 50 of the shift
    const std::vector<Picture> moved = Pictures("wood.zqtex", -500);
    EXPECT_EQ((std::vector<Rect>{moved.at(0).second, moved.at(1).second, moved.at(25).second}),
              (std::vector<Rect>{
                  {1200, -150, 300, 600}, {1202, -151, 300, 600}, {1250, -175, 300, 600}}));
}

// SetView to each reading's view. History entries 0 and 1 become one vector: delays 0
// and 1 never shift, a delay-n camera shifts once, on its (n-1)-th SetView, from the origin.
TEST(CameraTest, ShiftAfterEachSetViewByDelay) {
    const std::vector<Reading> still = {
        {300, 0, 0, 0}, {-150.5, 0, 0, 0}, {2000, 40, 0, 0}, {2000, 40, 0, 0}, {-7000, -3, 0, 0}};
    const std::vector<Reading> delayed = {
        {10, -10, 0, 0}, {25, -25, 25, -25}, {45, -45, 0, 0}, {70, -70, 0, 0}, {100, -100, 0, 0}};
    for (const auto& [delay, expected] : {std::pair{0, still}, {1, still}, {3, delayed}}) {
        Camera camera;
        camera.Init(delay);
        std::vector<Reading> seen;
        for (const Reading& r : expected) {
            camera.SetView(r[0], r[1]);
            seen.push_back(Read(camera));
        }
        EXPECT_EQ(seen, expected) << "delay " << delay;
    }
    Camera camera;
    EXPECT_THROW(camera.Init(-1), std::invalid_argument);
    EXPECT_THROW(camera.SetView(1, 1), std::out_of_range) << "before Init";
}

// A run of glyphs side by side, read back from the 64 x 128 cells of a drawn frame,
// and its first destination.
using DrawnText = std::pair<std::string, Rect>;
const DrawnText kHiScore = {"HISCORE:000000000000", {950, 30, 30, 60}};
const DrawnText kWord = {"COMBO!", {120, 160, 50, 100}};

class ScoreBoardTest : public ::testing::Test {
protected:
    ScoreBoardTest() {
        board.Init();
        board.Load(0, 0, 1600, 900);
    }
    static DrawnText Score(std::string d) { return {"SCORE:" + d, {1010, 90, 30, 60}}; }
    static DrawnText Count(const char* count) { return {count, {50, 50, 75, 150}}; }

    // Frames of the scene: each with its hits, scoring points times the combo, then Tick.
    void Frames(int frames, int64_t hits = 0, int64_t points = 10) {
        for (int f = 0; f < frames; ++f) {
            for (int64_t i = 0; i < hits; ++i) {
                board.AddCombo();
                board.AddScore(points * board.GetCombo());
            }
            board.Tick();
        }
    }

    std::vector<DrawnText> Texts(double viewX = 0) {
        library.draws.clear();
        board.Draw(viewX, 0);
        std::vector<DrawnText> texts;
        Rect last{};
        for (const fake::DrawCall& call : library.DrawsOf("font_128_64.zqtex")) {
            const Rect at = Rect::Dst(call);
            if (texts.empty() || at != Rect{last.x + last.w, last.y, last.w, last.h}) {
                texts.push_back({"", at});
            }
            texts.back().first += char(' ' + call.srcX() / 64 + 16 * (call.srcY() / 128));
            last = at;
        }
        return texts;
    }

    fake::FakeLibrary library;
    ScoreBoard board;
};

TEST_F(ScoreBoardTest, NewBoardShowsOnlyTheScoreLines) {
    EXPECT_EQ(library.loads,
              (std::vector<std::string>{"font_128_64.zqtex", "combo.zqtex", "gauge.zqtex"}));
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{Score("000000000000"), kHiScore}));
    EXPECT_EQ(library.draws.size(), 38u) << "no gauge without a combo";
    board.AddScore(1234567890123);  // 13 digits: the last 12 show
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{Score("234567890123"), kHiScore}));
}

TEST_F(ScoreBoardTest, ThreeHitsInARowThenTwoInOneFrame) {
    std::vector<std::pair<int64_t, int64_t>> seen;  // combo, score
    for (int hit = 0; hit < 3; ++hit) {
        Frames(1, 1);
        seen.emplace_back(board.GetCombo(), board.GetScore());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int64_t, int64_t>>{{1, 10}, {2, 30}, {3, 60}}));
    EXPECT_EQ(Texts(),
              (std::vector<DrawnText>{kWord, Count("3"), Score("000000000060"), kHiScore}));
    Frames(1, 2, 40);  // the second hit scores with the higher combo: 160 + 200
    EXPECT_EQ(board.GetCombo(), 5);
    EXPECT_EQ(board.GetScore(), 420);
    EXPECT_EQ(board.GetComboTimer(), 179);
}

TEST_F(ScoreBoardTest, ComboRunsOutOnThe181stTick) {
    std::vector<Rect> bars, expected;
    for (Frames(1, 1); bars.size() < 180; Frames(1)) {
        // The gauge bar shrinks by 2 pixels a frame about x 220, from 358 to 0.
        EXPECT_EQ(Texts()[1], Count("1"));
        bars.push_back(Rect::Dst(library.draws.at(0)));
        const double w = 358 - 2.0 * static_cast<double>(expected.size());
        expected.push_back({220 - w / 2, 220, w, 40});
    }
    EXPECT_EQ(bars, expected);
    EXPECT_EQ(bars[89], (Rect{130, 220, 180, 40})) << "half way";
    EXPECT_EQ(bars.back(), (Rect{220, 220, 0, 40}));
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{Score("000000000010"), kHiScore}));
    EXPECT_EQ(library.draws.size(), 38u) << "no gauge, word or count";
    Frames(1);
    EXPECT_EQ(board.GetComboTimer(), 0) << "the idle timer rests at 0";
}

TEST_F(ScoreBoardTest, SetComboZeroHidesCountWordAndGauge) {
    Frames(1, 2);
    Frames(29);
    board.SetCombo(0);
    EXPECT_EQ(board.GetComboTimer(), 150) << "the timer is left alone";
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{Score("000000000030"), kHiScore}));
    EXPECT_EQ(library.draws.size(), 38u);
    Frames(1, 1);
    EXPECT_EQ(board.GetCombo(), 1) << "a new combo starts from 1";
    EXPECT_EQ(board.GetComboTimer(), 179);
    EXPECT_EQ(board.GetScore(), 40);
}

TEST_F(ScoreBoardTest, FrameWithCombo12) {
    Frames(12, 1);
    Frames(30);  // then drawn at view x 3456.5: fixed to the screen
    EXPECT_EQ(Texts(3456.5),
              (std::vector<DrawnText>{kWord, Count("12"), Score("000000000780"), kHiScore}));
    ASSERT_EQ(library.draws.size(), 2u + 6u + 2u + 18u + 20u);
    EXPECT_EQ(library.TextureName(library.draws[0].texture), "combo.zqtex");
    EXPECT_EQ(library.draws[0].args,
              (std::vector<double>{0, 0, 32, 32, 71, 220, 298, 40, 149, 20, 0, 1, 1, 1, 1}));
    EXPECT_EQ(library.TextureName(library.draws[1].texture), "gauge.zqtex");
    EXPECT_EQ(library.draws[1].args,
              (std::vector<double>{0, 0, 256, 32, 40, 220, 360, 40, 180, 20, 0, 1, 1, 1, 1}));
    // "1" and "2" are cells 1 and 2 of row 1; every glyph is opaque.
    EXPECT_EQ((std::pair{Rect::Src(library.draws[8]), Rect::Src(library.draws[9])}),
              (std::pair<Rect, Rect>{{64, 128, 64, 128}, {128, 128, 64, 128}}));
    for (std::size_t i = 2; i < library.draws.size(); ++i) {
        EXPECT_EQ(library.draws[i].alpha(), 1.0) << library.draws[i];
    }
}

}  // namespace
}  // namespace morva
