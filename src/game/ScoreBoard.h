// Score and combo of one game, drawn over the play field: the "SCORE:" and
// "HISCORE:" lines top right and, while a combo runs, its count, the word
// "COMBO!" and the shrinking timer bar top left.
#pragma once

#include <cstdint>
#include <string>

#include "engine/BitmapFont.h"
#include "engine/Vec2.h"
#include "game/ComboGauge.h"

namespace morva {

class ScoreBoard {
public:
    void Init();
    void Load(double viewX, double viewY, double viewW, double viewH);
    int64_t GetCombo() const { return combo; }
    // Leaves the timer running; 0 hides the combo from the next Draw on.
    void SetCombo(int64_t n) { combo = n; }
    // One more hit: the timer starts over.
    void AddCombo();
    void AddScore(int64_t points);
    int64_t GetScore() const { return score; }
    int64_t GetHiScore() const { return hiScore; }
    // The high-score line keeps the text it was given at Init.
    void SetHiScore(int64_t value) { hiScore = value; }
    // One frame of the combo timer; running out clears the combo.
    void Tick();
    void Draw(double viewX, double viewY);

    int64_t GetComboTimer() const { return comboTimer; }

private:
    void RebuildScoreLine();

    Vec2 comboDigitSize;  // pixels per glyph
    Vec2 comboDigitPos;   // pixels, screen
    Vec2 comboLabelSize;  // pixels per glyph
    Vec2 comboLabelPos;   // pixels, screen
    std::u16string comboLabel;
    ComboGauge comboGauge;
    BitmapFont font;
    int64_t combo = 0;
    int64_t comboTimer = 0;  // frames left before the combo runs out
    int64_t comboTime = 0;   // frames
    int64_t score = 0;
    std::u16string scoreText;
    int64_t scoreDigits = 0;
    std::u16string scoreLabel;
    Vec2 scoreSize;  // pixels per glyph
    Vec2 scorePos;   // pixels, screen
    int64_t hiScore = 0;
    std::u16string hiScoreText;
    std::u16string hiScoreLabel;
    Vec2 hiScoreSize;  // pixels per glyph
    Vec2 hiScorePos;   // pixels, screen
    // Label and digits joined once per change, so that a frame without a
    // combo draws without allocating.
    std::u16string scoreLine;
    std::u16string hiScoreLine;
};

}  // namespace morva
