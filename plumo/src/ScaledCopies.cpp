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
    uint64_t hash = reinterpret_cast<uintptr_t>(key.owner);
    for (const int part : {key.source.x, key.source.y, key.source.w, key.source.h, key.flip,
                           key.width, key.height, key.blit}) {
        hash = (hash ^ static_cast<unsigned>(part)) * 0x100000001B3ULL;
    }
    // A product's low bits depend only on its factors' low bits, and the
    // sightings go by the low bits: the cells of one sheet, all at multiples
    // of 64, would share a handful of places and push each other out forever.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return static_cast<size_t>(hash);
}

ScaledCopies::~ScaledCopies() {
    for (const auto& [key, copy] : kept) {
        SDL_DestroyTexture(copy.texture);
    }
    DestroyDropped();
    for (const ScratchSlot& slot : scratches) {
        SDL_FreeSurface(slot.view);
        if (slot.texture != nullptr) {
            SDL_DestroyTexture(slot.texture);
        }
    }
}

SDL_Texture* ScaledCopies::Get(const CopyKey& key, SDL_Surface* pixels, uint64_t frame,
                               const void* standIn) {
    if (frame != lastSweep) {
        DropUnused(frame);
    }
    if (const auto found = kept.find(key); found != kept.end()) {
        found->second.lastFrame = frame;
        return found->second.texture;
    }
    CopyKey prepared = key;
    prepared.owner = standIn;
    if (auto node = kept.extract(prepared); !node.empty()) {
        node.key().owner = key.owner;
        node.mapped() = {node.mapped().texture, frame, false};
        return kept.insert(std::move(node)).position->second.texture;
    }
    const int64_t size = int64_t{key.width} * key.height;
    // A draw larger than any the game makes is left to SDL, which sizes its
    // temporary surface for that one draw only.
    if (size > kMaxKeptPixels) {
        return nullptr;
    }
    const Uint32 format = CopyFormat(key, pixels);
    Sighting& sighting = sightings[CopyKeyHash()(key) % kSightings];
    const bool seen = sighting.key == key && sighting.lastFrame + 1 >= frame;
    // Two pieces drawn every frame that share a place would push each other
    // out for ever: the one there first keeps it until it is kept.
    const bool taken = !seen && sighting.key.owner != nullptr && sighting.lastFrame + 1 >= frame;
    if (!taken) {
        if (!seen) {
            sighting = {key, frame, frame};
        }
        sighting.lastFrame = frame;
    }
    const bool steady = !taken && frame - sighting.firstFrame >= kSteadyFrames;
    if ((steady || size >= kLargePiece) && keptPixels + size <= kMaxKeptPixels) {
        if (SDL_Texture* texture = Keep(key, pixels, frame, false); texture != nullptr) {
            if (!taken) {
                sighting = {};
            }
            return texture;
        }
    }
    ScratchSlot* slot = Scratch(key, format, pixels->format->format);
    if (slot == nullptr) {
        return nullptr;
    }
    if (!(slot->holds == key)) {
        slot->holds = {};
        if (!Make(key, pixels, slot->texture, slot->view)) {
            return nullptr;
        }
        slot->holds = key;
    }
    return slot->texture;
}

SDL_Texture* ScaledCopies::Keep(const CopyKey& key, SDL_Surface* pixels, uint64_t frame,
                                bool prepared) {
    SDL_Texture* texture = SDL_CreateTexture(renderer, CopyFormat(key, pixels),
                                             SDL_TEXTUREACCESS_STREAMING, key.width, key.height);
    SDL_Surface* view = View(texture, pixels->format->format);
    const bool made = view != nullptr && Make(key, pixels, texture, view);
    SDL_FreeSurface(view);
    if (!made) {
        if (texture != nullptr) {
            SDL_DestroyTexture(texture);
        }
        return nullptr;
    }
    kept.emplace(key, Kept{texture, frame, prepared});
    keptPixels += int64_t{key.width} * key.height;
    return texture;
}

void ScaledCopies::Prepare(const CopyKey& key, SDL_Surface* pixels, uint64_t frame) {
    const int64_t size = int64_t{key.width} * key.height;
    if (!kept.contains(key) && keptPixels + size <= kMaxKeptPixels) {
        Keep(key, pixels, frame, true);
    }
}

void ScaledCopies::EndPreparing(uint64_t frame) {
    holdPrepared = false;
    for (auto& [key, copy] : kept) {
        if (copy.prepared) {
            copy.lastFrame = frame;
        }
    }
}

