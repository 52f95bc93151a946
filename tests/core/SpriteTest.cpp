#include "core/Sprite.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "frame/library/DebugTrace.h"

namespace morva {
namespace {

constexpr int64_t kSword = 100;
constexpr int64_t kWalk = 200;
constexpr int64_t kUnknown = 999;
constexpr double kScreenW = 1600.0;  // pixels
constexpr double kScreenH = 900.0;   // pixels

// Frames of one animation are told apart by srcX: frame j has srcX 100 * j.
constexpr double kSrcXPerFrame = 100.0;

class SpriteTest : public ::testing::Test {
protected:
    SpriteTest() {
        SetDebugTraceObserver(
            [this](std::u16string_view text) { traces.emplace_back(text.begin(), text.end()); });
    }
    ~SpriteTest() override { SetDebugTraceObserver({}); }

    // An animation whose frames have the given durations.
    void AddAnime(int64_t id, bool loop, const std::vector<int64_t>& durations) {
        sprite.SetAnime(id, loop, static_cast<int64_t>(durations.size()));
        for (std::size_t j = 0; j < durations.size(); ++j) {
            sprite.AddFrame(id, kSrcXPerFrame * static_cast<double>(j), 0, 64, 64, 0, durations[j]);
        }
    }

    // Frame index shown at each time from `from` to `to`, as digits.
    std::string FrameIndices(int64_t id, int64_t from, int64_t to) const {
        std::string shown;
        for (int64_t t = from; t <= to; ++t) {
            shown +=
                std::to_string(static_cast<int64_t>(sprite.GetFrame(id, t)->srcX / kSrcXPerFrame));
        }
        return shown;
    }

    fake::FakeLibrary library;
    Sprite sprite;
    std::vector<std::string> traces;
};

const std::vector<int64_t> kSwordDurations = {6, 3, 3, 3, 3, 20};

TEST_F(SpriteTest, OneShotStopsOnItsLastFrame) {
    sprite.Init(4, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, false, kSwordDurations);
    EXPECT_EQ(sprite.GetAnimeLength(kSword), 38);
    // 6, 3, 3, 3, 3 frames, then the last frame for every later time.
    EXPECT_EQ(FrameIndices(kSword, 0, 40),
              "000000"
              "111"
              "222"
              "333"
              "444"
              "55555555555555555555"
              "555");
    EXPECT_EQ(FrameIndices(kSword, 100, 100), "5");
    EXPECT_EQ(FrameIndices(kSword, -3, -1), "000");
    EXPECT_EQ(traces, std::vector<std::string>{"Set Anime.100"});
}

TEST_F(SpriteTest, LoopingRepeatsWithItsTotalDuration) {
    sprite.Init(4, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, true, kSwordDurations);
    AddAnime(kWalk, true, {15, 15, 15, 15});
    EXPECT_EQ(FrameIndices(kSword, 38, 76),
              "000000"
              "111"
              "222"
              "333"
              "444"
              "55555555555555555555"
              "0");
    EXPECT_EQ(FrameIndices(kSword, 44, 44), "1");
    EXPECT_EQ(FrameIndices(kSword, 75, 75), "5");
    // A negative remainder is below the first frame's duration.
    EXPECT_EQ(FrameIndices(kSword, -40, -36), "00000");
    EXPECT_EQ(FrameIndices(kWalk, 59, 60), "30");
    EXPECT_EQ(sprite.GetAnimeLength(kWalk), 60);
}

TEST_F(SpriteTest, FramesAreTheSpritesOwnRecords) {
    sprite.Init(2, 0, 0, kScreenW, kScreenH);
    sprite.SetAnime(kSword, false, 3);
    sprite.AddFrame(kSword, 512, 256, -512, 256, 0.5, 6);
    const AnimeFrameRef first = sprite.GetFrameAt(kSword, 0);
    EXPECT_EQ(sprite.GetFrame(kSword, 0), first);
    EXPECT_EQ(first->srcX, 512);
    EXPECT_EQ(first->srcW, -512);
    EXPECT_EQ(first->angle, 0.5);
    EXPECT_EQ(first->duration, 6);
    // Not yet filled: a fresh frame of zeros.
    const AnimeFrameRef unfilled = sprite.GetFrameAt(kSword, 2);
    EXPECT_EQ(unfilled->srcX, 0);
    EXPECT_EQ(unfilled->duration, 0);
}

TEST_F(SpriteTest, DuplicateIdTakesTheNextSlotButLookupsUseTheFirst) {
    sprite.Init(3, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, false, {5});
    sprite.SetAnime(kSword, true, 1);
    ASSERT_EQ(traces.size(), 3u);
    EXPECT_EQ(traces[1].substr(0, 6), "err00:");
    EXPECT_EQ(traces[2], "Set Anime.100");
    // The second registration used slot 1, so slot 2 is the last free one.
    AddAnime(kWalk, false, {7});
    EXPECT_EQ(traces.back(), "Set Anime.200");
    EXPECT_EQ(sprite.GetAnimeLength(kSword), 5);
    EXPECT_EQ(sprite.GetFrame(kSword, 0)->duration, 5);
}

TEST_F(SpriteTest, FullTableRegistersNothing) {
    sprite.Init(2, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, false, {5});
    AddAnime(kWalk, false, {7});
    traces.clear();
    sprite.SetAnime(kUnknown, false, 1);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0].substr(0, 6), "err01:");
    EXPECT_EQ(sprite.GetAnimeLength(kUnknown), 0);
    EXPECT_EQ(sprite.GetAnimeLength(kWalk), 7);
}

