// Scaled and mirrored copies of texture pieces for SDL's software renderer.
// It scales through a new temporary surface on every draw (and rotates to
// mirror); the game draws the same pieces at the same sizes every frame, so
// a copy made once turns those draws into plain blits. The pixels are the
// ones SDL itself would blit: the same linear stretch, then the colour, alpha
// and blending of the draw.
#pragma once

#include "Sdl.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace plumo {

struct CopyKey {
    const void* owner;  // whose pixels
    SDL_Rect source;
    int flip;  // SDL_RendererFlip bits
    int width;
    int height;
    // Which of colour, alpha and blending the draw applies: SDL redoes (and
    // allocates) a surface's blit setup whenever that changes, so each kind
    // of draw gets copies of its own.
    int blit;
    bool operator==(const CopyKey& other) const;
};

struct CopyKeyHash {
    size_t operator()(const CopyKey& key) const;
};

class ScaledCopies {
public:
    explicit ScaledCopies(SDL_Renderer* renderer) : renderer(renderer) {}
    ~ScaledCopies();
    ScaledCopies(const ScaledCopies&) = delete;
    ScaledCopies& operator=(const ScaledCopies&) = delete;

    // A texture whose top-left key.width x key.height pixels are key.source of
    // `pixels` stretched and mirrored as the key says; null when SDL refuses.
    // A piece drawn in every frame for half a second, or a large one, is kept;
    // any other (a bar that shrinks, a puff that grows) goes through a reused
    // scratch texture, so drawing allocates nothing once warm.
    // `standIn`: whose prepared copies the owner may take as its own.
    SDL_Texture* Get(const CopyKey& key, SDL_Surface* pixels, uint64_t frame, const void* standIn);
    // Makes and keeps a copy before any texture draws it, owned by a stand-in
    // (its pixels): the first texture of those pixels that draws it takes it.
    // Prepared copies stay, drawn or not, until EndPreparing.
    void Prepare(const CopyKey& key, SDL_Surface* pixels, uint64_t frame);
    void EndPreparing(uint64_t frame);
    // Drops the prepared copies not taken yet: their stand-ins may be gone.
    void ForgetPrepared();
    // Drops every copy made from `owner`.
    void Forget(const void* owner);
    // Destroys the copies dropped since the last call: once the frame is shown.
    void DestroyDropped();

private:
    struct Kept {
        SDL_Texture* texture;
        uint64_t lastFrame;
        bool prepared;  // owned by a stand-in
    };
    struct Sighting {
        CopyKey key{};
        uint64_t firstFrame = 0;
        uint64_t lastFrame = 0;
    };

    struct ScratchSlot {
        SDL_Texture* texture = nullptr;
        SDL_Surface* view = nullptr;  // over the texture's pixels
        int width = 0;
        int height = 0;
        Uint32 format = 0;
        int blit = 0;
        // The piece it holds now: the same piece drawn again (the two ground
        // tiles, a letter twice in a line) needs no second stretch.
        CopyKey holds{};
    };

    SDL_Texture* Keep(const CopyKey& key, SDL_Surface* pixels, uint64_t frame, bool prepared);
    SDL_Surface* View(SDL_Texture* texture, Uint32 pictureFormat);
    bool Make(const CopyKey& key, SDL_Surface* pixels, SDL_Texture* texture, SDL_Surface* view);
    ScratchSlot* Scratch(const CopyKey& key, Uint32 format, Uint32 pictureFormat);
    void DropUnused(uint64_t frame);
    void Drop(const CopyKey& key, SDL_Texture* texture);

    // Copies not drawn for a minute go, and the cache stays within
    // this many pixels (the game keeps about 2.5 million).
    static constexpr uint64_t kUnusedFrames = 3600;
    static constexpr int64_t kMaxKeptPixels = int64_t{16} << 20;
    static constexpr size_t kSightings = 256;
    static constexpr uint64_t kSteadyFrames = 30;
    // Larger pieces (the backgrounds, a tree) are kept at once: stretched
    // through a scratch texture they would grow it, and cost most of a frame.
    static constexpr int64_t kLargePiece = 128 * 1024;

    SDL_Renderer* renderer;
    std::unordered_map<CopyKey, Kept, CopyKeyHash> kept;
    // Destroyed after the present, not in the middle of a frame: SDL would
    // first run the draws it has queued, and the memory freed, taken at once
    // by the next large copy, was measured to cost it fresh page faults (the
    // title's copies go in the frame a game sets up in).
    std::vector<SDL_Texture*> dropped;
    int64_t keptPixels = 0;
    bool holdPrepared = true;
    uint64_t lastSweep = 0;
    // Pieces seen once, by hash: a fixed table, so one-off sizes cost nothing.
    std::array<Sighting, kSightings> sightings{};
    // One a pixel format and kind of draw.
    std::array<ScratchSlot, 16> scratches{};
};

}  // namespace plumo
