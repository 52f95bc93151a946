// Loads a private copy of the game library, beside texture files the tests
// write themselves, and drives its exports the way the program does.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "plumo/Abi.h"

extern char** environ;

namespace plumo::test {

// clang-format off
#define PLUMO_TEST_EXPORTS(X) X(Init) X(Free) X(Act) X(Pad) X(LoadTex) X(DrawTex) X(DrawTexRot) \
    X(Rnd) X(Mod) X(Sqrt) X(Cos) X(Sin) X(Hypot) X(InvRot) X(IToS) X(FreeMem)
// clang-format on

struct Exports {
    void* handle = nullptr;
    std::filesystem::path dir;
#define PLUMO_TEST_FIELD(name) name##Fn name = nullptr;
    PLUMO_TEST_EXPORTS(PLUMO_TEST_FIELD)
#undef PLUMO_TEST_FIELD
};

// The library copy, loaded once per process into a temporary folder.
inline const Exports& Library() {
    static const Exports loaded = [] {
        Exports e;
        std::string pattern = std::filesystem::temp_directory_path() / "plumo-test-XXXXXX";
        e.dir = mkdtemp(pattern.data());
        std::filesystem::copy_file(PLUMO_LIBRARY_PATH, e.dir / "Plumo.zqd");
        e.handle = dlopen((e.dir / "Plumo.zqd").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (e.handle == nullptr) {
            throw std::runtime_error(dlerror());
        }
#define PLUMO_BIND(name) e.name = reinterpret_cast<name##Fn>(dlsym(e.handle, #name));
        PLUMO_TEST_EXPORTS(PLUMO_BIND)
#undef PLUMO_BIND
        std::atexit([] { std::filesystem::remove_all(Library().dir); });
        return e;
    }();
    return loaded;
}

// A string record as the program builds them, kept until the process ends.
inline String* Text(const std::string& text) {
    static std::vector<std::vector<uint64_t>> kept;
    auto* record = reinterpret_cast<String*>(kept.emplace_back(4 + text.size() / 4, 0).data());
    record->refCount = 1;
    record->length = static_cast<int64_t>(text.size());
    std::copy(text.begin(), text.end(), record->units);
    return record;
}

// Clears every PLUMO_ setting, sets PLUMO_FPS=0, then applies the given ones.
inline void SetSettings(const std::map<std::string, std::string>& settings) {
    for (const char* name : {"VIDEO", "SEED", "REPLAY", "RECORD", "FRAMES", "TRACE", "SHOT_FRAMES",
                             "SHOT_DIR", "FRAME_LOG", "MEM_REPORT"}) {
        unsetenv((std::string("PLUMO_") + name).c_str());
    }
    setenv("PLUMO_FPS", "0", 1);
    for (const auto& [name, value] : settings) {
        setenv(name.c_str(), value.c_str(), 1);
    }
}

// Opens a session like the program does; failureCell receives raising addresses.
inline void Open(uint64_t* failureCell, uint64_t signature = kProgramSignature) {
    const InitParams params{signature, kProgramMode, &environ,
                            nullptr,   failureCell,  Text("MORVA var 0.2")};
    Library().Init(&params);
}

inline Texture* Load(const std::string& file) {
    return Library().LoadTex(Text(file));
}

inline void Drop(Texture* texture) {
    if (--texture->refCount == 0) {
        texture->release(texture);
    }
}

// "<code> <message>" of the Failure that call raises, or "returned".
inline std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Failure& failure) {
        return std::to_string(failure.code()) + " " + failure.what();
    }
    return "returned";
}

// A 64 x 32 PNG beside the library: quadrants red, green / blue, white.
inline void WriteQuadrantPng(const std::string& name) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_RGBA32);
    const Uint32 colours[] = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};
    for (int i = 0; i < 4; ++i) {
        const SDL_Rect quadrant{32 * (i % 2), 16 * (i / 2), 32, 16};
        SDL_FillRect(surface, &quadrant,
                     SDL_MapRGB(surface->format, colours[i] >> 16, colours[i] >> 8, colours[i]));
    }
    IMG_SavePNG(surface, (Library().dir / name).c_str());
    SDL_FreeSurface(surface);
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh folder for one test's files.
inline std::filesystem::path ScratchDir(const std::string& name) {
    std::filesystem::remove_all(Library().dir / name);
    std::filesystem::create_directories(Library().dir / name);
    return Library().dir / name;
}

}  // namespace plumo::test
