// Loads a private copy of the game library, beside files the tests write
// themselves, and drives its exports the way the program does.
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
#include "plumo/TextureFile.h"

extern char** environ;

namespace plumo::test {

// clang-format off
#define PLUMO_TEST_EXPORTS(X) X(Init) X(Free) X(Act) X(Pad) X(LoadTex) X(DrawTex) X(DrawTexRot) \
    X(Rnd) X(Mod) X(Sqrt) X(IToS) X(FreeMem)
// clang-format on

struct Exports {
    void* handle = nullptr;
    std::string dir;  // the library's folder, ending in "/"
    // Beside the library's folder, where its outputs may go, ending in "/".
    std::string out;
#define PLUMO_TEST_FIELD(name) name##Fn name = nullptr;
    PLUMO_TEST_EXPORTS(PLUMO_TEST_FIELD)
#undef PLUMO_TEST_FIELD
};

// A texture file of width x height pixels, each colour(x, y) as 0xRRGGBBAA.
inline std::string TextureBytes(uint32_t width, uint32_t height,
                                const std::function<uint32_t(int, int)>& colour) {
    const auto header = texture_file::Encode({width, height});
    std::string bytes(header.begin(), header.end());
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t rgba = colour(static_cast<int>(x), static_cast<int>(y));
            bytes += {static_cast<char>(rgba >> 24), static_cast<char>(rgba >> 16),
                      static_cast<char>(rgba >> 8), static_cast<char>(rgba)};
        }
    }
    return bytes;
}

// The library copy, loaded once per process into the Data folder of a
// temporary game folder, beside quad.zqtex: a 64 x 32 picture, quadrants red,
// green / blue, white.
inline const Exports& Library() {
    static const Exports& loaded = *new Exports([] {
        Exports e;
        std::string pattern = std::filesystem::temp_directory_path() / "plumo-test-XXXXXX";
        e.out = mkdtemp(pattern.data()) + std::string("/");
        e.dir = e.out + "Data/";
        std::filesystem::create_directory(e.dir);
        std::filesystem::copy_file(PLUMO_LIBRARY_PATH, e.dir + "Plumo.zqd");
        e.handle = dlopen((e.dir + "Plumo.zqd").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (e.handle == nullptr) {
            throw std::runtime_error(dlerror());
        }
#define PLUMO_BIND(name) e.name = reinterpret_cast<name##Fn>(dlsym(e.handle, #name));
        PLUMO_TEST_EXPORTS(PLUMO_BIND)
#undef PLUMO_BIND
        std::ofstream(e.dir + "quad.zqtex", std::ios::binary)
            << TextureBytes(64, 32, [](int x, int y) {
                   constexpr uint32_t kColours[] = {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffffffff};
                   return kColours[(x >= 32) + 2 * (y >= 16)];
               });
        std::atexit([] { std::filesystem::remove_all(Library().out); });
        return e;
    }());  // never destroyed, so the folder is still known when it is removed at exit
    return loaded;
}

// A string record as the program builds them, kept until the process ends.
inline String* Text(std::u16string_view text) {
    static std::vector<std::vector<uint64_t>> kept;
    auto* record = reinterpret_cast<String*>(kept.emplace_back(4 + text.size() / 4, 0).data());
    *record = {1, static_cast<int64_t>(text.size()), {}};
    std::copy(text.begin(), text.end(), record->units);
    return record;
}

inline String* Text(const std::string& text) {
    return Text(std::u16string(text.begin(), text.end()));
}

// Opens a session like the program does, with PLUMO_FPS=0, PLUMO_CONFIG_DIR=none,
// a pictures folder of its own and no other PLUMO_ settings than the given
// ones; failureCell receives raising addresses.
inline void Open(std::map<std::string, std::string> settings, uint64_t* failureCell,
                 uint64_t signature = kProgramSignature) {
    for (std::string name : {"VIDEO", "FPS", "SEED", "REPLAY", "RECORD", "FRAMES", "TRACE",
                             "SHOT_FRAMES", "SHOT_DIR", "FRAME_LOG", "MEM_REPORT", "CONFIG_DIR"}) {
        unsetenv(("PLUMO_" + name).c_str());
    }
    settings.try_emplace("PLUMO_FPS", "0");
    settings.try_emplace("PLUMO_CONFIG_DIR", "none");
    // A screenshot asked for with F12 never lands among the developer's own pictures.
    settings.try_emplace("XDG_PICTURES_DIR", Library().out + "Pictures");
    for (const auto& [name, value] : settings) {
        setenv(name.c_str(), value.c_str(), 1);
    }
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
inline std::string Raised(const std::function<void()>& call) try {
    call();
    return "returned";
} catch (const Failure& failure) {
    return std::to_string(failure.code()) + " " + failure.what();
}

inline std::string ReadText(const std::string& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

}  // namespace plumo::test
