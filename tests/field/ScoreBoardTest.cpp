#include "field/ScoreBoard.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "Rect.h"

namespace morva {
namespace {

constexpr double kCellW = 64;   // texels of a glyph cell in the default font
constexpr double kCellH = 128;  // texels
constexpr int64_t kHitPoints = 10;

// A run of glyphs drawn side by side, read back from the glyph cells.
struct DrawnText {
    std::string text;
    Rect first;  // the first glyph's destination
    bool operator==(const DrawnText&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DrawnText& t) {
    return out << '"' << t.text << "\" from " << t.first;
}

char GlyphOf(const fake::DrawCall& call) {
    const auto column = static_cast<int>(call.srcX() / kCellW);
    const auto row = static_cast<int>(call.srcY() / kCellH);
    return static_cast<char>(' ' + column + 16 * row);
}

class ScoreBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        board.Init();
        board.Load(0, 0, 1600, 900);
    }

    // One frame of the scene: its hits, then Tick.
    void Frame(int64_t hits, int64_t points = kHitPoints) {
        for (int64_t i = 0; i < hits; ++i) {
            board.AddCombo();
            board.AddScore(points * board.GetCombo());
        }
        board.Tick();
    }

    void Draw(double viewX = 0, double viewY = 0) {
        library.draws.clear();
        board.Draw(viewX, viewY);
    }

    std::vector<fake::DrawCall> Glyphs() const { return library.DrawsOf("font_128_64.zqtex"); }

    // Glyph runs; a new run starts wherever a glyph does not follow on.
    std::vector<DrawnText> Texts() const {
        std::vector<DrawnText> texts;
        Rect last{};
        for (const fake::DrawCall& call : Glyphs()) {
            const Rect at = Destination(call);
            const bool follows = !texts.empty() && at.y == last.y && at.w == last.w &&
                                 at.h == last.h && at.x == last.x + last.w;
            if (!follows) {
                texts.push_back({"", at});
            }
            texts.back().text += GlyphOf(call);
            last = at;
        }
        return texts;
    }

    // The gauge's bar on screen; an empty list when it is not drawn.
    std::vector<Rect> Bar() const {
        std::vector<Rect> bars;
        for (const fake::DrawCall& call : library.DrawsOf("combo.zqtex")) {
            bars.push_back(Destination(call));
        }
        return bars;
    }

    fake::FakeLibrary library;
    ScoreBoard board;
};

const DrawnText kZeroScore = {"SCORE:000000000000", {1010, 90, 30, 60}};
const DrawnText kHiScore = {"HISCORE:000000000000", {950, 30, 30, 60}};

TEST_F(ScoreBoardTest, NewBoardShowsOnlyTheScoreLines) {
    EXPECT_EQ(library.loads,
              (std::vector<std::string>{"font_128_64.zqtex", "combo.zqtex", "gauge.zqtex"}));
    EXPECT_EQ(board.GetCombo(), 0);
    EXPECT_EQ(board.GetScore(), 0);
    EXPECT_EQ(board.GetComboTimer(), 180);
    Draw();
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{kZeroScore, kHiScore}));
    // Both lines end at x 1550.
    const std::vector<fake::DrawCall> glyphs = Glyphs();
    ASSERT_EQ(glyphs.size(), 38u);
    EXPECT_EQ(glyphs[17].dstX() + glyphs[17].dstW(), 1550);
    EXPECT_EQ(glyphs[37].dstX() + glyphs[37].dstW(), 1550);
    EXPECT_EQ(library.draws.size(), glyphs.size()) << "no gauge without a combo";
}

TEST_F(ScoreBoardTest, ThreeHitsInARow) {
    std::vector<int64_t> combos;
    std::vector<int64_t> scores;
    for (int hit = 0; hit < 3; ++hit) {
        Frame(1);
        combos.push_back(board.GetCombo());
        scores.push_back(board.GetScore());
    }
    EXPECT_EQ(combos, (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(scores, (std::vector<int64_t>{10, 30, 60}));
    EXPECT_EQ(board.GetScoreText(), u"000000000060");
    Draw();
    ASSERT_EQ(Texts().size(), 4u);
    EXPECT_EQ(Texts()[1], (DrawnText{"3", {50, 50, 75, 150}}));
    EXPECT_EQ(Texts()[2], (DrawnText{"SCORE:000000000060", {1010, 90, 30, 60}}));
}

TEST_F(ScoreBoardTest, SecondHitOfAFrameScoresWithTheHigherCombo) {
    Frame(2);
    EXPECT_EQ(board.GetCombo(), 2);
    EXPECT_EQ(board.GetScore(), 10 + 20);
    EXPECT_EQ(board.GetComboTimer(), 179);
    Frame(2, 40);
    EXPECT_EQ(board.GetCombo(), 4);
    EXPECT_EQ(board.GetScore(), 30 + 120 + 160);
    EXPECT_EQ(board.GetScoreText(), u"000000000310");
}

TEST_F(ScoreBoardTest, ComboRunsOutOnThe181stTick) {
    Frame(1);
    std::vector<double> widths;
    for (int64_t tick = 1; tick <= 180; ++tick) {
        Draw();
        ASSERT_EQ(board.GetCombo(), 1) << "after tick " << tick;
        const std::vector<Rect> bar = Bar();
        ASSERT_EQ(bar.size(), 1u) << "after tick " << tick;
        widths.push_back(bar[0].w);
        EXPECT_EQ(bar[0].x + bar[0].w / 2, 220) << "after tick " << tick;
        if (tick < 180) {
            board.Tick();
        }
    }
    std::vector<double> expected;
    for (int64_t timer = 179; timer >= 0; --timer) {
        expected.push_back(2.0 * static_cast<double>(timer));
    }
    EXPECT_EQ(widths, expected);

    // The 180th frame after the hit still shows "1", "COMBO!" and a bar of
    // no width inside the frame.
    const DrawnText scoreLine = {"SCORE:000000000010", {1010, 90, 30, 60}};
    EXPECT_EQ(Bar(), (std::vector<Rect>{{220, 220, 0, 40}}));
    EXPECT_EQ(Texts(),
              (std::vector<DrawnText>{
                  {"COMBO!", {120, 160, 50, 100}}, {"1", {50, 50, 75, 150}}, scoreLine, kHiScore}));

    board.Tick();
    EXPECT_EQ(board.GetCombo(), 0);
    EXPECT_EQ(board.GetComboTimer(), 0);
    Draw();
    EXPECT_TRUE(Bar().empty());
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{scoreLine, kHiScore}));
    board.Tick();
    EXPECT_EQ(board.GetComboTimer(), 0) << "the idle timer rests at 0";
}

