// A stand-in game library: the build's version script hides the export a
// variant lacks. Events go as lines to the file MORVA_STUB_LOG names; the
// third Act ends the run as a closed window would; MORVA_STUB_BREAK makes
// act-failure, act-invalid-fp, act-access-violation or free-failure happen.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <plumo/Abi.h>

namespace {

int64_t gActs = 0;
uint64_t* gFailureCell = nullptr;

void Note(const std::string& line) {
    const char* path = std::getenv("MORVA_STUB_LOG");
    if (std::FILE* file = path != nullptr ? std::fopen(path, "a") : nullptr) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

bool Breaks(const char* step) {  // MORVA_STUB_BREAK names the steps, space-separated
    const std::string chosen = " " + std::string(std::getenv("MORVA_STUB_BREAK") ?: "") + " ";
    return chosen.find(" " + std::string(step) + " ") != std::string::npos;
}

[[noreturn]] __attribute__((noinline)) void Raise(int64_t code, const std::string& message) {
    if (gFailureCell != nullptr && *gFailureCell == 0) {
        *gFailureCell = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    throw plumo::Failure(code, message);
}

// "program" when the address lies in the executable, which the loader names
// by argv[0], perhaps a symbolic link.
std::string ModuleOf(const void* address) {
    Dl_info info{};
    char self[PATH_MAX] = {}, module[PATH_MAX] = {};
    return dladdr(address, &info) != 0 && info.dli_fname != nullptr &&
                   readlink("/proc/self/exe", self, sizeof(self) - 1) > 0 &&
                   realpath(info.dli_fname, module) != nullptr && std::strcmp(module, self) == 0
               ? "program"
               : "other";
}

struct Lifetime {
    Lifetime() { Note("loaded"); }
    ~Lifetime() { Note("unloaded"); }
} gLifetime;

}  // namespace

extern "C" {

int64_t Init(const plumo::InitParams* params) {
    gFailureCell = params->failureAddress;
    const plumo::String& title = *params->title;
    std::string line =
        "Init \"" + std::string(title.units, title.units + title.length) + "\" signature " +
        (params->signature == plumo::kProgramSignature ? "ok" : "wrong") + " mode " +
        std::to_string(params->mode) + " instance " + ModuleOf(params->instance) + " icon";
    for (int64_t i = 0; i < params->icon->imageCount; ++i) {
        line += " " + std::to_string(params->icon->images[i].size);
    }
    Note(line + " cell " + std::to_string(*params->failureAddress));
    return 1;
}

void Free() {
    Note("Free");
    if (Breaks("free-failure")) {
        Raise(plumo::kLibraryFailure, "Free broke");
    }
}

void Act() {
    if (Breaks("act-failure")) {
        Raise(plumo::kLibraryFailure, "texture missing.zqtex cannot be read");
    }
    volatile double zero = 0.0;
    volatile double nan = Breaks("act-invalid-fp") ? zero / zero : zero;
    (void)nan;
    if (Breaks("act-access-violation")) {
        // Not null: the sanitizer builds would stop a null store themselves.
        volatile uintptr_t nowhere = 0x10;
        *reinterpret_cast<volatile int*>(nowhere) = 1;
    }
    if (++gActs >= 3) {
        Raise(plumo::kQuietEnd, "frame limit reached");
    }
}

int64_t Pad(int64_t, int64_t) {
    return 0;
}

plumo::Texture* LoadTex(const plumo::String*) {
    return new plumo::Texture{1, [](plumo::Texture* texture) { delete texture; }};
}

void DrawTex(plumo::Texture*, double, double, double, double, double, double, double, double,
             double, double, double, double) {}

#define STANDIN_RAISES(name)                                                  \
    void name() {                                                             \
        Raise(plumo::kUnprovided, #name " is not provided by this stand-in"); \
    }
#define PLUMO_UNPROVIDED(name) STANDIN_RAISES(name)
// The exports the title screen never calls.
// clang-format off
#define STANDIN_UNCALLED(X) X(DrawTexRot) X(Rnd) X(Mod) X(Pow) X(Sqrt) X(Cos) X(Sin) X(Hypot) \
    X(InvRot) X(IToS) X(AllocMem) X(FreeMem)
// clang-format on
STANDIN_UNCALLED(STANDIN_RAISES)
#define PLUMO_EXPORT(name) static_assert(sizeof(&name) > 0);
#include <plumo/Exports.inc>
}  // extern "C"
