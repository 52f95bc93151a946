#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "FakeLibrary.h"
#include "core/Sprite.h"
#include "core/Vec2.h"
#include "frame/library/DebugTrace.h"

namespace morva {
namespace {

#define EXPECT_VEC(v, ex, ey)                    \
    do {                                         \
        EXPECT_DOUBLE_EQ((v).GetX(), ex) << (v); \
        EXPECT_DOUBLE_EQ((v).GetY(), ey) << (v); \
    } while (false)

TEST(Vec2Test, InPlaceOperationsAndFreeFunctions) {
    fake::FakeLibrary library;
    Vec2 zero;
    zero.Normalize();  // no division by zero
    EXPECT_VEC(zero, 0.0, 0.0);
    EXPECT_VEC(*VecNormalized(zero), 0.0, 0.0);
    const Vec2Ref a = NewVec2(3.0, -4.0);
    const Vec2Ref b = NewVec2(2.0, 3.0);
    EXPECT_EQ((std::vector{a->LengthSq(), a->Length(), VecLength(*a), VecCross(*a, *b),
                           VecCross(*b, *a), VecCross(*a, *NewVec2(-6.0, 8.0))}),
              (std::vector{25.0, 5.0, 5.0, 17.0, -17.0, 0.0}));
    EXPECT_VEC(*VecNormalized(*a), 0.6, -0.8);
    EXPECT_VEC(*VecSub(*a, *b), 1.0, -7.0);
    EXPECT_VEC(*a, 3.0, -4.0);  // the free functions leave their arguments
    EXPECT_VEC(*b, 2.0, 3.0);
    a->Normalize();
    EXPECT_VEC(*a, 0.6, -0.8);
    a->Set(1.5, -2.0);
    a->Add(0.5, 1.0);
    a->AddX(-1.0);
    a->AddY(-2.0);
    a->Scale(-2.0);
    EXPECT_VEC(*a, -2.0, 6.0);
}

TEST(Vec2Test, SharedHandlesSeeEachOthersChanges) {
    const Vec2Ref first = NewVec2(1.0, 2.0);
    const Vec2Ref second = first;
    second->Set(7.0, 8.0);
    first->Add(1.0, 1.0);
    EXPECT_VEC(*second, 8.0, 9.0);
}

constexpr int64_t kSword = 100, kWalk = 200, kUnknown = 999;

class SpriteTest : public ::testing::Test {
protected:
    SpriteTest() {
        SetDebugTraceObserver([this](std::u16string_view text) {
            const std::string t(text.begin(), text.end());
            log += (t.starts_with("err") && !t.ends_with("Not Found.") ? t.substr(0, 5) : t) + ";";
        });
    }
    ~SpriteTest() override { SetDebugTraceObserver({}); }

    // An animation whose frame j has srcX 100 j and the given duration.
    void AddAnime(int64_t id, bool loop, const std::vector<int64_t>& durations) {
        sprite.SetAnime(id, loop, static_cast<int64_t>(durations.size()));
        for (std::size_t j = 0; j < durations.size(); ++j) {
            sprite.AddFrame(id, 100.0 * static_cast<double>(j), 0, 64, 64, 0, durations[j]);
        }
    }

    // Frame index shown at each time from `from` to `to`, as digits.
    std::string Shown(int64_t id, int64_t from, int64_t to) const {
        std::string shown;
        for (int64_t t = from; t <= to; ++t) {
            shown += static_cast<char>('0' + sprite.GetFrame(id, t)->srcX / 100);
        }
        return shown;
    }

    std::string Log() { return std::exchange(log, ""); }  // the traces since the last call

    // srcX, dstX and dstY of each draw.
    std::vector<std::vector<double>> Drawn() const {
        std::vector<std::vector<double>> drawn;
        for (const fake::DrawCall& call : library.draws) {
            drawn.push_back({call.srcX(), call.dstX(), call.dstY()});
        }
        return drawn;
    }

