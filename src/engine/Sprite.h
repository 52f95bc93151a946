// One texture with a table of animations, drawn centred, rotated and culled
// against a view. The sprite keeps no clock: the owner passes the time.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/Library.h"

namespace morva {

struct AnimeFrame {
    double srcX = 0.0;
    double srcY = 0.0;
    double srcW = 0.0;  // negative: mirrored, srcX is then the far edge
    double srcH = 0.0;
    double angle = 0.0;    // radians, added to the draw angle
    int64_t duration = 0;  // frames
};

inline constexpr int64_t kFreeAnimeId = -1;

struct AnimeEntry {
    int64_t id = kFreeAnimeId;
    int64_t totalDuration = 0;  // frames
    bool loop = false;
    std::vector<AnimeFrame> frames;
    int64_t framesAdded = 0;
};

// A picture sheet as tables: the animations in order, and all their frames
// one after the other in the same order.
struct SheetAnime {
    int64_t id;
    bool loop;
    int64_t frameCount;
};

struct SheetFrame {
    double srcX;  // texels
    double srcY;
    double srcW;  // negative: mirrored, srcX is the cell's right edge
    double srcH;
    double angle;      // radians
    int64_t duration;  // frames
};

constexpr std::size_t FrameTotal(std::span<const SheetAnime> animes) {
    std::size_t total = 0;
    for (const SheetAnime& anime : animes) {
        total += static_cast<std::size_t>(anime.frameCount);
    }
    return total;
}

class Sprite {
public:
    void LoadTexture(std::u16string_view path);
    void Init(int64_t capacity, double viewX, double viewY, double viewW, double viewH);
    // Loads the texture and a table of just the sheet's animations.
    void LoadSheet(std::u16string_view path, std::span<const SheetAnime> sheetAnimes,
                   std::span<const SheetFrame> frames, double viewX, double viewY, double viewW,
                   double viewH);
    void SetAnime(int64_t animeId, bool loop, int64_t frameCount);
    void AddFrame(int64_t animeId, double srcX, double srcY, double srcW, double srcH, double angle,
                  int64_t duration);
    const AnimeFrame& GetFrame(int64_t animeId, int64_t time) const;
    const AnimeFrame& GetFrameAt(int64_t animeId, int64_t index) const;
    void SetViewPos(double viewX, double viewY);
    // (x, y) is the centre in world pixels; the view origin is where the
    // screen's top-left corner sits in the world.
    void Draw(int64_t animeId, int64_t time, double x, double y, double halfW, double halfH,
              double angle, double alpha, double viewX, double viewY);
    int64_t GetAnimeLength(int64_t animeId) const;

private:
    const AnimeFrame& FallbackFrame() const;

    lib::Texture texture;
    std::vector<AnimeEntry> animes;
    int64_t animeCapacity = 0;
    double viewX = 0.0;
    double viewY = 0.0;
    double viewW = 0.0;
    double viewH = 0.0;
};

}  // namespace morva
