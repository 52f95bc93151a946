#include "game/ScoreBoard.h"

namespace morva {
namespace {

constexpr double kComboDigitW = 75.0;   // pixels
constexpr double kComboDigitH = 150.0;  // pixels
constexpr double kComboDigitX = 50.0;   // pixels
constexpr double kComboDigitY = 50.0;   // pixels
constexpr double kComboLabelW = 50.0;   // pixels
constexpr double kComboLabelH = 100.0;  // pixels
constexpr double kComboLabelX = 120.0;  // pixels
constexpr double kComboLabelY = 160.0;  // pixels
constexpr std::u16string_view kComboLabel = u"COMBO!";
constexpr int64_t kComboTime = 180;  // frames from the last hit to the end of a combo

constexpr double kGaugeHalfW = 180.0;    // pixels
constexpr double kGaugeHalfH = 20.0;     // pixels
constexpr double kGaugeCentreX = 220.0;  // pixels
constexpr double kGaugeCentreY = 240.0;  // pixels
constexpr std::u16string_view kGaugeBarTexture = u"combo.zqtex";

constexpr int64_t kScoreDigits = 12;
constexpr std::u16string_view kScoreLabel = u"SCORE:";
constexpr double kScoreGlyphW = 30.0;  // pixels
constexpr double kScoreGlyphH = 60.0;  // pixels
constexpr double kScoreX = 1010.0;     // pixels: the line ends at 1550
constexpr double kScoreY = 90.0;       // pixels
constexpr std::u16string_view kHiScoreLabel = u"HISCORE:";
constexpr double kHiScoreX = 950.0;  // pixels: ends at 1550 like the score line
constexpr double kHiScoreY = 30.0;   // pixels: directly above the score line

constexpr bool kZeroFill = true;
constexpr double kTextAlpha = 1.0;

}  // namespace

void ScoreBoard::Init() {
    font = BitmapFont();
    font.LoadDefault();

    comboDigitSize.Set(kComboDigitW, kComboDigitH);
    comboDigitPos.Set(kComboDigitX, kComboDigitY);
    comboLabelSize.Set(kComboLabelW, kComboLabelH);
    comboLabelPos.Set(kComboLabelX, kComboLabelY);
    comboLabel = kComboLabel;
    comboTime = kComboTime;

    comboGauge = ComboGauge();
    comboGauge.Init(kGaugeHalfW, kGaugeHalfH, kGaugeCentreX, kGaugeCentreY, comboTime);

    combo = 0;
    comboTimer = comboTime;
    score = 0;
    scoreDigits = kScoreDigits;
    scoreText = font.NumberToText(score, scoreDigits, kZeroFill);
    scoreLabel = kScoreLabel;
    scoreSize.Set(kScoreGlyphW, kScoreGlyphH);
    scorePos.Set(kScoreX, kScoreY);

    hiScore = 0;
    hiScoreText = font.NumberToText(hiScore, scoreDigits, kZeroFill);
    hiScoreLabel = kHiScoreLabel;
    hiScoreSize.Set(kScoreGlyphW, kScoreGlyphH);
    hiScorePos.Set(kHiScoreX, kHiScoreY);

    RebuildScoreLine();
    hiScoreLine = hiScoreLabel + hiScoreText;
}

void ScoreBoard::Load(double viewX, double viewY, double viewW, double viewH) {
    comboGauge.Load(viewX, viewY, viewW, viewH, kGaugeBarTexture);
}

void ScoreBoard::AddCombo() {
    ++combo;
    comboTimer = comboTime;
}

void ScoreBoard::AddScore(int64_t points) {
    score += points;
    scoreText = font.NumberToText(score, scoreDigits, kZeroFill);
    RebuildScoreLine();
}

void ScoreBoard::Tick() {
    --comboTimer;
    if (comboTimer < 0) {
        combo = 0;
        comboTimer = 0;
    }
}

void ScoreBoard::Draw(double viewX, double viewY) {
    if (combo > 0) {
        const std::u16string count = lib::IToS(combo);
        comboGauge.Draw(viewX, viewY, comboTimer);
        font.DrawText(comboLabel, comboLabelPos.GetX(), comboLabelPos.GetY(), comboLabelSize.GetX(),
                      comboLabelSize.GetY(), kTextAlpha);
        font.DrawText(count, comboDigitPos.GetX(), comboDigitPos.GetY(), comboDigitSize.GetX(),
                      comboDigitSize.GetY(), kTextAlpha);
    }
    font.DrawText(scoreLine, scorePos.GetX(), scorePos.GetY(), scoreSize.GetX(), scoreSize.GetY(),
                  kTextAlpha);
    font.DrawText(hiScoreLine, hiScorePos.GetX(), hiScorePos.GetY(), hiScoreSize.GetX(),
                  hiScoreSize.GetY(), kTextAlpha);
}

void ScoreBoard::RebuildScoreLine() {
    // assign and append reuse the buffer once it has held a full line
    scoreLine.assign(scoreLabel);
    scoreLine.append(scoreText);
}

}  // namespace morva
