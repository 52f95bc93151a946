// A stand-in game library for the start-up and shutdown tests. It defines
// every export name; the build's version script hides the one a variant
// lacks. What happens is appended, one line per event, to the file named by
// MORVA_STUB_LOG; MORVA_STUB_FRAMES (default 3) is the Act that ends the run
// as a closed window would, and MORVA_STUB_BREAK makes one step fail:
// act-failure, act-invalid-fp, act-access-violation or free-failure.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <plumo/Abi.h>

namespace {

constexpr int64_t kDefaultFrameLimit = 3;

int64_t gActs = 0;
uint64_t* gFailureCell = nullptr;

void Note(const std::string& line) {
    const char* path = std::getenv("MORVA_STUB_LOG");
    if (path == nullptr) {
        return;
    }
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

bool Breaks(const char* step) {
    const char* chosen = std::getenv("MORVA_STUB_BREAK");
    return chosen != nullptr && std::strcmp(chosen, step) == 0;
}

int64_t FrameLimit() {
    const char* text = std::getenv("MORVA_STUB_FRAMES");
    return text != nullptr ? std::atoll(text) : kDefaultFrameLimit;
}

[[noreturn]] __attribute__((noinline)) void Raise(int64_t code, const std::string& message) {
    if (gFailureCell != nullptr && *gFailureCell == 0) {
        *gFailureCell = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    throw plumo::Failure(code, message);
}

std::string Ascii(const plumo::String* text) {
    std::string out;
    for (int64_t i = 0; i < text->length; ++i) {
        out += static_cast<char>(text->units[i]);
    }
    return out;
}

std::string ModuleOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return "none";
    }
    // The loader names the program by argv[0], which may be a symbolic link.
    char self[PATH_MAX] = {};
    char module[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    const bool isProgram =
        length > 0 && realpath(info.dli_fname, module) != nullptr && std::strcmp(module, self) == 0;
    return isProgram ? "program" : info.dli_fname;
}

struct StubTexture {
    plumo::Texture header;
};

void ReleaseTexture(plumo::Texture* texture) {
    delete reinterpret_cast<StubTexture*>(texture);
}

__attribute__((constructor)) void OnLoad() {
    Note("loaded");
}
__attribute__((destructor)) void OnUnload() {
    Note("unloaded");
}

}  // namespace

extern "C" {

int64_t Init(const plumo::InitParams* params) {
    gFailureCell = params->failureAddress;
    std::string icon;
    for (int64_t i = 0; i < params->icon->imageCount; ++i) {
        icon += " " + std::to_string(params->icon->images[i].size);
    }
    Note("Init \"" + Ascii(params->title) + "\" signature " +
         (params->signature == plumo::kProgramSignature ? "ok" : "wrong") + " mode " +
         std::to_string(params->mode) + " instance " + ModuleOf(params->instance) + " icon" + icon +
         " cell " + std::to_string(*params->failureAddress));
    return 1;
}

void Free() {
    Note("Free");
    if (Breaks("free-failure")) {
        Raise(plumo::kLibraryFailure, "Free broke");
    }
}

void Act() {
    ++gActs;
    if (Breaks("act-failure")) {
        Raise(plumo::kLibraryFailure, "texture missing.zqtex cannot be read");
    }
    if (Breaks("act-invalid-fp")) {
        volatile double zero = 0.0;
        volatile double nan = zero / zero;
        (void)nan;
    }
    if (Breaks("act-access-violation")) {
        // Not null: the sanitizer builds would stop a null store themselves.
        volatile uintptr_t nowhere = 0x10;
        *reinterpret_cast<volatile int*>(nowhere) = 1;
    }
    if (gActs >= FrameLimit()) {
        Raise(plumo::kQuietEnd, "frame limit reached");
    }
}

int64_t Pad(int64_t, int64_t) {
    return 0;
}

plumo::Texture* LoadTex(const plumo::String*) {
    auto* texture = new StubTexture{{1, ReleaseTexture}};
    return &texture->header;
}

void DrawTex(plumo::Texture*, double, double, double, double, double, double, double, double,
             double, double, double, double) {}

void DrawTexRot(plumo::Texture*, double, double, double, double, double, double, double, double,
                double, double, double, double, double, double, double) {}

int64_t Rnd(int64_t min, int64_t) {
    return min;
}
double Mod(double x, double y) {
    return std::fmod(x, y);
}
double Pow(double x, double y) {
    return std::pow(x, y);
}
double Sqrt(double x) {
    return std::sqrt(x);
}
double Cos(double x) {
    return std::cos(x);
}
double Sin(double x) {
    return std::sin(x);
}
double Hypot(double x, double y) {
    return std::hypot(x, y);
}
double InvRot(double x, double y) {
    return std::atan2(y, x);
}

void* AllocMem(int64_t size, int64_t) {
    return std::malloc(static_cast<std::size_t>(size));
}
void FreeMem(void* block) {
    std::free(block);
}

plumo::String* IToS(int64_t value, int64_t) {
    const std::string digits = std::to_string(value);
    auto* record = static_cast<plumo::String*>(AllocMem(
        static_cast<int64_t>(sizeof(plumo::String) + digits.size() * sizeof(char16_t)), 0));
    record->refCount = 1;
    record->length = static_cast<int64_t>(digits.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        record->units[i] = static_cast<char16_t>(digits[i]);
    }
    record->units[digits.size()] = u'\0';
    return record;
}

// Every name the game calls is written out above.
#define PLUMO_EXPORT(name) static_assert(sizeof(&name) > 0);
#define PLUMO_UNPROVIDED(name)                                               \
    void name() {                                                            \
        Raise(plumo::kUnprovided, #name " is not provided by this library"); \
    }
#include <plumo/Exports.inc>
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED

}  // extern "C"