    // Two frames of 6 of a picture drawn 128 x 64.
    void LoadPicture() {
        sprite.LoadTexture(u"pelomar256.zqtex");
        sprite.Init(2, 0, 0, 1600, 900);
        sprite.SetAnime(kSword, false, 2);
        sprite.AddFrame(kSword, 512, 256, -512, 256, 0.5, 6);
        sprite.AddFrame(kSword, 0, 512, 512, 256, -0.25, 6);
    }

    void Draw(int64_t id, int64_t time, double x, double y, double viewX = 0, double viewY = 0) {
        sprite.Draw(id, time, x, y, 64, 32, 0, 1, viewX, viewY);
    }

    fake::FakeLibrary library;
    Sprite sprite;
    std::string log;  // the debug traces, the texts of our own errors cut to their codes
};

TEST_F(SpriteTest, FrameByTimeOneShotAndLooping) {
    sprite.Init(4, 0, 0, 1600, 900);
    AddAnime(kSword, false, {6, 3, 3, 3, 3, 20});
    AddAnime(kSword + 1, true, {6, 3, 3, 3, 3, 20});
    AddAnime(kWalk, true, {15, 15, 15, 15});
    EXPECT_EQ(Log(), "Set Anime.100;Set Anime.101;Set Anime.200;");
    EXPECT_EQ(sprite.GetAnimeLength(kSword), 38);
    // {id, from, to, frames shown}: 6, 3, 3, 3, 3 and 20 frames of time.
    for (const auto& [id, from, to, shown] :
         std::vector<std::tuple<int64_t, int64_t, int64_t, std::string>>{
             {kSword, 0, 40, "00000011122233344455555555555555555555555"},
             {kSword, 100, 100, "5"},  // one-shot: the last frame for every later time
             {kSword, -3, -1, "000"},
             {kSword + 1, 38, 76, "000000111222333444555555555555555555550"},
             {kSword + 1, -40, -36, "00000"},  // a negative remainder is below frame 0's duration
             {kWalk, 59, 60, "30"}}) {
        EXPECT_EQ(Shown(id, from, to), shown) << id << " from " << from << " to " << to;
    }
}

TEST_F(SpriteTest, RegistrationEdges) {
    sprite.Init(3, 0, 0, 1600, 900);
    AddAnime(kSword, false, {5});
    sprite.SetAnime(kSword, true, 1);  // duplicate: takes slot 1, lookups use slot 0
    AddAnime(kWalk, false, {7});
    sprite.SetAnime(kUnknown, false, 1);  // full table: registers nothing
    EXPECT_EQ(Log(), "Set Anime.100;err00;Set Anime.100;Set Anime.200;err01;");
    EXPECT_EQ((std::vector{sprite.GetAnimeLength(kSword), sprite.GetAnimeLength(kWalk),
                           sprite.GetAnimeLength(kUnknown)}),
              (std::vector<int64_t>{5, 7, 0}));
    // Init replaces the table; id -1 reads as a duplicate of every free slot.
    sprite.Init(3, 0, 0, 1600, 900);
    EXPECT_EQ(sprite.GetAnimeLength(kSword), 0);
    sprite.SetAnime(kFreeAnimeId, false, 1);
    for (int64_t id : {10, 20, 30}) {
        AddAnime(id, false, {1});
    }
    EXPECT_EQ(Log(), "err00;err00;err00;Set Anime.10;Set Anime.20;Set Anime.30;");
    Sprite bare;  // before Init there is no table
    bare.SetAnime(kSword, false, 1);
    bare.AddFrame(kSword, 0, 0, 64, 64, 0, 1);
    bare.Init(0, 0, 0, 1600, 900);
    bare.SetAnime(kSword, false, 1);
    EXPECT_EQ(Log(), "err02;err04;err02;");
}

TEST_F(SpriteTest, UnknownIdsFallBackAndBadIndicesFail) {
    sprite.Init(2, 0, 0, 1600, 900);
    EXPECT_THROW(sprite.GetFrame(kUnknown, 0), std::out_of_range) << "slot 0 empty";
    sprite.SetAnime(kSword, false, 2);
    EXPECT_EQ(sprite.GetFrameAt(kSword, 1)->duration, 0) << "unfilled frames are zeros";
    EXPECT_THROW(sprite.GetFrameAt(kSword, 2), std::out_of_range);
    EXPECT_THROW(sprite.GetFrameAt(kSword, -1), std::out_of_range);
    sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 6);
    sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 3);
    EXPECT_THROW(sprite.AddFrame(kSword, 0, 0, 64, 64, 0, 1), std::out_of_range);
    Log();
    // Unknown ids fall back to frame 0 of slot 0.
    EXPECT_EQ(sprite.GetFrame(kUnknown, 30), sprite.GetFrameAt(kSword, 0));
    EXPECT_EQ(sprite.GetFrameAt(kUnknown, 1), sprite.GetFrameAt(kSword, 0));
    sprite.AddFrame(kUnknown, 1, 2, 3, 4, 0, 5);
    EXPECT_EQ(sprite.GetAnimeLength(kUnknown), 0);
    EXPECT_EQ(Log(), "err05:AnimeID Not Found.;err06:AnimeID Not Found.;err03:AnimeID Not Found.;");
    AddAnime(kWalk, true, {0});
    EXPECT_THROW(sprite.GetFrame(kWalk, 3), std::domain_error) << "a loop of no length";
}