TEST_F(SpriteTest, IdMinusOneReadsAsADuplicateOfEveryFreeSlot) {
    sprite.Init(3, 0, 0, kScreenW, kScreenH);
    sprite.SetAnime(kFreeAnimeId, false, 1);
    ASSERT_EQ(traces.size(), 3u);
    for (const std::string& trace : traces) {
        EXPECT_EQ(trace.substr(0, 6), "err00:");
    }
    // Still three free slots.
    AddAnime(10, false, {1});
    AddAnime(20, false, {1});
    AddAnime(30, false, {1});
    EXPECT_EQ(traces.back(), "Set Anime.30");
}

TEST_F(SpriteTest, UnknownIdsFallBackToFrameZeroOfSlotZero) {
    sprite.Init(2, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, false, kSwordDurations);
    traces.clear();
    EXPECT_EQ(sprite.GetFrame(kUnknown, 30), sprite.GetFrameAt(kSword, 0));
    EXPECT_EQ(sprite.GetFrameAt(kUnknown, 4), sprite.GetFrameAt(kSword, 0));
    sprite.AddFrame(kUnknown, 1, 2, 3, 4, 0, 5);
    EXPECT_EQ(sprite.GetAnimeLength(kUnknown), 0);
    EXPECT_EQ(traces,
              (std::vector<std::string>{"err05:AnimeID Not Found.", "err06:AnimeID Not Found.",
                                        "err03:AnimeID Not Found."}));
}

TEST_F(SpriteTest, NoTableOnlyTraces) {
    sprite.SetAnime(kSword, false, 1);
    sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 1);
    sprite.Init(0, 0, 0, kScreenW, kScreenH);
    sprite.SetAnime(kSword, false, 1);
    ASSERT_EQ(traces.size(), 3u);
    EXPECT_EQ(traces[0].substr(0, 6), "err02:");
    EXPECT_EQ(traces[1].substr(0, 6), "err04:");
    EXPECT_EQ(traces[2].substr(0, 6), "err02:");
}

TEST_F(SpriteTest, InitReplacesTheTable) {
    sprite.Init(1, 0, 0, kScreenW, kScreenH);
    AddAnime(kSword, false, {5});
    sprite.Init(1, 0, 0, kScreenW, kScreenH);
    EXPECT_EQ(sprite.GetAnimeLength(kSword), 0);
    AddAnime(kWalk, false, {7});
    EXPECT_EQ(sprite.GetAnimeLength(kWalk), 7);
}

TEST_F(SpriteTest, BadIndicesAreFailuresNotUndefinedBehaviour) {
    sprite.Init(2, 0, 0, kScreenW, kScreenH);
    // Slot 0 empty: there is no frame to fall back to.
    EXPECT_THROW(sprite.GetFrame(kUnknown, 0), std::out_of_range);
    sprite.SetAnime(kSword, false, 2);
    EXPECT_THROW(sprite.GetFrameAt(kSword, 2), std::out_of_range);
    EXPECT_THROW(sprite.GetFrameAt(kSword, -1), std::out_of_range);
    sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 1);
    sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 1);
    EXPECT_THROW(sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 1), std::out_of_range);
    // A loop of no length would divide by zero.
    AddAnime(kWalk, true, {0});
    EXPECT_THROW(sprite.GetFrame(kWalk, 3), std::domain_error);
}

class SpriteDrawTest : public SpriteTest {
protected:
    void SetUp() override {
        sprite.LoadTexture(u"pelomar256.zqtex");
        sprite.Init(2, 0, 0, kScreenW, kScreenH);
        sprite.SetAnime(kSword, false, 2);
        sprite.AddFrame(kSword, 512, 256, -512, 256, 0.5, 6);
        sprite.AddFrame(kSword, 0, 512, 512, 256, -0.25, 6);
        traces.clear();
    }

    // Draws a 128 x 64 picture centred on (x, y) with the view at (viewX, viewY).
    bool Drawn(double x, double y, double viewX, double viewY) {
        const std::size_t before = library.draws.size();
        sprite.Draw(kSword, 0, x, y, kHalfW, kHalfH, 0, 1, viewX, viewY);
        return library.draws.size() > before;
    }

