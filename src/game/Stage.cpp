#include "game/Stage.h"

#include <array>

#include "engine/Checked.h"

namespace morva {
namespace {

constexpr double kGroundCentreX = 1000.0;  // pixels
constexpr double kGroundCentreY = 650.0;   // pixels: tiles cover y 400 to 900
constexpr double kGroundHalfW = 1000.0;    // pixels: a tile is 2000 wide
constexpr double kGroundHalfH = 250.0;     // pixels
// Tiles drawn either side of the grid origin; five reach 5000 pixels each way,
// enough for either sign of Mod with a negative view.
constexpr int64_t kGroundTileReach = 2;

constexpr double kDistantHalfW = 800.0;  // pixels: the whole screen width
constexpr double kDistantHalfH = 200.0;  // pixels: the top 400 of the screen

constexpr double kDepthScale = 500.0;
constexpr double kTreeDepthStep = 10.0;  // per tree index
constexpr int64_t kTreeCount = 30;
constexpr int64_t kTreeXMin = 0;        // pixels, world
constexpr int64_t kTreeXMax = 20000;    // pixels, world
constexpr double kTreeFootY = 450.0;    // pixels: 50 below the ground's top edge
constexpr int64_t kTreeHalfWMin = 100;  // pixels
constexpr int64_t kTreeHalfWMax = 200;  // pixels
constexpr int64_t kTreeHalfHMin = 200;  // pixels
constexpr int64_t kTreeHalfHMax = 400;  // pixels
constexpr int64_t kTreeKindMin = 1;
constexpr int64_t kTreeKindMax = 4;
constexpr int64_t kTreeKindAnimeStep = 100;  // kind k is animation id 100 k

constexpr int64_t kDrawTime = 0;  // frames: every picture here is a still
constexpr double kDrawAngle = 0.0;
constexpr double kDrawAlpha = 1.0;
constexpr double kHalvesPerSize = 2.0;

// Every picture here is a still: one frame of duration 1.
constexpr int64_t kStillDuration = 1;  // frames
constexpr double kStillAngle = 0.0;
constexpr int64_t kStillAnime = 100;

constexpr std::array<SheetAnime, 1> kGroundAnimes = {{{kStillAnime, false, 1}}};
constexpr std::array<SheetFrame, 1> kGroundFrames = {
    {{0, 0, 512, 256, kStillAngle, kStillDuration}}};
constexpr std::array<SheetAnime, 1> kDistantAnimes = {{{kStillAnime, false, 1}}};
constexpr std::array<SheetFrame, 1> kDistantFrames = {
    {{0, 0, 512, 256, kStillAngle, kStillDuration}}};
// The four tree images side by side; only the first does not loop.
constexpr std::array<SheetAnime, 4> kTreeAnimes = {{
    {100, false, 1},
    {200, true, 1},
    {300, true, 1},
    {400, true, 1},
}};
constexpr std::array<SheetFrame, 4> kTreeFrames = {{
    {0, 0, 256, 512, kStillAngle, kStillDuration},
    {256, 0, 256, 512, kStillAngle, kStillDuration},
    {512, 0, 256, 512, kStillAngle, kStillDuration},
    {768, 0, 256, 512, kStillAngle, kStillDuration},
}};
static_assert(kTreeAnimes.size() == kTreeKindMax - kTreeKindMin + 1, "one image per tree kind");
static_assert(FrameTotal(kTreeAnimes) == kTreeFrames.size());

double RndPixels(int64_t min, int64_t max) {
    return static_cast<double>(lib::Rnd(min, max));
}

}  // namespace

void Stage::Init() {
    groundPos.Set(kGroundCentreX, kGroundCentreY);
    groundHalf.Set(kGroundHalfW, kGroundHalfH);
    distantHalf.Set(kDistantHalfW, kDistantHalfH);
    depthScale = kDepthScale;
    treeCount = kTreeCount;

    trees.assign(static_cast<std::size_t>(treeCount), Tree{});
    for (int64_t i = 0; i < treeCount; ++i) {
        Tree& tree = At(trees, i, "trees");
        tree.depth = kTreeDepthStep * static_cast<double>(i);
        tree.factor = tree.depth / depthScale;
        // Separate statements: the order of the Rnd calls is part of the
        // stage, and argument evaluation order is not fixed.
        const double x = RndPixels(kTreeXMin, kTreeXMax);
        tree.pos.Set(x, kTreeFootY);
        const double halfW = RndPixels(kTreeHalfWMin, kTreeHalfWMax);
        const double halfH = RndPixels(kTreeHalfHMin, kTreeHalfHMax);
        tree.half.Set(halfW, halfH);
        tree.kind = lib::Rnd(kTreeKindMin, kTreeKindMax) * kTreeKindAnimeStep;
    }
}

void Stage::Load(double viewX, double viewY, double viewW, double viewH) {
    ground.LoadSheet(u"ground.zqtex", kGroundAnimes, kGroundFrames, viewX, viewY, viewW, viewH);
    distantView.LoadSheet(u"distant_view.zqtex", kDistantAnimes, kDistantFrames, viewX, viewY,
                          viewW, viewH);
    treeSprite.LoadSheet(u"wood.zqtex", kTreeAnimes, kTreeFrames, viewX, viewY, viewW, viewH);
}

void Stage::Scroll(double dx, double dy) {
    for (Tree& tree : trees) {
        tree.pos.Add(dx * tree.factor, dy * tree.factor);
    }
}

void Stage::Draw(double viewX, double viewY) {
    distantView.Draw(kStillAnime, kDrawTime, viewX + distantHalf.GetX(), viewY + distantHalf.GetY(),
                     distantHalf.GetX(), distantHalf.GetY(), kDrawAngle, kDrawAlpha, viewX, viewY);

    const double tileW = kHalvesPerSize * groundHalf.GetX();
    groundPos.SetX(viewX - lib::Mod(viewX, tileW));
    for (int64_t k = -kGroundTileReach; k <= kGroundTileReach; ++k) {
        ground.Draw(kStillAnime, kDrawTime, groundPos.GetX() + static_cast<double>(k) * tileW,
                    groundPos.GetY(), groundHalf.GetX(), groundHalf.GetY(), kDrawAngle, kDrawAlpha,
                    viewX, viewY);
    }

    for (const Tree& tree : trees) {
        treeSprite.Draw(tree.kind, kDrawTime, tree.pos.GetX() - tree.half.GetX(),
                        tree.pos.GetY() - tree.half.GetY(), tree.half.GetX(), tree.half.GetY(),
                        kDrawAngle, kDrawAlpha, viewX, viewY);
    }
}

}  // namespace morva
