#include "Harness.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <SDL.h>
#include <SDL_image.h>

extern char** environ;

namespace plumo::test {
namespace {

struct Loaded {
    std::filesystem::path dir;
    void* handle = nullptr;
    Exports exports{};
};

void* Need(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("missing export ") + name);
    }
    return symbol;
}

Loaded& Load() {
    static Loaded loaded = [] {
        Loaded result;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "plumo-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        result.dir = pattern;
        std::filesystem::copy_file(PLUMO_LIBRARY_PATH, result.dir / "Plumo.zqd");
        result.handle = dlopen((result.dir / "Plumo.zqd").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (result.handle == nullptr) {
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        }
#define PLUMO_BIND(name) \
    result.exports.name = reinterpret_cast<name##Fn>(Need(result.handle, #name));
        PLUMO_TEST_EXPORTS(PLUMO_BIND)
#undef PLUMO_BIND
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Load().dir, ignored);
        });
        return result;
    }();
    return loaded;
}

}  // namespace

// A string record with its own storage, as the program builds them.
std::vector<uint64_t> Record(const std::u16string& text) {
    std::vector<uint64_t> storage(3 + (text.size() + 1) / 4 + 1, 0);
    auto* record = reinterpret_cast<String*>(storage.data());
    record->refCount = 1;
    record->length = static_cast<int64_t>(text.size());
    std::copy(text.begin(), text.end(), record->units);
    return storage;
}

const Exports& Library() {
    return Load().exports;
}
void* LibraryHandle() {
    return Load().handle;
}
const std::filesystem::path& LibraryDir() {
    return Load().dir;
}

void SetSettings(const std::map<std::string, std::string>& settings) {
    std::vector<std::string> names;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.rfind("PLUMO_", 0) == 0) {
            names.push_back(text.substr(0, text.find('=')));
        }
    }
    for (const std::string& name : names) {
        unsetenv(name.c_str());
    }
    setenv("PLUMO_FPS", "0", 1);
    for (const auto& [name, value] : settings) {
        setenv(name.c_str(), value.c_str(), 1);
    }
}

void Open(uint64_t* failureCell, const std::u16string& title) {
    auto copy = Record(title);
    const InitParams params{kProgramSignature, kProgramMode,
                            &environ,          nullptr,
                            failureCell,       reinterpret_cast<String*>(copy.data())};
    Library().Init(&params);
}

void Drop(Texture* texture) {
    if (--texture->refCount == 0) {
        texture->release(texture);
    }
}

Texture* Load(const char* name) {
    const std::string text(name);
    auto record = Record(std::u16string(text.begin(), text.end()));
    return Library().LoadTex(reinterpret_cast<String*>(record.data()));
}

std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Failure& failure) {
        return std::to_string(failure.code()) + " " + failure.what();
    }
    return "returned";
}

void WriteQuadrantPng(const std::string& name) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_RGBA32);
    const SDL_Rect quadrants[] = {
        {0, 0, 32, 16}, {32, 0, 32, 16}, {0, 16, 32, 16}, {32, 16, 32, 16}};
    const Uint8 colours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int i = 0; i < 4; ++i) {
        SDL_FillRect(
            surface, &quadrants[i],
            SDL_MapRGBA(surface->format, colours[i][0], colours[i][1], colours[i][2], 255));
    }
    const std::string path = (LibraryDir() / name).string();
    const int saved = IMG_SavePNG(surface, path.c_str());
    SDL_FreeSurface(surface);
    if (saved != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::filesystem::path ScratchDir(const std::string& name) {
    const std::filesystem::path dir = LibraryDir() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace plumo::test
