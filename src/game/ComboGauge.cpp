#include "game/ComboGauge.h"

#include <array>
#include <stdexcept>

namespace morva {
namespace {

constexpr int64_t kBarAnime = 100;
constexpr int64_t kFrameAnime = 100;
constexpr double kStillAngle = 0.0;
constexpr int64_t kStillDuration = 15;  // frames

constexpr std::array<SheetAnime, 1> kBarAnimes = {{{kBarAnime, true, 1}}};
constexpr std::array<SheetFrame, 1> kBarFrames = {{{0, 0, 32, 32, kStillAngle, kStillDuration}}};
constexpr std::array<SheetAnime, 1> kFrameAnimes = {{{kFrameAnime, true, 1}}};
constexpr std::array<SheetFrame, 1> kFrameFrames = {{{0, 0, 256, 32, kStillAngle, kStillDuration}}};

constexpr std::u16string_view kFrameTexture = u"gauge.zqtex";

constexpr int64_t kDrawTime = 0;  // frames
constexpr double kDrawAngle = 0.0;
constexpr double kDrawAlpha = 1.0;

}  // namespace

void ComboGauge::Init(double halfW, double halfH, double centreX, double centreY,
                      int64_t newMaxTime) {
    if (newMaxTime <= 0) {
        throw std::invalid_argument("combo gauge needs a full time of at least one frame");
    }
    barAnime = kBarAnime;
    frameAnime = kFrameAnime;
    half.Set(halfW, halfH);
    centre.Set(centreX, centreY);
    maxTime = newMaxTime;
    pixelsPerTick = halfW / static_cast<double>(maxTime);
}

void ComboGauge::Load(double viewX, double viewY, double viewW, double viewH,
                      std::u16string_view barPath) {
    barSprite.LoadSheet(barPath, kBarAnimes, kBarFrames, viewX, viewY, viewW, viewH);
    frameSprite.LoadSheet(kFrameTexture, kFrameAnimes, kFrameFrames, viewX, viewY, viewW, viewH);
}

void ComboGauge::Draw(double viewX, double viewY, int64_t timer) {
    // The sprites subtract the view origin again: the gauge stays on screen.
    const double x = viewX + centre.GetX();
    const double y = viewY + centre.GetY();
    barSprite.Draw(barAnime, kDrawTime, x, y, pixelsPerTick * static_cast<double>(timer),
                   half.GetY(), kDrawAngle, kDrawAlpha, viewX, viewY);
    frameSprite.Draw(frameAnime, kDrawTime, x, y, half.GetX(), half.GetY(), kDrawAngle, kDrawAlpha,
                     viewX, viewY);
}

}  // namespace morva
