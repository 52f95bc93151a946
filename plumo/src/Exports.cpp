// The entry points the program binds by name, generated from the shared list.
#include <type_traits>

#include "FloatingPoint.h"
#include "Runtime.h"
#include "Session.h"

#define PLUMO_API extern "C" __attribute__((visibility("default")))

PLUMO_API int64_t Init(const plumo::InitParams* params) {
    plumo::FpGuard guard;
    return plumo::impl::Init(params);
}

PLUMO_API void Free() {
    plumo::FpGuard guard;
    plumo::impl::Free();
}

PLUMO_API void Act() {
    plumo::FpGuard guard;
    plumo::impl::Act();
}

// Pad and the draws are most of a frame's calls. Reading a count, or a draw
// with nothing to draw and nothing to trace, does no floating-point work, so
// these take the guard only where they do (Textures::Draw).
PLUMO_API int64_t Pad(int64_t pad, int64_t button) {
    return plumo::impl::Pad(pad, button);
}

PLUMO_API plumo::Texture* LoadTex(const plumo::String* fileName) {
    plumo::FpGuard guard;
    return plumo::impl::LoadTex(fileName);
}

PLUMO_API void DrawTex(plumo::Texture* texture, double srcX, double srcY, double srcW, double srcH,
                       double dstX, double dstY, double dstW, double dstH, double red, double green,
                       double blue, double alpha) {
    plumo::impl::DrawTex(texture, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, red, green, blue,
                         alpha);
}

PLUMO_API void DrawTexRot(plumo::Texture* texture, double srcX, double srcY, double srcW,
                          double srcH, double dstX, double dstY, double dstW, double dstH,
                          double centreX, double centreY, double angle, double red, double green,
                          double blue, double alpha) {
    plumo::impl::DrawTexRot(texture, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, centreX,
                            centreY, angle, red, green, blue, alpha);
}

PLUMO_API int64_t Rnd(int64_t min, int64_t max) {
    plumo::FpGuard guard;
    return plumo::impl::Rnd(min, max);
}

PLUMO_API double Mod(double x, double y) {
    plumo::FpGuard guard;
    return plumo::impl::Mod(x, y);
}

PLUMO_API double Pow(double x, double y) {
    plumo::FpGuard guard;
    return plumo::impl::Pow(x, y);
}

PLUMO_API double Sqrt(double x) {
    plumo::FpGuard guard;
    return plumo::impl::Sqrt(x);
}

PLUMO_API double Cos(double x) {
    plumo::FpGuard guard;
    return plumo::impl::Cos(x);
}

PLUMO_API double Sin(double x) {
    plumo::FpGuard guard;
    return plumo::impl::Sin(x);
}

PLUMO_API double Hypot(double x, double y) {
    plumo::FpGuard guard;
    return plumo::impl::Hypot(x, y);
}

PLUMO_API double InvRot(double x, double y) {
    plumo::FpGuard guard;
    return plumo::impl::InvRot(x, y);
}

PLUMO_API plumo::String* IToS(int64_t value, int64_t) {
    plumo::FpGuard guard;
    return plumo::impl::IToS(value);
}

PLUMO_API void* AllocMem(int64_t size, int64_t) {
    plumo::FpGuard guard;
    return plumo::impl::AllocMem(size);
}

PLUMO_API void FreeMem(void* block) {
    plumo::FpGuard guard;
    plumo::impl::FreeMem(block);
}

// Names the game never calls still resolve, but refuse loudly.
#define PLUMO_EXPORT(name)
#define PLUMO_UNPROVIDED(name)                                                      \
    PLUMO_API void name() {                                                         \
        plumo::FpGuard guard;                                                       \
        plumo::Raise(plumo::kUnprovided, #name " is not provided by this library"); \
    }
#include "plumo/Exports.inc"
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED

// Every implemented name must exist with exactly the type the program binds.
#define PLUMO_EXPORT(name)                                            \
    static_assert(std::is_same_v<decltype(&::name), plumo::name##Fn>, \
                  #name " does not match its type in Abi.h");
#define PLUMO_UNPROVIDED(name) \
    static_assert(std::is_same_v<decltype(&::name), plumo::UnprovidedFn>);
#include "plumo/Exports.inc"
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED
