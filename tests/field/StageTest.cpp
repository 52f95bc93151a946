#include "field/Stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FakeLibrary.h"
#include "Rect.h"
#include "actors/Camera.h"

namespace morva {
namespace {

constexpr int64_t kTrees = 30;
constexpr Rect kGroundImage = {0, 0, 512, 256};

// Scripts the four Rnd results of each listed tree; later trees get the
// fake's default, the lower bound: x 0, half (100, 200), kind 1.
struct TreeRoll {
    int64_t x, halfW, halfH, kind;
};

class StageTest : public ::testing::Test {
protected:
    void Make(const std::vector<TreeRoll>& rolls = {}) {
        for (const TreeRoll& roll : rolls) {
            library.rndResults.insert(library.rndResults.end(),
                                      {roll.x, roll.halfW, roll.halfH, roll.kind});
        }
        stage.Init();
        stage.Load(0, 0, 1600, 900);
    }

    std::vector<fake::DrawCall> Frame(double viewX, const char* file) {
        library.draws.clear();
        stage.Draw(viewX, 0);
        return library.DrawsOf(file);
    }

    std::vector<Rect> GroundAt(double viewX) {
        std::vector<Rect> tiles;
        for (const fake::DrawCall& call : Frame(viewX, "ground.zqtex")) {
            EXPECT_EQ(Source(call), kGroundImage);
            tiles.push_back(Destination(call));
        }
        return tiles;
    }

    std::vector<Rect> TreesAt(double viewX, double viewY = 0) {
        library.draws.clear();
        stage.Draw(viewX, viewY);
        std::vector<Rect> shown;
        for (const fake::DrawCall& call : library.DrawsOf("wood.zqtex")) {
            shown.push_back(Destination(call));
        }
        return shown;
    }

    fake::FakeLibrary library;
    Stage stage;
};

TEST_F(StageTest, LoadsItsThreeTexturesAndDrawsBackToFront) {
    Make();
    EXPECT_EQ(library.loads,
              (std::vector<std::string>{"ground.zqtex", "distant_view.zqtex", "wood.zqtex"}));
    EXPECT_EQ(stage.GetTreeCount(), kTrees);

    library.draws.clear();
    stage.Draw(-1, 0);  // one pixel left of the origin: tree 0 at x 0 shows
    ASSERT_EQ(library.draws.size(), 1u + 2u + kTrees);
    EXPECT_EQ(library.TextureName(library.draws[0].texture), "distant_view.zqtex");
    EXPECT_EQ(library.TextureName(library.draws[1].texture), "ground.zqtex");
    EXPECT_EQ(library.TextureName(library.draws[2].texture), "ground.zqtex");
    EXPECT_EQ(library.TextureName(library.draws[3].texture), "wood.zqtex");
    for (const fake::DrawCall& call : library.draws) {
        EXPECT_TRUE(call.rotated) << call;
        EXPECT_EQ(call.args[10], 0.0) << "angle of " << call;
        EXPECT_EQ(call.alpha(), 1.0) << call;
    }
}

TEST_F(StageTest, DistantViewCoversTheTopOfTheScreenFromAnyView) {
    Make();
    for (double viewX : {0.0, 1999.0, -3210.5, 18000.0}) {
        const std::vector<fake::DrawCall> drawn = Frame(viewX, "distant_view.zqtex");
        ASSERT_EQ(drawn.size(), 1u) << "view " << viewX;
        EXPECT_EQ(Source(drawn[0]), kGroundImage) << "view " << viewX;
        EXPECT_EQ(Destination(drawn[0]), (Rect{0, 0, 1600, 400})) << "view " << viewX;
    }
}

TEST_F(StageTest, GroundTilesForTheViewPositions) {
    Make();
    // Origin 0: the tile at 0 from screen -1000 and the one at 2000.
    EXPECT_EQ(GroundAt(0), (std::vector<Rect>{{-1000, 400, 2000, 500}, {1000, 400, 2000, 500}}));
    // Still origin 0: the tile at 0 just culled, the one at 4000 just in.
    EXPECT_EQ(GroundAt(1999), (std::vector<Rect>{{-999, 400, 2000, 500}, {1001, 400, 2000, 500}}));
    // Origin 2000: the same two tiles one pixel further left.
    EXPECT_EQ(GroundAt(2000), (std::vector<Rect>{{-1000, 400, 2000, 500}, {1000, 400, 2000, 500}}));
    EXPECT_EQ(GroundAt(2500), (std::vector<Rect>{{-1500, 400, 2000, 500}, {500, 400, 2000, 500}}));
    EXPECT_EQ(GroundAt(-500), (std::vector<Rect>{{-500, 400, 2000, 500}, {1500, 400, 2000, 500}}));
    EXPECT_EQ(GroundAt(-4500), (std::vector<Rect>{{-500, 400, 2000, 500}, {1500, 400, 2000, 500}}));
    // A single tile fills the screen.
    EXPECT_EQ(GroundAt(-3000), (std::vector<Rect>{{0, 400, 2000, 500}}));
}

double FlooredMod(double x, double y) {
    return x - y * std::floor(x / y);
}

TEST_F(StageTest, NegativeViewIsCoveredWhicheverSignModGives) {
    Make();
    const std::vector<double> views = {-1, -500, -1999, -2000, -2001, -3000, -4500, -9999};
    std::vector<std::vector<Rect>> truncated;
    for (double viewX : views) {
        truncated.push_back(GroundAt(viewX));
    }
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Mod)] =
        reinterpret_cast<void*>(&FlooredMod);
    for (std::size_t i = 0; i < views.size(); ++i) {
        const std::vector<Rect> floored = GroundAt(views[i]);
        EXPECT_EQ(floored, truncated[i]) << "view " << views[i];
        ASSERT_FALSE(floored.empty()) << "view " << views[i];
        EXPECT_LE(floored.front().x, 0.0) << "view " << views[i];
        EXPECT_GE(floored.back().x + floored.back().w, 1600.0) << "view " << views[i];
    }
}

// Texel column of the ground image that a screen column shows, or NaN.
double GroundTexel(const std::vector<Rect>& tiles, double screenX) {
    for (const Rect& tile : tiles) {
        if (screenX >= tile.x && screenX < tile.x + tile.w) {
            return kGroundImage.w * (screenX - tile.x) / tile.w;
        }
    }
    return std::nan("");
}

TEST_F(StageTest, GroundIsContinuousAcrossAStepOfTheGrid) {
    Make();
    const std::vector<Rect> before = GroundAt(1999);
    const std::vector<Rect> after = GroundAt(2000);
    // Tiles are centred on multiples of 2000, so a tile's left edge is at
    // an odd thousand.
    for (double worldX : {2000.0, 2500.0, 2999.0, 3000.0, 3001.0, 3598.0}) {
        const double texelBefore = GroundTexel(before, worldX - 1999);
        const double texelAfter = GroundTexel(after, worldX - 2000);
        EXPECT_EQ(texelBefore, texelAfter) << "world x " << worldX;
        EXPECT_EQ(texelAfter, std::fmod(worldX + 1000, 2000) * 512 / 2000) << "world x " << worldX;
    }
}

TEST_F(StageTest, TreesComeFromRndInTheirOrder) {
    Make({{1000, 150, 300, 2}, {20000, 200, 400, 4}, {300, 100, 200, 3}});
    ASSERT_EQ(library.rndCalls.size(), 4u * kTrees);
    for (int64_t i = 0; i < kTrees; ++i) {
        const auto at = static_cast<std::size_t>(4 * i);
        EXPECT_EQ(library.rndCalls[at].min, 0) << "tree " << i << " x";
        EXPECT_EQ(library.rndCalls[at].max, 20000) << "tree " << i << " x";
        EXPECT_EQ(library.rndCalls[at + 1].min, 100) << "tree " << i << " half width";
        EXPECT_EQ(library.rndCalls[at + 1].max, 200) << "tree " << i << " half width";
        EXPECT_EQ(library.rndCalls[at + 2].min, 200) << "tree " << i << " half height";
        EXPECT_EQ(library.rndCalls[at + 2].max, 400) << "tree " << i << " half height";
        EXPECT_EQ(library.rndCalls[at + 3].min, 1) << "tree " << i << " kind";
        EXPECT_EQ(library.rndCalls[at + 3].max, 4) << "tree " << i << " kind";
    }

    // At view 0: tree 0 (kind 2) and tree 2 (kind 3); the others stand at
    // x 0, their right edge on the screen's left edge, and are culled.
    library.draws.clear();
    stage.Draw(0, 0);
    const std::vector<fake::DrawCall> near = library.DrawsOf("wood.zqtex");
    ASSERT_EQ(near.size(), 2u);
    EXPECT_EQ(Source(near[0]), (Rect{256, 0, 256, 512}));
    EXPECT_EQ(Destination(near[0]), (Rect{700, -150, 300, 600}));
    EXPECT_EQ(Source(near[1]), (Rect{512, 0, 256, 512}));
    EXPECT_EQ(Destination(near[1]), (Rect{100, 50, 200, 400}));

    // Tree 1, kind 4, ends at the far end of the wood.
    library.draws.clear();
    stage.Draw(19000, 0);
    const std::vector<fake::DrawCall> far = library.DrawsOf("wood.zqtex");
    ASSERT_EQ(far.size(), 1u);
    EXPECT_EQ(Source(far[0]), (Rect{768, 0, 256, 512}));
    EXPECT_EQ(Destination(far[0]), (Rect{600, -350, 400, 800}));
}

