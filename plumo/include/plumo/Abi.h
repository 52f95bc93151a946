// The binary interface between a game program and the Plumo game library.
//
// The program loads Data/Plumo.zqd, resolves the names of Exports.inc in order
// and calls them through the function types below. Every integer that crosses
// is 64-bit, every other number a double.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace plumo {

// Reference-counted UTF-16 text: count, length in units, the units, a
// terminating zero unit. Allocated as one block, passed by address.
struct String {
    int64_t refCount;
    int64_t length;
    char16_t units[1];
};

// A texture handle. The library allocates a larger object that begins with
// this header; whoever drops the last reference calls release, which frees
// the texture inside the library. There is no export for it.
struct Texture {
    int64_t refCount;
    void (*release)(Texture* texture);
};

// One square icon image, 8-bit RGBA rows top to bottom, no padding.
struct IconImage {
    int64_t size;
    const unsigned char* rgba;
};

struct Icon {
    int64_t imageCount;
    const IconImage* images;
};

struct InitParams {
    uint64_t signature;
    int64_t mode;
    const void* instance;  // any address inside the program's executable
    const Icon* icon;
    uint64_t* failureAddress;
    String* title;
};
static_assert(sizeof(InitParams) == 2 * sizeof(uint64_t) + 4 * sizeof(void*));

inline constexpr uint64_t kProgramSignature = 0x504C554D4F2D3031ULL;  // "PLUMO-01"
inline constexpr int64_t kProgramMode = 1;

// The logical screen the game lays its pictures out on, in pixels; the
// library scales it to the window.
inline constexpr int64_t kScreenWidth = 1600;
inline constexpr int64_t kScreenHeight = 900;

// Failure codes carried by plumo::Failure.
inline constexpr int64_t kQuietEnd = 0;        // window closed or frame limit: exit 0
inline constexpr int64_t kLibraryFailure = 1;  // anything else: reported, non-zero exit
inline constexpr int64_t kUnprovided = 2;      // an export this library does not implement

// What the library throws out of an export. It crosses the module boundary as
// an ordinary C++ exception; both sides are built by the same compiler and
// share one C++ runtime.
class Failure : public std::runtime_error {
public:
    Failure(int64_t code, const std::string& message)
        : std::runtime_error(message), failureCode(code) {}
    int64_t code() const { return failureCode; }

private:
    int64_t failureCode;
};

using InitFn = int64_t (*)(const InitParams* params);
using FreeFn = void (*)();
using ActFn = void (*)();
using PadFn = int64_t (*)(int64_t pad, int64_t button);
using LoadTexFn = Texture* (*)(const String* fileName);
using DrawTexFn = void (*)(Texture* texture, double srcX, double srcY, double srcW, double srcH,
                           double dstX, double dstY, double dstW, double dstH, double red,
                           double green, double blue, double alpha);
using DrawTexRotFn = void (*)(Texture* texture, double srcX, double srcY, double srcW, double srcH,
                              double dstX, double dstY, double dstW, double dstH, double centreX,
                              double centreY, double angle, double red, double green, double blue,
                              double alpha);
using RndFn = int64_t (*)(int64_t min, int64_t max);
using ModFn = double (*)(double x, double y);
using PowFn = double (*)(double x, double y);
using SqrtFn = double (*)(double x);
using CosFn = double (*)(double x);
using SinFn = double (*)(double x);
using HypotFn = double (*)(double x, double y);
using InvRotFn = double (*)(double x, double y);
using IToSFn = String* (*)(int64_t value, int64_t reserved);
using AllocMemFn = void* (*)(int64_t size, int64_t reserved);
using FreeMemFn = void (*)(void* block);
using UnprovidedFn = void (*)();

}  // namespace plumo
