#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "FakeLibrary.h"
#include "engine/BitmapFont.h"
#include "engine/DebugTrace.h"
#include "engine/Sprite.h"

namespace morva {
namespace {

constexpr int64_t kSword = 100, kWalk = 200, kUnknown = 999;

class SpriteUnit : public ::testing::Test {
protected:
    // Frame j of the animation has srcX 100 j.
    void AddAnime(int64_t id, bool loop, const std::vector<int64_t>& durations) {
        sprite.SetAnime(id, loop, static_cast<int64_t>(durations.size()));
        for (std::size_t j = 0; j < durations.size(); ++j) {
            sprite.AddFrame(id, 100.0 * static_cast<double>(j), 0, 64, 64, 0, durations[j]);
        }
    }
    // Two frames of 6, the first mirrored.
    void LoadPicture() {
        const SheetAnime animes[] = {{kSword, false, 2}};
        const SheetFrame frames[] = {{512, 256, -512, 256, 0.5, 6}, {0, 512, 512, 256, -0.25, 6}};
        sprite.LoadSheet(u"pelomar256.zqtex", animes, frames, 0, 0, 1600, 900);
    }

    fake::FakeLibrary library;
    Sprite sprite;
};

TEST_F(SpriteUnit, FrameByTimeOneShotAndLooping) {
    sprite.Init(3, 0, 0, 1600, 900);
    AddAnime(kSword, false, {6, 3, 3, 3, 3, 20});
    AddAnime(kSword + 1, true, {6, 3, 3, 3, 3, 20});
    AddAnime(kWalk, true, {15, 15, 15, 15});
    // {id, first time, frame index shown from then on}
    for (const auto& [id, from, shown] : std::vector<std::tuple<int64_t, int64_t, std::string>>{
             {kSword, 0, "00000011122233344455555555555555555555555"},
             {kSword, 100, "5"},  // a one-shot holds its last frame
             {kSword, -3, "000"},
             {kSword + 1, 38, "000000111222333444555555555555555555550"},
             {kSword + 1, -40, "00000"},  // a negative remainder reads as frame 0
             {kWalk, 59, "30"}}) {
        std::string seen;
        for (int64_t t = from; seen.size() < shown.size(); ++t) {
            seen += static_cast<char>('0' + sprite.GetFrame(id, t).srcX / 100);
        }
        EXPECT_EQ(seen, shown) << id << " from " << from;
    }
}

TEST_F(SpriteUnit, DrawsCentredTurnedAndMirroredAsTheFrameSays) {
    LoadPicture();
    sprite.Draw(kSword, 7, 500, 300, 64, 32, 0.75, 0.4, 100, 40);
    sprite.Draw(kSword, 0, 500, 300, 64, 32, 0.75, 1.0, 100, 40);
    sprite.Draw(kUnknown, 0, 500, 300, 64, 32, 0.0, 1.0, 0, 0);  // falls back to frame 0
    ASSERT_EQ(library.draws.size(), 3u);
    // Screen x 336 to 464, y 228 to 292, turned about the middle by the
    // frame's angle plus the draw's.
    EXPECT_EQ(library.draws[0].args, (std::vector<double>{0, 512, 512, 256, 336, 228, 128, 64, 64,
                                                          32, 0.5, 1, 1, 1, 0.4}));
    EXPECT_EQ(library.draws[1].Src(), (fake::Rect{512, 256, -512, 256}));
    EXPECT_EQ(library.draws[1].args[10], 1.25);
    EXPECT_EQ(library.draws[2].Dst(), (fake::Rect{436, 268, 128, 64}));
}

TEST_F(SpriteUnit, CullingIsStrictOnAllFourEdges) {
    LoadPicture();
    // View (100, 50), half 64 x 32: only centres strictly inside x 36..1764, y 18..982.
    const std::tuple<double, double, bool> centres[] = {
        {36, 500, false}, {37, 500, true}, {1764, 500, false}, {1763, 500, true},
        {900, 18, false}, {900, 19, true}, {900, 982, false},  {900, 981, true}};
    for (const auto& [x, y, drawn] : centres) {
        library.draws.clear();
        sprite.Draw(kSword, 0, x, y, 64, 32, 0, 1, 100, 50);
        EXPECT_EQ(library.draws.size(), drawn ? 1u : 0u) << x << ", " << y;
    }
}

TEST_F(SpriteUnit, CopiesShareTheTextureAndTheLastToGoReleasesIt) {
    sprite.LoadTexture(u"a.zqtex");
    Sprite copy = sprite;
    sprite.LoadTexture(u"b.zqtex");
    EXPECT_TRUE(library.released.empty()) << "the copy still draws a";
    copy = Sprite{};
    EXPECT_EQ(library.released, std::vector<int64_t>{1});
}

// A sprite misused says so in the debug trace, once, and carries on.
TEST_F(SpriteUnit, EachMisuseLeavesOneDebugLine) {
    std::u16string said;
    SetDebugTraceObserver([&](std::u16string_view text) {
        said += text.starts_with(u"err") ? std::u16string(text.substr(0, 5)) + u" " : u"";
    });
    const std::pair<std::function<void()>, std::u16string> kMisuses[] = {
        {[&] { sprite.SetAnime(kSword, false, 1); }, u"err02 "},
        {[&] { sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 6); }, u"err04 "},
        {[&] { sprite.Init(1, 0, 0, 1600, 900); }, u""},
        {[&] { AddAnime(kSword, false, {6}); }, u""},
        {[&] { sprite.SetAnime(kSword, false, 1); }, u"err00 "},
        {[&] { sprite.SetAnime(kWalk, false, 1); }, u"err01 "},
        {[&] { sprite.AddFrame(kWalk, 0, 0, 64, 64, 0, 6); }, u"err03 "},
        {[&] { sprite.GetFrame(kWalk, 0); }, u"err05 "},
        {[&] { sprite.GetFrameAt(kWalk, 0); }, u"err06 "},
    };
    for (const auto& [misuse, line] : kMisuses) {
        said.clear();
        misuse();
        EXPECT_EQ(said, line);
    }
    SetDebugTraceObserver({});
}

TEST(FontUnit, NumberToTextRightAlignsInExactlyTheWidth) {
    BitmapFont font;
    // Leading digits beyond the width are lost; nothing stays from a longer text.
    const std::tuple<int64_t, int64_t, bool, std::u16string> rows[] = {
        {42, 5, false, u"   42"},    {42, 5, true, u"00042"},
        {12345, 5, false, u"12345"}, {1000000, 12, true, u"000001000000"},
        {987, 2, false, u"87"},      {987, 2, true, u"87"},
        {0, 3, false, u"   "},       {0, 12, true, u"000000000000"},
        {-5, 4, false, u"    "},     {-5, 4, true, u"0000"},
        {42, 0, true, u""},          {7, 3, false, u"  7"}};
    for (const auto& [value, width, zeros, text] : rows) {
        EXPECT_EQ(font.NumberToText(value, width, zeros), text) << value << " in " << width;
    }
    EXPECT_THROW(font.NumberToText(1, -1, true), std::length_error);
}

}  // namespace
}  // namespace morva
