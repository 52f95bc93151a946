// The pixels of the library's texture files, read ahead on a worker thread
// from Init on and kept for the session, so that a game's twelve textures are
// ready when it asks for them and the next game reads nothing.
#pragma once

#include "Sdl.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "InputFile.h"
#include "plumo/TextureFile.h"

namespace plumo {

// One picture's pixels, never changed once read: textures share them.
struct Picture {
    Picture(SDL_Surface* surface, bool opaque) : surface(surface), opaque(opaque) {}
    ~Picture() { SDL_FreeSurface(surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    SDL_Surface* const surface;  // RGBA32
    const bool opaque;           // not one pixel less than fully opaque
};

// Reads a checked file's pixels; null when they cannot be read, with why.
std::shared_ptr<const Picture> ReadPicture(InputFile& file, const texture_file::Header& header,
                                           std::string& why);

class Pictures {
public:
    Pictures() = default;
    ~Pictures();
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;

    // Starts reading every texture file in `folder` on a worker thread.
    void ReadAhead(const std::string& folder);
    // The pixels of `path` as a file of `stamp` holds them, read ahead or
    // earlier in the session; waits while the worker is reading that very
    // file; null when it has none of that version, and then the caller reads
    // it and the worker leaves it alone.
    std::shared_ptr<const Picture> Find(const std::string& path, const FileStamp& stamp);
    void Keep(const std::string& path, const FileStamp& stamp,
              std::shared_ptr<const Picture> picture);
    // What the worker has read of `path` so far, without waiting; null when
    // nothing (yet). `pending`: the worker may still read it.
    std::shared_ptr<const Picture> Ahead(const std::string& path, bool& pending);

private:
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const Picture> picture;
    };
    void ReadAll(std::string folder);

    // More than the pictures of every texture the game has (19 MiB, the largest
    // 6 MiB), far less than memory.
    static constexpr uint64_t kMaxAheadBytes = uint64_t{48} << 20;
    static constexpr uint64_t kMaxPictureBytes = uint64_t{16} << 20;

    std::mutex lock;
    std::condition_variable done;
    std::map<std::string, Entry> entries;
    std::set<std::string> claimed;  // asked for before the worker got to them
    std::string reading;            // the path the worker reads now, "" when none
    bool stopping = false;
    bool finished = false;  // the worker has read all it will
    std::thread worker;
};

}  // namespace plumo
