#include "field/ComboGauge.h"

#include <stdexcept>

namespace morva {
namespace {

constexpr int64_t kBarAnime = 100;
constexpr int64_t kFrameAnime = 100;
constexpr int64_t kAnimeCapacity = 1;
constexpr bool kLooping = true;
constexpr int64_t kFrameCount = 1;
constexpr double kStillAngle = 0.0;
constexpr int64_t kStillDuration = 15;  // frames

struct Source {
    double x, y, w, h;  // texels
};
constexpr Source kBarSource = {0, 0, 32, 32};
constexpr Source kFrameSource = {0, 0, 256, 32};

constexpr std::u16string_view kFrameTexture = u"gauge.zqtex";

constexpr int64_t kDrawTime = 0;  // frames
constexpr double kDrawAngle = 0.0;
constexpr double kDrawAlpha = 1.0;

void Build(Sprite& sprite, std::u16string_view texture, int64_t anime, const Source& source,
           double viewX, double viewY, double viewW, double viewH) {
    sprite = Sprite();
    sprite.LoadTexture(texture);
    sprite.Init(kAnimeCapacity, viewX, viewY, viewW, viewH);
    sprite.SetAnime(anime, kLooping, kFrameCount);
    sprite.AddFrame(anime, source.x, source.y, source.w, source.h, kStillAngle, kStillDuration);
}

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
    Build(barSprite, barPath, barAnime, kBarSource, viewX, viewY, viewW, viewH);
    Build(frameSprite, kFrameTexture, frameAnime, kFrameSource, viewX, viewY, viewW, viewH);
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