TEST_F(ScoreBoardTest, HalfRunTimerDrawsAHalfBar) {
    Frame(1);
    for (int tick = 0; tick < 89; ++tick) {
        board.Tick();
    }
    ASSERT_EQ(board.GetComboTimer(), 90);
    Draw();
    EXPECT_EQ(Bar(), (std::vector<Rect>{{130, 220, 180, 40}}));
}

TEST_F(ScoreBoardTest, SetComboZeroHidesCountWordAndGauge) {
    Frame(2);
    for (int tick = 0; tick < 29; ++tick) {
        board.Tick();
    }
    board.SetCombo(0);
    EXPECT_EQ(board.GetComboTimer(), 150) << "the timer is left alone";
    Draw();
    EXPECT_EQ(library.DrawsOf("gauge.zqtex").size(), 0u);
    EXPECT_TRUE(Bar().empty());
    EXPECT_EQ(Texts(),
              (std::vector<DrawnText>{{"SCORE:000000000030", {1010, 90, 30, 60}}, kHiScore}));

    for (int tick = 0; tick < 200; ++tick) {
        board.Tick();
    }
    EXPECT_EQ(board.GetComboTimer(), 0);
    Frame(1);
    EXPECT_EQ(board.GetCombo(), 1) << "a new combo starts from 1";
    EXPECT_EQ(board.GetComboTimer(), 179);
    EXPECT_EQ(board.GetScore(), 40);
}

TEST_F(ScoreBoardTest, ThirteenDigitScoreShowsItsLastTwelve) {
    board.AddScore(1234567890123);
    EXPECT_EQ(board.GetScore(), 1234567890123);
    EXPECT_EQ(board.GetScoreText(), u"234567890123");
    Draw();
    EXPECT_EQ(Texts(),
              (std::vector<DrawnText>{{"SCORE:234567890123", {1010, 90, 30, 60}}, kHiScore}));
}

TEST_F(ScoreBoardTest, FrameWithCombo12) {
    for (int hit = 0; hit < 12; ++hit) {
        Frame(1);
    }
    for (int tick = 0; tick < 30; ++tick) {
        board.Tick();
    }
    ASSERT_EQ(board.GetCombo(), 12);
    ASSERT_EQ(board.GetComboTimer(), 149);
    // Fixed to the screen wherever the camera stands.
    Draw(3456.5, 0);

    ASSERT_EQ(library.draws.size(), 2u + 6u + 2u + 18u + 20u);
    const fake::DrawCall& bar = library.draws[0];
    const fake::DrawCall& frame = library.draws[1];
    EXPECT_EQ(library.TextureName(bar.texture), "combo.zqtex");
    EXPECT_EQ(bar.args,
              (std::vector<double>{0, 0, 32, 32, 71, 220, 298, 40, 149, 20, 0, 1, 1, 1, 1}));
    EXPECT_EQ(library.TextureName(frame.texture), "gauge.zqtex");
    EXPECT_EQ(frame.args,
              (std::vector<double>{0, 0, 256, 32, 40, 220, 360, 40, 180, 20, 0, 1, 1, 1, 1}));

    // Glyph by glyph; the score lines follow on as checked by Texts.
    std::vector<Rect> wordAndCount;
    const std::vector<fake::DrawCall> glyphs = Glyphs();
    for (std::size_t i = 0; i < 8; ++i) {
        wordAndCount.push_back(Destination(glyphs[i]));
        EXPECT_EQ(glyphs[i].alpha(), 1.0);
    }
    const std::vector<Rect> countSources = {Source(glyphs[6]), Source(glyphs[7])};
    EXPECT_EQ(wordAndCount, (std::vector<Rect>{{120, 160, 50, 100},
                                               {170, 160, 50, 100},
                                               {220, 160, 50, 100},
                                               {270, 160, 50, 100},
                                               {320, 160, 50, 100},
                                               {370, 160, 50, 100},
                                               {50, 50, 75, 150},
                                               {125, 50, 75, 150}}));
    // "1" and "2": codes 49 and 50, row 1 of the grid.
    EXPECT_EQ(countSources, (std::vector<Rect>{{64, 128, 64, 128}, {128, 128, 64, 128}}));
    EXPECT_EQ(Texts(), (std::vector<DrawnText>{{"COMBO!", {120, 160, 50, 100}},
                                               {"12", {50, 50, 75, 150}},
                                               {"SCORE:000000000780", {1010, 90, 30, 60}},
                                               kHiScore}));
}

}  // namespace
}  // namespace morva