void ScaledCopies::ForgetPrepared() {
    std::erase_if(kept, [&](const auto& entry) {
        if (!entry.second.prepared) {
            return false;
        }
        Drop(entry.first, entry.second.texture);
        return true;
    });
}

void ScaledCopies::Forget(const void* owner) {
    std::erase_if(kept, [&](const auto& entry) {
        if (entry.first.owner != owner) {
            return false;
        }
        Drop(entry.first, entry.second.texture);
        return true;
    });
    for (Sighting& sighting : sightings) {
        if (sighting.key.owner == owner) {
            sighting = {};
        }
    }
    for (ScratchSlot& slot : scratches) {
        if (slot.holds.owner == owner) {
            slot.holds = {};
        }
    }
}

void ScaledCopies::Drop(const CopyKey& key, SDL_Texture* texture) {
    keptPixels -= int64_t{key.width} * key.height;
    dropped.push_back(texture);
}

void ScaledCopies::DestroyDropped() {
    for (SDL_Texture* texture : dropped) {
        SDL_DestroyTexture(texture);
    }
    dropped.clear();
}

// In software a texture's pixels stay where they were made, so a surface made
// once over them, in the picture's own format, lets SDL stretch straight into
// the texture.
SDL_Surface* ScaledCopies::View(SDL_Texture* texture, Uint32 pictureFormat) {
    void* memory = nullptr;
    int pitch = 0;
    int width = 0;
    int height = 0;
    if (texture == nullptr || SDL_QueryTexture(texture, nullptr, nullptr, &width, &height) != 0 ||
        SDL_LockTexture(texture, nullptr, &memory, &pitch) != 0) {
        return nullptr;
    }
    SDL_UnlockTexture(texture);
    return SDL_CreateRGBSurfaceWithFormatFrom(memory, width, height, 32, pitch, pictureFormat);
}

bool ScaledCopies::Make(const CopyKey& key, SDL_Surface* pixels, SDL_Texture* texture,
                        SDL_Surface* view) {
    // Locking first draws what the queue still holds of the texture's last piece.
    void* memory = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &memory, &pitch) != 0 || memory != view->pixels) {
        return false;
    }
    SDL_Rect source = key.source;
    SDL_Rect target{0, 0, key.width, key.height};
    const bool stretched = SDL_SoftStretchLinear(pixels, &source, view, &target) == 0;
    if (stretched) {
        Mirror(view, key.width, key.height, key.flip);
        if (CopyFormat(key, pixels) != pixels->format->format) {
            SwapRedAndBlue(view, key.width, key.height);
        }
    }
    SDL_UnlockTexture(texture);
    return stretched;
}

// One scratch texture a format and kind of draw, grown to the largest piece
// drawn and never shrunk.
ScaledCopies::ScratchSlot* ScaledCopies::Scratch(const CopyKey& key, Uint32 format,
                                                 Uint32 pictureFormat) {
    const auto fits = [&](const ScratchSlot& slot) {
        return slot.texture == nullptr || (slot.format == format && slot.blit == key.blit);
    };
    const auto found = std::find_if(scratches.begin(), scratches.end(), fits);
    ScratchSlot& slot = found != scratches.end() ? *found : scratches.front();
    const bool same = slot.texture != nullptr && fits(slot);
    if (same && key.width <= slot.width && key.height <= slot.height) {
        return &slot;
    }
    const int width = std::max(key.width, same ? slot.width : 0);
    const int height = std::max(key.height, same ? slot.height : 0);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    SDL_Surface* view = View(texture, pictureFormat);
    if (view == nullptr) {
        if (texture != nullptr) {
            SDL_DestroyTexture(texture);
        }
        return nullptr;
    }
    SDL_FreeSurface(slot.view);
    if (slot.texture != nullptr) {
        SDL_DestroyTexture(slot.texture);
    }
    slot = {texture, view, width, height, format, key.blit};
    return &slot;
}

void ScaledCopies::DropUnused(uint64_t frame) {
    lastSweep = frame;
    if (frame % 60 != 0) {
        return;
    }
    std::erase_if(kept, [&](const auto& entry) {
        if ((entry.second.prepared && holdPrepared) ||
            entry.second.lastFrame + kUnusedFrames > frame) {
            return false;
        }
        Drop(entry.first, entry.second.texture);
        return true;
    });
}

}  // namespace plumo