    static constexpr double kHalfW = 64.0;  // pixels
    static constexpr double kHalfH = 32.0;  // pixels
};

TEST_F(SpriteDrawTest, SixteenArgumentsForAScrolledView) {
    sprite.Draw(kSword, 7, 500, 300, kHalfW, kHalfH, 0.75, 0.4, 100, 40);
    ASSERT_EQ(library.draws.size(), 1u);
    const fake::DrawCall& call = library.draws[0];
    EXPECT_TRUE(call.rotated);
    EXPECT_EQ(library.TextureName(call.texture), "pelomar256.zqtex");
    // Source of frame 1; destination from screen x 336 to 464 and y 228 to
    // 292; rotation about the middle; the frame's angle plus the draw's.
    EXPECT_EQ(call.args, (std::vector<double>{0, 512, 512, 256, 336, 228, 128, 64, 64, 32, 0.5, 1,
                                              1, 1, 0.4}));
    EXPECT_EQ(sprite.CurrentFrame(), sprite.GetFrameAt(kSword, 1));
}

TEST_F(SpriteDrawTest, CullingIsStrictOnAllFourEdges) {
    constexpr double kViewX = 100.0;
    constexpr double kViewY = 50.0;
    const double left = kViewX - kHalfW;
    const double right = kViewX + kScreenW + kHalfW;
    const double top = kViewY - kHalfH;
    const double bottom = kViewY + kScreenH + kHalfH;
    const double midX = kViewX + kScreenW / 2;
    const double midY = kViewY + kScreenH / 2;

    EXPECT_FALSE(Drawn(left, midY, kViewX, kViewY));
    EXPECT_TRUE(Drawn(left + 1, midY, kViewX, kViewY));
    EXPECT_FALSE(Drawn(right, midY, kViewX, kViewY));
    EXPECT_TRUE(Drawn(right - 1, midY, kViewX, kViewY));
    EXPECT_FALSE(Drawn(midX, top, kViewX, kViewY));
    EXPECT_TRUE(Drawn(midX, top + 1, kViewX, kViewY));
    EXPECT_FALSE(Drawn(midX, bottom, kViewX, kViewY));
    EXPECT_TRUE(Drawn(midX, bottom - 1, kViewX, kViewY));

    // One pixel inside the left edge: the picture pokes one pixel onto the screen.
    ASSERT_EQ(library.draws.size(), 4u);
    EXPECT_EQ(library.draws[0].dstX(), 1 - 2 * kHalfW);
}

TEST_F(SpriteDrawTest, CulledDrawChangesNothing) {
    sprite.Draw(kSword, 0, 800, 450, kHalfW, kHalfH, 0, 1, 0, 0);
    const AnimeFrameRef shown = sprite.CurrentFrame();
    ASSERT_EQ(shown, sprite.GetFrameAt(kSword, 0));
    ASSERT_EQ(library.draws.size(), 1u);

    // Far off screen with an id no slot holds: not even looked up.
    sprite.Draw(kUnknown, 9, -1000, 450, kHalfW, kHalfH, 0, 1, 0, 0);
    EXPECT_EQ(library.draws.size(), 1u);
    EXPECT_TRUE(traces.empty());
    EXPECT_EQ(sprite.CurrentFrame(), shown);
}

TEST_F(SpriteDrawTest, EachDrawPicksItsFrameAndTheViewMovesWithIt) {
    EXPECT_EQ(sprite.CurrentFrame(), nullptr);
    sprite.Draw(kSword, 0, 800, 450, kHalfW, kHalfH, 0, 1, 0, 0);
    sprite.Draw(kSword, 6, 800, 450, kHalfW, kHalfH, 0, 1, 200, 0);
    sprite.Draw(kUnknown, 0, 800, 450, kHalfW, kHalfH, 0, 1, 0, 100);
    ASSERT_EQ(library.draws.size(), 3u);
    EXPECT_EQ(library.draws[0].srcX(), 512);
    EXPECT_EQ(library.draws[0].dstX(), 736);
    EXPECT_EQ(library.draws[1].srcX(), 0);
    EXPECT_EQ(library.draws[1].dstX(), 536);
    // The unknown id falls back to the first frame of slot 0.
    EXPECT_EQ(library.draws[2].srcX(), 512);
    EXPECT_EQ(library.draws[2].dstY(), 318);
    EXPECT_EQ(traces, std::vector<std::string>{"err05:AnimeID Not Found."});
}

TEST_F(SpriteDrawTest, ReloadingReleasesThePreviousTexture) {
    sprite.LoadTexture(u"sword.zqtex");
    EXPECT_EQ(library.released, std::vector<int64_t>{1});
    sprite.Draw(kSword, 0, 800, 450, kHalfW, kHalfH, 0, 1, 0, 0);
    ASSERT_EQ(library.draws.size(), 1u);
    EXPECT_EQ(library.TextureName(library.draws[0].texture), "sword.zqtex");
}

}  // namespace
}  // namespace morva
