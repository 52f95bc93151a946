// Textures: the handles the program holds, loading them from the library's
// folder and drawing them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "Display.h"
#include "InputFile.h"
#include "LineWriter.h"
#include "Pictures.h"
#include "ScaledCopies.h"
#include "plumo/TextureFile.h"

namespace plumo {

struct TextureObject;

// The textures of one session. Handles outlive it: one released after Free, or
// in a later session, only frees its own memory.
class Textures {
public:
    Textures(const Display& display, LineWriter& trace);
    ~Textures();
    Textures(const Textures&) = delete;
    Textures& operator=(const Textures&) = delete;

    // Where Load reads from; the folder's pictures are read ahead from now on
    // when there will be something to draw them on.
    void SetFolder(std::string path, bool readAhead);
    // Every mode checks the file the same way, so every mode refuses the same files.
    Texture* Load(const std::string& name);
    // numbers: the source rect, the destination rect, then for DrawTexRot the
    // centre and angle, then the four colour factors.
    void Draw(const char* name, Texture* texture, std::span<const double> numbers);
    // Whether SDL draws in software, so that scaled copies are made; known
    // from the first Load on.
    bool MakesCopies() const { return copies.has_value(); }

private:
    friend void ReleaseTexture(Texture* texture);

    void Forget(TextureObject* texture);
    void Unload(TextureObject* texture);
    SDL_Texture* Upload(const Picture& picture, const std::string& path);
    SDL_Texture* Own(TextureObject& object);
    void Render(TextureObject& object, std::span<const double> numbers);
    // What of a texture a draw puts down, and how (see CopyKey).
    struct Piece {
        SDL_Rect source;
        int flip;
        int blit;
    };
    SDL_Texture* ScaledCopy(TextureObject& object, Piece piece, const SDL_FRect& destination,
                            SDL_Rect& part);

    const Display& display;
    LineWriter& trace;
    const uint64_t generation;
    std::string folder;
    int64_t lastId = 0;
    TextureObject* first = nullptr;
    // Only while SDL draws in software.
    std::optional<ScaledCopies> copies;
    Pictures pictures;
};

}  // namespace plumo
