#include "field/Stage.h"

#include <array>

#include "core/Checked.h"

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

// One still picture of a sprite: a single frame of duration 1.
struct Still {
    int64_t anime;
    bool loop;
    double srcX, srcY, srcW, srcH;  // texels
};

constexpr int64_t kStillDuration = 1;  // frames
constexpr double kStillAngle = 0.0;

constexpr std::array<Still, 1> kGroundStills = {{{100, false, 0, 0, 512, 256}}};
constexpr std::array<Still, 1> kDistantStills = {{{100, false, 0, 0, 512, 256}}};
// The four tree images side by side; only the first does not loop.
constexpr std::array<Still, 4> kTreeStills = {{
    {100, false, 0, 0, 256, 512},
    {200, true, 256, 0, 256, 512},
    {300, true, 512, 0, 256, 512},
    {400, true, 768, 0, 256, 512},
}};
static_assert(kGroundStills.size() == 1 && kDistantStills.size() == 1);
static_assert(kTreeStills.size() == kTreeKindMax - kTreeKindMin + 1, "one image per tree kind");

constexpr int64_t kStillFrameCount = 1;

template <std::size_t N>
void Build(Sprite& sprite, std::u16string_view texture, const std::array<Still, N>& stills,
           double viewX, double viewY, double viewW, double viewH) {
    sprite = Sprite();
    sprite.LoadTexture(texture);
    sprite.Init(static_cast<int64_t>(N), viewX, viewY, viewW, viewH);
    for (const Still& still : stills) {
        sprite.SetAnime(still.anime, still.loop, kStillFrameCount);
        sprite.AddFrame(still.anime, still.srcX, still.srcY, still.srcW, still.srcH, kStillAngle,
                        kStillDuration);
    }
}

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

    const auto count = static_cast<std::size_t>(treeCount);
    treePos.assign(count, Vec2());
    treeHalf.assign(count, Vec2());
    treeDepth.assign(count, 0.0);
    treeFactor.assign(count, 0.0);
    treeKind.assign(count, 0);
    for (int64_t i = 0; i < treeCount; ++i) {
        At(treeDepth, i, "treeDepth") = kTreeDepthStep * static_cast<double>(i);
        At(treeFactor, i, "treeFactor") = At(treeDepth, i, "treeDepth") / depthScale;
        // Separate statements: the order of the Rnd calls is part of the
        // stage, and argument evaluation order is not fixed.
        const double x = RndPixels(kTreeXMin, kTreeXMax);
        At(treePos, i, "treePos").Set(x, kTreeFootY);
        const double halfW = RndPixels(kTreeHalfWMin, kTreeHalfWMax);
        const double halfH = RndPixels(kTreeHalfHMin, kTreeHalfHMax);
        At(treeHalf, i, "treeHalf").Set(halfW, halfH);
        At(treeKind, i, "treeKind") = lib::Rnd(kTreeKindMin, kTreeKindMax) * kTreeKindAnimeStep;
    }
}

void Stage::Load(double viewX, double viewY, double viewW, double viewH) {
    Build(ground, u"ground.zqtex", kGroundStills, viewX, viewY, viewW, viewH);
    Build(distantView, u"distant_view.zqtex", kDistantStills, viewX, viewY, viewW, viewH);
    Build(trees, u"wood.zqtex", kTreeStills, viewX, viewY, viewW, viewH);
}

void Stage::Scroll(double dx, double dy) {
    for (int64_t i = 0; i < treeCount; ++i) {
        const double factor = At(treeFactor, i, "treeFactor");
        At(treePos, i, "treePos").Add(dx * factor, dy * factor);
    }
}

void Stage::Draw(double viewX, double viewY) {
    const int64_t anime = At(kDistantStills, 0, "distant still").anime;
    distantView.Draw(anime, kDrawTime, viewX + distantHalf.GetX(), viewY + distantHalf.GetY(),
                     distantHalf.GetX(), distantHalf.GetY(), kDrawAngle, kDrawAlpha, viewX, viewY);

    const double tileW = kHalvesPerSize * groundHalf.GetX();
    groundPos.SetX(viewX - lib::Mod(viewX, tileW));
    const int64_t groundAnime = At(kGroundStills, 0, "ground still").anime;
    for (int64_t k = -kGroundTileReach; k <= kGroundTileReach; ++k) {
        ground.Draw(groundAnime, kDrawTime, groundPos.GetX() + static_cast<double>(k) * tileW,
                    groundPos.GetY(), groundHalf.GetX(), groundHalf.GetY(), kDrawAngle, kDrawAlpha,
                    viewX, viewY);
    }

    for (int64_t i = 0; i < treeCount; ++i) {
        const Vec2& corner = At(treePos, i, "treePos");
        const Vec2& half = At(treeHalf, i, "treeHalf");
        trees.Draw(At(treeKind, i, "treeKind"), kDrawTime, corner.GetX() - half.GetX(),
                   corner.GetY() - half.GetY(), half.GetX(), half.GetY(), kDrawAngle, kDrawAlpha,
                   viewX, viewY);
    }
}

}  // namespace morva
