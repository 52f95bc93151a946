// One texture with a table of animations, drawn centred, rotated and culled
// against a view. The sprite keeps no clock: the owner passes the time.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "frame/library/Library.h"

namespace morva {

struct AnimeFrame {
    double srcX = 0.0;
    double srcY = 0.0;
    double srcW = 0.0;  // negative: mirrored, srcX is then the far edge
    double srcH = 0.0;
    double angle = 0.0;    // radians, added to the draw angle
    int64_t duration = 0;  // frames
};

using AnimeFrameRef = std::shared_ptr<AnimeFrame>;

inline constexpr int64_t kFreeAnimeId = -1;

struct AnimeEntry {
    int64_t id = kFreeAnimeId;
    int64_t totalDuration = 0;  // frames
    bool loop = false;
    std::vector<AnimeFrameRef> frames;
    int64_t framesAdded = 0;
};

using AnimeEntryRef = std::shared_ptr<AnimeEntry>;

class Sprite {
public:
    void LoadTexture(std::u16string_view path);
    void Init(int64_t capacity, double viewX, double viewY, double viewW, double viewH);
    void SetAnime(int64_t animeId, bool loop, int64_t frameCount);
    void AddFrame(int64_t animeId, double srcX, double srcY, double srcW, double srcH, double angle,
                  int64_t duration);
    AnimeFrameRef GetFrame(int64_t animeId, int64_t time) const;
    AnimeFrameRef GetFrameAt(int64_t animeId, int64_t index) const;
    void SetViewPos(double viewX, double viewY);
    // (x, y) is the centre in world pixels; the view origin is where the
    // screen's top-left corner sits in the world.
    void Draw(int64_t animeId, int64_t time, double x, double y, double halfW, double halfH,
              double angle, double alpha, double viewX, double viewY);
    int64_t GetAnimeLength(int64_t animeId) const;

    const AnimeFrameRef& CurrentFrame() const { return currentFrame; }

private:
    AnimeFrameRef FallbackFrame() const;

    lib::Texture texture;
    std::vector<AnimeEntryRef> animes;
    int64_t animeCapacity = 0;
    double viewX = 0.0;
    double viewY = 0.0;
    double viewW = 0.0;
    double viewH = 0.0;
    AnimeFrameRef currentFrame;
};

}  // namespace morva
