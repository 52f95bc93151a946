#include "Harness.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

template <typename T>
T Bind(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("missing export ") + name);
    }
    return reinterpret_cast<T>(symbol);
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
        const std::filesystem::path copy = result.dir / "Plumo.zqd";
        std::filesystem::copy_file(PLUMO_LIBRARY_PATH, copy);
        result.handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (result.handle == nullptr) {
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        }
        Exports& e = result.exports;
        e.Init = Bind<InitFn>(result.handle, "Init");
        e.Free = Bind<FreeFn>(result.handle, "Free");
        e.Act = Bind<ActFn>(result.handle, "Act");
        e.Pad = Bind<PadFn>(result.handle, "Pad");
        e.LoadTex = Bind<LoadTexFn>(result.handle, "LoadTex");
        e.DrawTex = Bind<DrawTexFn>(result.handle, "DrawTex");
        e.DrawTexRot = Bind<DrawTexRotFn>(result.handle, "DrawTexRot");
        e.Rnd = Bind<RndFn>(result.handle, "Rnd");
        e.Mod = Bind<ModFn>(result.handle, "Mod");
        e.Pow = Bind<PowFn>(result.handle, "Pow");
        e.Sqrt = Bind<SqrtFn>(result.handle, "Sqrt");
        e.Cos = Bind<CosFn>(result.handle, "Cos");
        e.Sin = Bind<SinFn>(result.handle, "Sin");
        e.Hypot = Bind<HypotFn>(result.handle, "Hypot");
        e.InvRot = Bind<InvRotFn>(result.handle, "InvRot");
        e.IToS = Bind<IToSFn>(result.handle, "IToS");
        e.AllocMem = Bind<AllocMemFn>(result.handle, "AllocMem");
        e.FreeMem = Bind<FreeMemFn>(result.handle, "FreeMem");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Load().dir, ignored);
        });
        return result;
    }();
    return loaded;
}

}  // namespace

OwnedString::OwnedString(const std::u16string& text) : storage_(3 + (text.size() + 1) / 4 + 1, 0) {
    String* record = get();
    record->refCount = 1;
    record->length = static_cast<int64_t>(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        record->units[i] = text[i];
    }
    record->units[text.size()] = u'\0';
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
    // Unpaced unless a test asks for pacing.
    setenv("PLUMO_FPS", "0", 1);
    for (const auto& [name, value] : settings) {
        setenv(name.c_str(), value.c_str(), 1);
    }
}

void Open(uint64_t* failureCell, const std::u16string& title) {
    OwnedString copy(title);
    const InitParams params{kProgramSignature, kProgramMode, &environ,
                            nullptr,           failureCell,  copy.get()};
    Library().Init(&params);
}

void Drop(Texture* texture) {
    if (--texture->refCount == 0) {
        texture->release(texture);
    }
}

void WriteQuadrantPng(const std::string& name) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_RGBA32);
    const SDL_Rect quadrants[] = {
        {0, 0, 32, 16}, {32, 0, 32, 16}, {0, 16, 32, 16}, {32, 16, 32, 16}};
    const Uint32 colours[] = {SDL_MapRGBA(surface->format, 255, 0, 0, 255),
                              SDL_MapRGBA(surface->format, 0, 255, 0, 255),
                              SDL_MapRGBA(surface->format, 0, 0, 255, 255),
                              SDL_MapRGBA(surface->format, 255, 255, 255, 255)};
    for (int i = 0; i < 4; ++i) {
        SDL_FillRect(surface, &quadrants[i], colours[i]);
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