TEST_F(SpriteTest, CullingIsStrictOnAllFourEdges) {
    LoadPicture();
    // View (100, 50): only centres strictly inside x 36 to 1764, y 18 to 982 draw.
    const std::vector<std::pair<double, double>> centres = {{36, 500},   {37, 500}, {1764, 500},
                                                            {1763, 500}, {900, 18}, {900, 19},
                                                            {900, 982},  {900, 981}};
    for (const auto& [x, y] : centres) {
        Draw(kSword, 0, x, y, 100, 50);
    }
    EXPECT_EQ(Drawn(), (std::vector<std::vector<double>>{
                           {512, -127, 418}, {512, 1599, 418}, {512, 736, -63}, {512, 736, 899}}));
}

TEST_F(SpriteTest, EachDrawPicksItsFrameAndACulledDrawChangesNothing) {
    LoadPicture();
    sprite.Draw(kSword, 7, 500, 300, 64, 32, 0.75, 0.4, 100, 40);
    EXPECT_TRUE(library.draws.at(0).rotated);
    EXPECT_EQ(library.TextureName(library.draws[0].texture), "pelomar256.zqtex");
    // All sixteen: frame 1's source; screen x 336 to 464, y 228 to 292;
    // turned about the middle by the frame's angle plus the draw's.
    EXPECT_EQ(library.draws[0].args, (std::vector<double>{0, 512, 512, 256, 336, 228, 128, 64, 64,
                                                          32, 0.5, 1, 1, 1, 0.4}));
    EXPECT_EQ(sprite.CurrentFrame(), sprite.GetFrameAt(kSword, 1));
    Draw(kUnknown, 0, 800, 450, 0, 100);  // falls back to frame 0 of slot 0
    Draw(kSword, 0, 800, 450);
    Draw(kSword, 6, 800, 450, 200, 0);
    Draw(kUnknown, 9, -1000, 450);  // off screen: not even looked up
    EXPECT_EQ(sprite.CurrentFrame(), sprite.GetFrameAt(kSword, 1));
    EXPECT_EQ(Drawn(), (std::vector<std::vector<double>>{
                           {0, 336, 228}, {512, 736, 318}, {512, 736, 418}, {0, 536, 418}}));
    EXPECT_EQ(Log(), "Set Anime.100;err05:AnimeID Not Found.;");

    sprite.LoadTexture(u"sword.zqtex");  // releases the previous texture
    EXPECT_EQ(library.released, std::vector<int64_t>{1});
    Draw(kSword, 0, 800, 450);
    EXPECT_EQ(library.TextureName(library.draws.back().texture), "sword.zqtex");
}

}  // namespace
}  // namespace morva
