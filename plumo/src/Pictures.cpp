#include "Pictures.h"

#include <algorithm>
#include <filesystem>

#include <system_error>
#include <vector>
#include "FilePath.h"

namespace plumo {
namespace {

bool Opaque(const SDL_Surface* image) {
    for (int y = 0; y < image->h; ++y) {
        const auto* row = static_cast<const uint8_t*>(image->pixels) + size_t(y) * image->pitch;
        for (int x = 0; x < image->w; ++x) {
            if (row[size_t(x) * 4 + 3] != 0xFF) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::shared_ptr<const Picture> ReadPicture(InputFile& file, const texture_file::Header& header,
                                           std::string& why) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(header.width),
                                       static_cast<int>(header.height), 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        why = SDL_GetError();
        return nullptr;
    }
    const size_t rowBytes = size_t{header.width} * texture_file::kBytesPerPixel;
    for (uint32_t y = 0; y < header.height && why.empty(); ++y) {
        why = ReadExactly(file, static_cast<uint8_t*>(surface->pixels) + size_t{y} * surface->pitch,
                          rowBytes);
    }
    // The size was checked before; a file that grew since is not the one checked.
    char more = 0;
    if (why.empty() && file.Read(&more, 1) != 0) {
        why = "the file changed while it was read";
    }
    if (!why.empty()) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    return std::make_shared<const Picture>(surface, Opaque(surface));
}

Pictures::~Pictures() {
    {
        const std::lock_guard<std::mutex> held(lock);
        stopping = true;
    }
    if (worker.joinable()) {
        worker.join();
    }
}

void Pictures::ReadAhead(const std::string& folder) {
    if (worker.joinable()) {
        return;
    }
    try {
        worker = std::thread(&Pictures::ReadAll, this, folder);
    } catch (const std::system_error&) {
        // No thread to be had (none at all in a web page): the game reads each
        // picture when it asks for it.
    }
}

// Files it cannot read it leaves alone: LoadTex refuses them with the reason.
void Pictures::ReadAll(std::string folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator at(PathOf(folder), error), end; !error && at != end;
         at.increment(error)) {
        if (at->path().extension() == ".zqtex") {
            // Named as LoadTex names them, so that it finds them.
            files.push_back(JoinPath(folder, Utf8Of(at->path().filename())));
        }
    }
    // In a fixed order, so that every run reads alike.
    std::sort(files.begin(), files.end());
    uint64_t total = 0;
    for (const std::string& name : files) {
        {
            const std::lock_guard<std::mutex> held(lock);
            if (stopping || entries.contains(name) || claimed.contains(name)) {
                continue;
            }
            reading = name;
        }
        InputFile file;
        unsigned char bytes[texture_file::kHeaderBytes];
        texture_file::Header header;
        std::string why = file.Open(name);
        if (why.empty()) {
            why = ReadExactly(file, bytes, sizeof bytes);
        }
        if (why.empty()) {
            why = texture_file::Parse(bytes, static_cast<uint64_t>(file.Stamp().size), header);
        }
        std::shared_ptr<const Picture> picture;
        // A picture larger than any of the game's own is left for LoadTex, if it ever asks.
        if (why.empty() && header.PixelBytes() <= kMaxPictureBytes &&
            total + header.PixelBytes() <= kMaxAheadBytes) {
            total += header.PixelBytes();
            picture = ReadPicture(file, header, why);
        }
        const std::lock_guard<std::mutex> held(lock);
        if (picture != nullptr) {
            entries.try_emplace(name, Entry{file.Stamp(), std::move(picture)});
        }
        reading.clear();
        done.notify_all();
    }
    const std::lock_guard<std::mutex> held(lock);
    finished = true;
}

std::shared_ptr<const Picture> Pictures::Find(const std::string& path, const FileStamp& stamp) {
    std::unique_lock<std::mutex> held(lock);
    done.wait(held, [&] { return reading != path; });
    const auto found = entries.find(path);
    if (found == entries.end() || !(found->second.stamp == stamp)) {
        // The caller reads it now; the worker need not read it too.
        claimed.insert(path);
        return nullptr;
    }
    return found->second.picture;
}

void Pictures::Keep(const std::string& path, const FileStamp& stamp,
                    std::shared_ptr<const Picture> picture) {
    const std::lock_guard<std::mutex> held(lock);
    entries.insert_or_assign(path, Entry{stamp, std::move(picture)});
}

std::shared_ptr<const Picture> Pictures::Ahead(const std::string& path, bool& pending) {
    const std::lock_guard<std::mutex> held(lock);
    const auto found = entries.find(path);
    pending = found == entries.end() && worker.joinable() && !finished && !claimed.contains(path);
    return found != entries.end() ? found->second.picture : nullptr;
}

}  // namespace plumo
