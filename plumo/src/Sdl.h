// SDL and SDL_image for the library's own code. Where PLUMO_LAZY_SDL is set
// (Linux), the library does not link them: each function is looked up the
// first time it is called, and the first call loads the library, so a session
// with nothing to show (PLUMO_VIDEO=none) never loads SDL and its sixty
// libraries. A function used without a line here fails the library's link.
#pragma once

#include <SDL.h>
#include <SDL_image.h>

#ifdef PLUMO_LAZY_SDL

#include <algorithm>
#include <cstddef>

namespace plumo::sdl {

template <size_t N>
struct Name {
    constexpr Name(const char (&text)[N]) { std::copy_n(text, N, this->text); }
    char text[N];
};

// The address of `name` in SDL, or in SDL_image for IMG_ names, loading it
// first; raises naming the library when it cannot be loaded or lacks the name.
void* Find(const char* name);

template <typename Function, Name name>
Function* Get() {
    static Function* const found = reinterpret_cast<Function*>(Find(name.text));
    return found;
}

}  // namespace plumo::sdl

// Expanded inside its own name's expansion, `f` is not expanded again.
#define PLUMO_SDL(f) (::plumo::sdl::Get<decltype(::f), #f>())

#define SDL_AllocRW PLUMO_SDL(SDL_AllocRW)
#define SDL_CreateRGBSurfaceWithFormat PLUMO_SDL(SDL_CreateRGBSurfaceWithFormat)
#define SDL_CreateRGBSurfaceWithFormatFrom PLUMO_SDL(SDL_CreateRGBSurfaceWithFormatFrom)
#define SDL_CreateRenderer PLUMO_SDL(SDL_CreateRenderer)
#define SDL_CreateSoftwareRenderer PLUMO_SDL(SDL_CreateSoftwareRenderer)
#define SDL_CreateTexture PLUMO_SDL(SDL_CreateTexture)
#define SDL_CreateTextureFromSurface PLUMO_SDL(SDL_CreateTextureFromSurface)
#define SDL_CreateWindow PLUMO_SDL(SDL_CreateWindow)
#define SDL_DestroyRenderer PLUMO_SDL(SDL_DestroyRenderer)
#define SDL_DestroyTexture PLUMO_SDL(SDL_DestroyTexture)
#define SDL_DestroyWindow PLUMO_SDL(SDL_DestroyWindow)
#define SDL_Error PLUMO_SDL(SDL_Error)
#define SDL_FreeRW PLUMO_SDL(SDL_FreeRW)
#define SDL_FreeSurface PLUMO_SDL(SDL_FreeSurface)
#define SDL_GL_GetProcAddress PLUMO_SDL(SDL_GL_GetProcAddress)
#define SDL_GameControllerAddMapping PLUMO_SDL(SDL_GameControllerAddMapping)
#define SDL_GameControllerClose PLUMO_SDL(SDL_GameControllerClose)
#define SDL_GameControllerGetAxisFromString PLUMO_SDL(SDL_GameControllerGetAxisFromString)
#define SDL_GameControllerGetButtonFromString PLUMO_SDL(SDL_GameControllerGetButtonFromString)
#define SDL_GameControllerGetJoystick PLUMO_SDL(SDL_GameControllerGetJoystick)
#define SDL_GameControllerGetStringForAxis PLUMO_SDL(SDL_GameControllerGetStringForAxis)
#define SDL_GameControllerGetStringForButton PLUMO_SDL(SDL_GameControllerGetStringForButton)
#define SDL_GameControllerOpen PLUMO_SDL(SDL_GameControllerOpen)
#define SDL_GetCurrentVideoDriver PLUMO_SDL(SDL_GetCurrentVideoDriver)
#define SDL_GetDisplayUsableBounds PLUMO_SDL(SDL_GetDisplayUsableBounds)
#define SDL_GetError PLUMO_SDL(SDL_GetError)
#define SDL_GetNumVideoDisplays PLUMO_SDL(SDL_GetNumVideoDisplays)
#define SDL_GetPlatform PLUMO_SDL(SDL_GetPlatform)
#define SDL_GetRendererInfo PLUMO_SDL(SDL_GetRendererInfo)
#define SDL_GetRendererOutputSize PLUMO_SDL(SDL_GetRendererOutputSize)
#define SDL_GetScancodeFromName PLUMO_SDL(SDL_GetScancodeFromName)
#define SDL_GetScancodeName PLUMO_SDL(SDL_GetScancodeName)
#define SDL_GetTicks64 PLUMO_SDL(SDL_GetTicks64)
#define SDL_GetWindowFlags PLUMO_SDL(SDL_GetWindowFlags)
#define SDL_GetWindowPosition PLUMO_SDL(SDL_GetWindowPosition)
#define SDL_GetWindowSize PLUMO_SDL(SDL_GetWindowSize)
#define SDL_Init PLUMO_SDL(SDL_Init)
#define SDL_IntersectRect PLUMO_SDL(SDL_IntersectRect)
#define SDL_JoystickInstanceID PLUMO_SDL(SDL_JoystickInstanceID)
#define SDL_LockTexture PLUMO_SDL(SDL_LockTexture)
#define SDL_PollEvent PLUMO_SDL(SDL_PollEvent)
#define SDL_QueryTexture PLUMO_SDL(SDL_QueryTexture)
#define SDL_Quit PLUMO_SDL(SDL_Quit)
#define SDL_RenderClear PLUMO_SDL(SDL_RenderClear)
#define SDL_RenderCopy PLUMO_SDL(SDL_RenderCopy)
#define SDL_RenderCopyExF PLUMO_SDL(SDL_RenderCopyExF)
#define SDL_RenderCopyF PLUMO_SDL(SDL_RenderCopyF)
#define SDL_RenderFillRects PLUMO_SDL(SDL_RenderFillRects)
#define SDL_RenderGetLogicalSize PLUMO_SDL(SDL_RenderGetLogicalSize)
#define SDL_RenderGetScale PLUMO_SDL(SDL_RenderGetScale)
#define SDL_RenderFlush PLUMO_SDL(SDL_RenderFlush)
#define SDL_RenderPresent PLUMO_SDL(SDL_RenderPresent)
#define SDL_RenderReadPixels PLUMO_SDL(SDL_RenderReadPixels)
#define SDL_RenderSetLogicalSize PLUMO_SDL(SDL_RenderSetLogicalSize)
#define SDL_RenderSetVSync PLUMO_SDL(SDL_RenderSetVSync)
#define SDL_SetError PLUMO_SDL(SDL_SetError)
#define SDL_SetHint PLUMO_SDL(SDL_SetHint)
#define SDL_SetRenderDrawBlendMode PLUMO_SDL(SDL_SetRenderDrawBlendMode)
#define SDL_SetRenderDrawColor PLUMO_SDL(SDL_SetRenderDrawColor)
#define SDL_SetTextureAlphaMod PLUMO_SDL(SDL_SetTextureAlphaMod)
#define SDL_SetTextureBlendMode PLUMO_SDL(SDL_SetTextureBlendMode)
#define SDL_SetTextureColorMod PLUMO_SDL(SDL_SetTextureColorMod)
#define SDL_SetTextureScaleMode PLUMO_SDL(SDL_SetTextureScaleMode)
#define SDL_SetWindowFullscreen PLUMO_SDL(SDL_SetWindowFullscreen)
#define SDL_SetWindowIcon PLUMO_SDL(SDL_SetWindowIcon)
#define SDL_SetWindowPosition PLUMO_SDL(SDL_SetWindowPosition)
#define SDL_SetWindowSize PLUMO_SDL(SDL_SetWindowSize)
#define SDL_SetWindowTitle PLUMO_SDL(SDL_SetWindowTitle)
#define SDL_SoftStretchLinear PLUMO_SDL(SDL_SoftStretchLinear)
#define SDL_UnlockTexture PLUMO_SDL(SDL_UnlockTexture)
#define SDL_WaitEventTimeout PLUMO_SDL(SDL_WaitEventTimeout)
#define IMG_Init PLUMO_SDL(IMG_Init)
#define IMG_Quit PLUMO_SDL(IMG_Quit)
#define IMG_SavePNG_RW PLUMO_SDL(IMG_SavePNG_RW)

#endif