TEST_F(StageTest, TreeCoversTheRectangleLeftAndAboveItsCorner) {
    Make({{100, 150, 300, 1}});
    const double viewX = -500;
    const double viewY = -200;
    const std::vector<Rect> shown = TreesAt(viewX, viewY);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(Source(library.DrawsOf("wood.zqtex")[0]), (Rect{0, 0, 256, 512})) << "kind 1";
    const Rect world = {shown[0].x + viewX, shown[0].y + viewY, shown[0].w, shown[0].h};
    // World x -200 to 100, y -150 to 450.
    EXPECT_EQ(world, (Rect{-200, -150, 300, 600}));
}

TEST_F(StageTest, TreesOffScreenCostNoDraw) {
    // Tree 0 half width 100 at x 1800: its left edge on the screen's right
    // edge at view 0; tree 1 one pixel further in.
    Make({{1800, 100, 200, 1}, {1799, 100, 200, 1}});
    // The default trees at x 0 end exactly on the left edge: culled.
    EXPECT_EQ(TreesAt(0), (std::vector<Rect>{{1599, 50, 200, 400}}));
    // One pixel to the right, tree 0 comes in.
    EXPECT_EQ(TreesAt(1), (std::vector<Rect>{{1599, 50, 200, 400}, {1598, 50, 200, 400}}));
    // One pixel to the left, both are out and the 28 trees at x 0 come in.
    EXPECT_EQ(TreesAt(-1), std::vector<Rect>(kTrees - 2, Rect{-199, 50, 200, 400}));
    EXPECT_TRUE(TreesAt(10000).empty());
    EXPECT_TRUE(TreesAt(-2000).empty());
}

TEST_F(StageTest, ScrollMovesEachTreeByItsDepthShare) {
    std::vector<TreeRoll> rolls(kTrees, TreeRoll{1000, 100, 200, 1});
    Make(rolls);
    const std::vector<Rect> still = TreesAt(0);
    ASSERT_EQ(still.size(), static_cast<std::size_t>(kTrees));
    stage.Scroll(0, 0);
    EXPECT_EQ(TreesAt(0), still);

    // Tree i moves by i / 50 of the shift: tree 0 not at all.
    stage.Scroll(100, -50);
    const std::vector<Rect> moved = TreesAt(0);
    ASSERT_EQ(moved.size(), static_cast<std::size_t>(kTrees));
    for (std::size_t i = 0; i < moved.size(); ++i) {
        const double share = static_cast<double>(i) / 50;
        EXPECT_DOUBLE_EQ(moved[i].x, still[i].x + 100 * share) << "tree " << i;
        EXPECT_DOUBLE_EQ(moved[i].y, still[i].y - 50 * share) << "tree " << i;
    }
}

TEST_F(StageTest, ScrollWithTheCameraShiftMovesNothing) {
    std::vector<TreeRoll> rolls(kTrees, TreeRoll{1000, 150, 300, 2});
    Make(rolls);
    const std::vector<Rect> before = TreesAt(0);

    Camera camera;
    camera.Init(0);
    for (double playerX : {1200.0, 5000.0, 4000.0, 0.0, -300.0, 1300.0}) {
        const double onScreen = playerX - camera.GetViewX();
        if (onScreen < 500) {
            camera.SetView(playerX - 500, 0);
        } else if (onScreen > 1100) {
            camera.SetView(playerX - 1100, 0);
        }
        stage.Scroll(camera.GetShiftX(), camera.GetShiftY());
    }
    EXPECT_EQ(camera.GetViewX(), 200.0);
    std::vector<Rect> expected = before;
    for (Rect& tree : expected) {
        tree.x -= 200;
    }
    EXPECT_EQ(TreesAt(camera.GetViewX()), expected);
}

}  // namespace
}  // namespace morva
