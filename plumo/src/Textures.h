// Textures: the handles the program holds, loading them from the library's
// folder and drawing them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
    // Makes scaled copies of the pieces the folder's list names (the draws of
    // a game's first second) until `until`: called while the title shows, it
    // spares the game's first frame the stretching. The next Load ends it.
    void PrepareSome(std::chrono::steady_clock::time_point until);
    // The frame is shown: the copies dropped while it was drawn can go.
    void AfterPresent();

    // One draw a line: the texture's file name, then the draw's numbers.
    static constexpr const char* kPieceList = "pieces.txt";

private:
    friend void ReleaseTexture(Texture* texture);

    void Forget(TextureObject* texture);
    void Unload(TextureObject* texture);
    SDL_Texture* Upload(const Picture& picture, const std::string& path);
    SDL_Texture* Own(TextureObject& object);
    void Render(TextureObject& object, std::span<const double> numbers);
    bool CopySize(const Picture& picture, SDL_Rect& source, const SDL_FRect& destination,
                  int& width, int& height) const;
    SDL_Texture* ScaledCopy(TextureObject& object, SDL_Rect source, int flip, int blit,
                            const SDL_FRect& destination, SDL_Rect& part);
    void ReadPieceList(const std::string& path);

    const Display& display;
    LineWriter& trace;
    const uint64_t generation;
    std::string folder;
    int64_t lastId = 0;
    TextureObject* first = nullptr;
    // Only while SDL draws in software.
    std::optional<ScaledCopies> copies;
    Pictures pictures;
    struct Listed {
        std::string name;
        std::vector<double> numbers;
    };
    static constexpr size_t kMaxPieceListBytes = 64 * 1024;
    std::vector<Listed> listed;
    size_t nextListed = 0;
    bool preparing = false;
};

}  // namespace plumo
