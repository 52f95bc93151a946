#include "engine/Sprite.h"

#include <stdexcept>

#include "engine/Checked.h"
#include "engine/DebugTrace.h"
#include "engine/MathHelpers.h"

namespace morva {
namespace {

constexpr double kHalvesPerSize = 2.0;
constexpr double kFullColour = 1.0;  // colour factor that leaves the texture as it is

}  // namespace

void Sprite::LoadTexture(std::u16string_view path) {
    texture = lib::LoadTex(path);
}

void Sprite::Init(int64_t capacity, double newViewX, double newViewY, double newViewW,
                  double newViewH) {
    viewX = newViewX;
    viewY = newViewY;
    viewW = newViewW;
    viewH = newViewH;
    if (capacity < 0) {
        throw std::length_error("sprite animation table of negative size");
    }
    animes.assign(static_cast<std::size_t>(capacity), AnimeEntry{});
    animeCapacity = capacity;
}

void Sprite::LoadSheet(std::u16string_view path, std::span<const SheetAnime> sheetAnimes,
                       std::span<const SheetFrame> frames, double newViewX, double newViewY,
                       double newViewW, double newViewH) {
    if (FrameTotal(sheetAnimes) != frames.size()) {
        throw std::length_error("sprite sheet with a frame table of the wrong size");
    }
    LoadTexture(path);
    Init(static_cast<int64_t>(sheetAnimes.size()), newViewX, newViewY, newViewW, newViewH);
    std::size_t next = 0;
    for (const SheetAnime& anime : sheetAnimes) {
        SetAnime(anime.id, anime.loop, anime.frameCount);
        for (int64_t i = 0; i < anime.frameCount; ++i, ++next) {
            const SheetFrame& f = frames[next];
            AddFrame(anime.id, f.srcX, f.srcY, f.srcW, f.srcH, f.angle, f.duration);
        }
    }
}

void Sprite::SetAnime(int64_t animeId, bool loop, int64_t frameCount) {
    if (animeCapacity <= 0) {
        DebugTrace(u"err02:no animation table");
        return;
    }
    for (int64_t i = 0; i < animeCapacity; ++i) {
        AnimeEntry& entry = At(animes, i, "animes");
        if (entry.id == animeId) {
            DebugTrace(u"err00:animation id already registered");
        } else if (entry.id == kFreeAnimeId) {
            if (frameCount < 0) {
                throw std::length_error("animation with a negative frame count");
            }
            entry.id = animeId;
            entry.loop = loop;
            entry.framesAdded = 0;
            entry.frames.assign(static_cast<std::size_t>(frameCount), AnimeFrame{});
            DebugTrace(u"Set Anime." + lib::IToS(animeId));
            return;
        } else if (i == animeCapacity - 1) {
            DebugTrace(u"err01:animation table full");
        }
    }
}

void Sprite::AddFrame(int64_t animeId, double srcX, double srcY, double srcW, double srcH,
                      double angle, int64_t duration) {
    if (animeCapacity <= 0) {
        DebugTrace(u"err04:no animation table");
        return;
    }
    for (int64_t i = 0; i < animeCapacity; ++i) {
        AnimeEntry& entry = At(animes, i, "animes");
        if (entry.id == animeId) {
            AnimeFrame& frame = At(entry.frames, entry.framesAdded, "frames");
            frame = AnimeFrame{srcX, srcY, srcW, srcH, angle, duration};
            entry.totalDuration += duration;
            ++entry.framesAdded;
            return;
        }
    }
    DebugTrace(u"err03:AnimeID Not Found.");
}

const AnimeFrame& Sprite::GetFrame(int64_t animeId, int64_t time) const {
    for (const AnimeEntry& entry : animes) {
        if (entry.id != animeId) {
            continue;
        }
        int64_t t = time;
        for (int64_t j = 0; j < entry.framesAdded; ++j) {
            if (entry.loop) {
                if (entry.totalDuration == 0) {
                    throw std::domain_error("looping animation without duration");
                }
                t %= entry.totalDuration;
            }
            const AnimeFrame& frame = At(entry.frames, j, "frames");
            if (t < frame.duration || j == entry.framesAdded - 1) {
                return frame;
            }
            t -= frame.duration;
        }
    }
    DebugTrace(u"err05:AnimeID Not Found.");
    return FallbackFrame();
}

const AnimeFrame& Sprite::GetFrameAt(int64_t animeId, int64_t index) const {
    for (const AnimeEntry& entry : animes) {
        if (entry.id == animeId) {
            return At(entry.frames, index, "frames");
        }
    }
    DebugTrace(u"err06:AnimeID Not Found.");
    return FallbackFrame();
}

const AnimeFrame& Sprite::FallbackFrame() const {
    return At(At(animes, 0, "animes").frames, 0, "frames");
}

void Sprite::SetViewPos(double newViewX, double newViewY) {
    viewX = newViewX;
    viewY = newViewY;
}

void Sprite::Draw(int64_t animeId, int64_t time, double x, double y, double halfW, double halfH,
                  double angle, double alpha, double drawViewX, double drawViewY) {
    SetViewPos(drawViewX, drawViewY);
    const bool visible = x > viewX - halfW && x < viewX + viewW + halfW && y > viewY - halfH &&
                         y < viewY + viewH + halfH;
    if (!visible) {
        return;
    }
    const AnimeFrame& f = GetFrame(animeId, time);
    // The rotation centre is the middle of the destination, relative to its
    // top-left corner.
    morva::DrawTexRot(texture, f.srcX, f.srcY, f.srcW, f.srcH, x - halfW - viewX, y - halfH - viewY,
                      kHalvesPerSize * halfW, kHalvesPerSize * halfH, halfW, halfH, f.angle + angle,
                      kFullColour, kFullColour, kFullColour, alpha);
}

int64_t Sprite::GetAnimeLength(int64_t animeId) const {
    for (const AnimeEntry& entry : animes) {
        if (entry.id == animeId) {
            return entry.totalDuration;
        }
    }
    return 0;
}

}  // namespace morva
