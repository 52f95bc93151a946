#include "ScaledCopies.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace plumo {
namespace {

// In place, as SDL's mirroring (a pure reordering of pixels) leaves them.
void Mirror(SDL_Surface* surface, int width, int height, int flip) {
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    if ((flip & SDL_FLIP_HORIZONTAL) != 0) {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(pixels + size_t(y) * surface->pitch);
            std::reverse(row, row + width);
        }
    }
    if ((flip & SDL_FLIP_VERTICAL) != 0) {
        const size_t bytes = size_t(width) * 4;
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(pixels + size_t(top) * surface->pitch,
                             pixels + size_t(top) * surface->pitch + bytes,
                             pixels + size_t(bottom) * surface->pitch);
        }
    }
}

// RGBA32 <-> ARGB8888 in memory order.
void SwapRedAndBlue(SDL_Surface* surface, int width, int height) {
    for (int y = 0; y < height; ++y) {
        auto* pixel = static_cast<uint8_t*>(surface->pixels) + size_t(y) * surface->pitch;
        for (int x = 0; x < width; ++x, pixel += 4) {
            std::swap(pixel[0], pixel[2]);
        }
    }
}

// SDL mirrors through an ARGB8888 surface, and the blend from it rounds
// differently from one in the picture's own format.
Uint32 CopyFormat(const CopyKey& key, const SDL_Surface* pixels) {
    return key.flip != SDL_FLIP_NONE ? Uint32{SDL_PIXELFORMAT_ARGB8888} : pixels->format->format;
}

}  // namespace

bool CopyKey::operator==(const CopyKey& other) const {
    return owner == other.owner && source.x == other.source.x && source.y == other.source.y &&
           source.w == other.source.w && source.h == other.source.h && flip == other.flip &&
           width == other.width && height == other.height && blit == other.blit;
}

size_t CopyKeyHash::operator()(const CopyKey& key) const {
    size_t hash = std::hash<const void*>()(key.owner);
    for (const int part : {key.source.x, key.source.y, key.source.w, key.source.h, key.flip,
                           key.width, key.height, key.blit}) {
        hash = (hash ^ static_cast<size_t>(static_cast<unsigned>(part))) * 0x100000001B3ULL;
    }
    return hash;
}

ScaledCopies::~ScaledCopies() {
    for (const auto& [key, copy] : kept) {
        SDL_DestroyTexture(copy.texture);
    }
    for (const ScratchSlot& slot : scratches) {
        if (slot.texture != nullptr) {
            SDL_DestroyTexture(slot.texture);
        }
    }
    SDL_FreeSurface(staging);
}

SDL_Texture* ScaledCopies::Get(const CopyKey& key, SDL_Surface* pixels, uint64_t frame) {
    if (frame != lastSweep) {
        DropUnused(frame);
    }
    if (const auto found = kept.find(key); found != kept.end()) {
        found->second.lastFrame = frame;
        return found->second.texture;
    }
    // The staging surface must hold the piece either way.
    const Uint32 format = CopyFormat(key, pixels);
    SDL_Texture* temporary = Scratch(key, format, pixels->format->format);
    if (temporary == nullptr) {
        return nullptr;
    }
    Sighting& sighting = sightings[CopyKeyHash()(key) % kSightings];
    if (!(sighting.key == key && sighting.lastFrame + 1 >= frame)) {
        sighting = {key, frame, frame};
    }
    sighting.lastFrame = frame;
    const int64_t size = int64_t{key.width} * key.height;
    if (frame - sighting.firstFrame < kSteadyFrames || keptPixels + size > kMaxKeptPixels) {
        return Make(key, pixels, temporary);
    }
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STATIC, key.width, key.height);
    if (texture == nullptr || Make(key, pixels, texture) == nullptr) {
        SDL_DestroyTexture(texture);
        return Make(key, pixels, temporary);
    }
    kept.emplace(key, Kept{texture, frame});
    keptPixels += size;
    return texture;
}

void ScaledCopies::Forget(const void* owner) {
    std::erase_if(kept, [&](const auto& entry) {
        if (entry.first.owner != owner) {
            return false;
        }
        keptPixels -= int64_t{entry.first.width} * entry.first.height;
        SDL_DestroyTexture(entry.second.texture);
        return true;
    });
    for (Sighting& sighting : sightings) {
        if (sighting.key.owner == owner) {
            sighting = {};
        }
    }
}

SDL_Texture* ScaledCopies::Make(const CopyKey& key, SDL_Surface* pixels, SDL_Texture* into) {
    if (into == nullptr) {
        return nullptr;
    }
    SDL_Rect source = key.source;
    SDL_Rect target{0, 0, key.width, key.height};
    if (SDL_SoftStretchLinear(pixels, &source, staging, &target) != 0) {
        return nullptr;
    }
    Mirror(staging, key.width, key.height, key.flip);
    if (CopyFormat(key, pixels) != pixels->format->format) {
        SwapRedAndBlue(staging, key.width, key.height);
    }
    if (SDL_UpdateTexture(into, &target, staging->pixels, staging->pitch) != 0) {
        return nullptr;
    }
    return into;
}

// One scratch texture a format, grown to the largest piece drawn and never
// shrunk. The staging surface holds the stretched pixels on their way into a
// texture.
SDL_Texture* ScaledCopies::Scratch(const CopyKey& key, Uint32 format, Uint32 pictureFormat) {
    const int width = key.width;
    const int height = key.height;
    if (staging == nullptr || staging->w < width || staging->h < height ||
        staging->format->format != pictureFormat) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(
            0, std::max(width, staging != nullptr ? staging->w : 0),
            std::max(height, staging != nullptr ? staging->h : 0), 32, pictureFormat);
        if (surface == nullptr) {
            return nullptr;
        }
        SDL_FreeSurface(staging);
        staging = surface;
    }
    const auto fits = [&](const ScratchSlot& slot) {
        return slot.texture == nullptr || (slot.format == format && slot.blit == key.blit);
    };
    const auto found = std::find_if(scratches.begin(), scratches.end(), fits);
    ScratchSlot& slot = found != scratches.end() ? *found : scratches.front();
    if (fits(slot) && slot.texture != nullptr && width <= slot.width && height <= slot.height) {
        return slot.texture;
    }
    const int newWidth = std::max(width, fits(slot) ? slot.width : 0);
    const int newHeight = std::max(height, fits(slot) ? slot.height : 0);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, newWidth, newHeight);
    if (texture == nullptr) {
        return nullptr;
    }
    if (slot.texture != nullptr) {
        SDL_DestroyTexture(slot.texture);
    }
    slot = {texture, newWidth, newHeight, format, key.blit};
    return texture;
}

void ScaledCopies::DropUnused(uint64_t frame) {
    lastSweep = frame;
    if (frame % 60 != 0) {
        return;
    }
    std::erase_if(kept, [&](const auto& entry) {
        if (entry.second.lastFrame + kUnusedFrames > frame) {
            return false;
        }
        keptPixels -= int64_t{entry.first.width} * entry.first.height;
        SDL_DestroyTexture(entry.second.texture);
        return true;
    });
}

}  // namespace plumo
