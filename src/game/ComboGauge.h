// The combo timer bar inside its frame, fixed to the screen: the bar shrinks
// from both ends towards the centre as the timer runs down.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/Sprite.h"
#include "engine/Vec2.h"

namespace morva {

class ComboGauge {
public:
    // half and centre in screen pixels; maxTime in frames fills the bar.
    void Init(double halfW, double halfH, double centreX, double centreY, int64_t maxTime);
    void Load(double viewX, double viewY, double viewW, double viewH, std::u16string_view barPath);
    // timer in frames; 0 draws a bar of no width inside the frame.
    void Draw(double viewX, double viewY, int64_t timer);

private:
    Sprite barSprite;
    Sprite frameSprite;
    int64_t barAnime = 0;
    int64_t frameAnime = 0;
    Vec2 half;                   // pixels
    Vec2 centre;                 // pixels, screen
    int64_t maxTime = 0;         // frames
    double pixelsPerTick = 0.0;  // half-width of the bar per timer frame
};

}  // namespace morva
