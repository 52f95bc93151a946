#include "Display.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "DisplayCheck.h"
#include "FilePath.h"
#include "InputFile.h"
#include "OutputFile.h"

namespace plumo {
namespace {

// Smallest window, in pixels.
constexpr int kMinWindowWidth = 320;
constexpr int kMinWindowHeight = 180;

const std::string kNoDisplayAdvice = "run under xvfb-run, or set PLUMO_VIDEO=offscreen or none";

// Without a display SDL falls back to drivers that show nothing; a window
// nobody can see must not pass for a running game.
void RequireDisplay() {
    if (const std::string missing = MissingDisplay(); !missing.empty()) {
        Raise(kLibraryFailure,
              "no display to open the window on (" + missing + "); " + kNoDisplayAdvice);
    }
}

void RequireFallbackFreeDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver != nullptr ? driver : "";
    if (name.empty() || name == "offscreen" || name == "dummy" || name == "evdev") {
        Raise(kLibraryFailure, "no display to open the window on (video driver \"" + name +
                                   "\"); " + kNoDisplayAdvice);
    }
}

// Mesa's llvmpipe and its kin: GL that runs on the processor.
bool RendersOnSoftwareGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) {
        return false;
    }
    constexpr unsigned kGlRenderer = 0x1F01;
    using GetStringFn = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetStringFn>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString != nullptr ? getString(kGlRenderer) : nullptr;
    if (name == nullptr) {
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(name));
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"}) {
        if (text.find(software) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string ShotName(const char* prefix, int64_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06lld.png", prefix, static_cast<long long>(frame));
    return name;
}

// A remembered position counts as on a display when this much of the window's
// top edge, where it is grabbed, lies on one.
constexpr int kGripWidth = 100;
constexpr int kGripHeight = 32;

// The display under most of the window's top edge, if enough of it is.
std::optional<int> DisplayUnder(SDL_Point position, int width) {
    const SDL_Rect top{position.x, position.y, width, kGripHeight};
    std::optional<int> best;
    int bestWidth = std::min(width, kGripWidth) - 1;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect usable{};
        SDL_Rect overlap{};
        if (SDL_GetDisplayUsableBounds(i, &usable) == 0 &&
            SDL_IntersectRect(&top, &usable, &overlap) && overlap.w > bestWidth) {
            best = i;
            bestWidth = overlap.w;
        }
    }
    return best;
}

// Where the window opens: on the display it was left on if that still exists,
// else centred on the first; never larger than the display's usable area, and
// without a size as large as it allows at the picture's shape.
SDL_Rect Fit(const WindowPlacement& placement) {
    const int askedWidth = placement.size ? placement.size->x : kScreenW;
    const std::optional<int> under =
        placement.position ? DisplayUnder(*placement.position, askedWidth) : std::nullopt;
    const int display = under.value_or(0);
    SDL_Rect usable{0, 0, kScreenW, kScreenH};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
        usable = {0, 0, kScreenW, kScreenH};
    }
    int width = std::min(usable.w, usable.h * 16 / 9);
    int height = width * 9 / 16;
    if (placement.size) {
        width = std::min(placement.size->x, usable.w);
        height = std::min(placement.size->y, usable.h);
    }
    width = std::max(width, kMinWindowWidth);
    height = std::max(height, kMinWindowHeight);
    if (!under) {
        const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        return {centred, centred, width, height};
    }
    // All of it on the display, so a window that shrank with it stays whole.
    const int x = std::max(usable.x, std::min(placement.position->x, usable.x + usable.w - width));
    const int y = std::max(usable.y, std::min(placement.position->y, usable.y + usable.h - height));
    return {x, y, width, height};
}

// SDL_RWops over a growing byte buffer: the encoder writes the PNG there, so
// the file itself is written with every write checked.
class PngBytes {
public:
    PngBytes() : ops(SDL_AllocRW()) {
        if (ops == nullptr) {
            return;
        }
        ops->size = [](SDL_RWops* self) { return static_cast<Sint64>(Of(self).bytes.size()); };
        ops->seek = &Seek;
        ops->read = [](SDL_RWops*, void*, size_t, size_t) -> size_t { return 0; };
        ops->write = &Write;
        ops->close = [](SDL_RWops*) { return 0; };
        ops->type = SDL_RWOPS_UNKNOWN;
        ops->hidden.unknown.data1 = this;
    }
    ~PngBytes() {
        if (ops != nullptr) {
            SDL_FreeRW(ops);
        }
    }
    PngBytes(const PngBytes&) = delete;
    PngBytes& operator=(const PngBytes&) = delete;

    // False with SDL_image's error when it cannot be encoded.
    bool Encode(SDL_Surface* surface) {
        return ops != nullptr && IMG_SavePNG_RW(surface, ops, 0) == 0;
    }
    const std::vector<unsigned char>& Bytes() const { return bytes; }

private:
    static PngBytes& Of(SDL_RWops* self) {
        return *static_cast<PngBytes*>(self->hidden.unknown.data1);
    }
    static Sint64 Seek(SDL_RWops* self, Sint64 offset, int whence) {
        PngBytes& png = Of(self);
        const Sint64 base = whence == RW_SEEK_SET   ? 0
                            : whence == RW_SEEK_CUR ? static_cast<Sint64>(png.position)
                                                    : static_cast<Sint64>(png.bytes.size());
        if (base + offset < 0) {
            return SDL_SetError("seek before the start of the PNG");
        }
        png.position = static_cast<size_t>(base + offset);
        return base + offset;
    }
    static size_t Write(SDL_RWops* self, const void* data, size_t size, size_t count) {
        PngBytes& png = Of(self);
        if (size == 0 || count > SIZE_MAX / size) {
            return 0;
        }
        const size_t total = size * count;
        try {
            if (png.position + total > png.bytes.size()) {
                png.bytes.resize(png.position + total);
            }
        } catch (const std::bad_alloc&) {
            SDL_OutOfMemory();
            return 0;
        }
        std::memcpy(png.bytes.data() + png.position, data, total);
        png.position += total;
        return count;
    }

    SDL_RWops* ops;
    std::vector<unsigned char> bytes;
    size_t position = 0;
};

// Leaves no partial file behind when the disk is full. "" or why not.
std::string WriteShot(const std::string& path, const std::vector<unsigned char>& bytes) {
    OutputFile file;
    if (std::string why = file.Create(path); !why.empty()) {
        return why;
    }
    if (file.Write(bytes.data(), bytes.size()) && file.Close()) {
        return "";
    }
    const std::string why = file.Error();
    file.Close();
    std::error_code ignored;
    std::filesystem::remove(PathOf(path), ignored);
    return why;
}

}  // namespace

void Display::Open(const std::string& title, const Icon* icon) {
    if (mode == VideoMode::kNone) {
        return;
    }
    StartSdl();
    if (mode == VideoMode::kWindow) {
        OpenWindow(title, icon);
    } else {
        OpenOffscreen();
    }
    Clear();
}

void Display::StartSdl() {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // Software drawing goes straight to the window, never through a GL
    // texture; also when the player asks for it with SDL_RENDER_DRIVER.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The library's own stop handlers end the session in every mode.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool windowed = mode == VideoMode::kWindow;
    if (windowed) {
        RequireDisplay();
    }
    // The window's events carry the controllers too.
    if (SDL_Init(windowed ? SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER : 0) != 0) {
        Raise(kLibraryFailure, std::string("SDL_Init failed: ") + SDL_GetError());
    }
    sdlStarted = true;
    if (windowed) {
        RequireFallbackFreeDriver();
    }
    if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) {
        Raise(kLibraryFailure, std::string("IMG_Init failed: ") + IMG_GetError());
    }
    imageStarted = true;
}

void Display::OpenWindow(const std::string& title, const Icon* icon) {
    this->title = title;
    const SDL_Rect fitted = Fit(windowed);
    const Uint32 full = windowed.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    window = SDL_CreateWindow(title.c_str(), fitted.x, fitted.y, fitted.w, fitted.h,
                              SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | full);
    if (window == nullptr) {
        Raise(kLibraryFailure, std::string("cannot open the window: ") + SDL_GetError());
    }
    NoteWindowed();
    SetIcon(icon);
    CreateWindowRenderer();
    SDL_RenderSetLogicalSize(renderer, kScreenW, kScreenH);
}

void Display::CreateWindowRenderer() {
    // A software renderer would only fake vsync with a sleep of its own,
    // against the frame timer's.
    const Uint32 sync = vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | sync);
    if (renderer != nullptr && RendersOnSoftwareGl(renderer)) {
        // GL without a GPU is a rasteriser of its own on top of SDL's: drawing
        // straight into the window's shared-memory image costs a third of it.
        SDL_DestroyRenderer(renderer);
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        // SDL carries the first renderer's vsync over to this one, as a sleep
        // in every present that fights the frame timer.
        if (renderer != nullptr) {
            SDL_RenderSetVSync(renderer, 0);
        }
    }
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, 0);
    }
    if (renderer == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create a renderer: ") + SDL_GetError());
    }
    SDL_RendererInfo info{};
    showWaits =
        SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
}

void Display::OpenOffscreen() {
    canvas = SDL_CreateRGBSurfaceWithFormat(0, kScreenW, kScreenH, 32, SDL_PIXELFORMAT_ARGB8888);
    if (canvas == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create the canvas: ") + SDL_GetError());
    }
    renderer = SDL_CreateSoftwareRenderer(canvas);
    if (renderer == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create a renderer: ") + SDL_GetError());
    }
}

void Display::SetIcon(const Icon* icon) {
    if (icon == nullptr || icon->imageCount <= 0 || icon->images == nullptr) {
        return;
    }
    // SDL takes one image; the largest scales down best.
    const IconImage* best =
        std::max_element(icon->images, icon->images + icon->imageCount,
                         [](const IconImage& a, const IconImage& b) { return a.size < b.size; });
    if (best->size <= 0 || best->rgba == nullptr) {
        return;
    }
    const int size = static_cast<int>(best->size);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned char*>(best->rgba), size, size, 32, size * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        Raise(kLibraryFailure, std::string("cannot use the icon: ") + SDL_GetError());
    }
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

Display::~Display() {
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
    }
    if (canvas != nullptr) {
        SDL_FreeSurface(canvas);
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    if (imageStarted) {
        IMG_Quit();
    }
    if (sdlStarted) {
        SDL_Quit();
    }
}

void Display::Clear() {
    ++frames;
    if (renderer != nullptr) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
    }
}

void Display::Finish() {
    if (renderer != nullptr) {
        SDL_RenderFlush(renderer);
    }
}

void Display::Show() {
    SDL_RenderPresent(renderer);
}

std::string Display::SaveShot(const std::string& folder, const char* prefix, int64_t frame,
                              std::string& path) {
    path = JoinPath(folder, ShotName(prefix, frame));
    return SavePng(path);
}

std::string Display::SavePng(const std::string& path) {
    SDL_Surface* shot = canvas;
    if (mode == VideoMode::kWindow) {
        // Without the logical size the read covers the whole output, bars included.
        SDL_RenderSetLogicalSize(renderer, 0, 0);
        int width = 0;
        int height = 0;
        SDL_GetRendererOutputSize(renderer, &width, &height);
        shot = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (shot != nullptr) {
            SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shot->pixels,
                                 shot->pitch);
        }
        SDL_RenderSetLogicalSize(renderer, kScreenW, kScreenH);
    }
    PngBytes png;
    const bool encoded = shot != nullptr && png.Encode(shot);
    if (shot != canvas) {
        SDL_FreeSurface(shot);
    }
    if (!encoded) {
        return IMG_GetError();
    }
    return WriteShot(path, png.Bytes());
}

void Display::Notice(const std::string& text) {
    if (window != nullptr) {
        SDL_SetWindowTitle(window, (text.empty() ? title : title + " - " + text).c_str());
    }
}

void Display::ToggleFullscreen() {
    NoteWindowed();
    const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    SDL_SetWindowFullscreen(window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (full) {
        // Without a window manager to restore it, a window that started
        // fullscreen would stay the display's size.
        const SDL_Rect fitted = Fit(windowed);
        SDL_SetWindowSize(window, fitted.w, fitted.h);
        SDL_SetWindowPosition(window, fitted.x, fitted.y);
    }
}

// A maximised window keeps the size it will go back to.
void Display::NoteWindowed() {
    const Uint32 flags = SDL_GetWindowFlags(window);
    if ((flags & (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) !=
        0) {
        return;
    }
    SDL_Point size{};
    SDL_Point position{};
    SDL_GetWindowSize(window, &size.x, &size.y);
    SDL_GetWindowPosition(window, &position.x, &position.y);
    windowed.size = size;
    windowed.position = position;
}

WindowPlacement Display::Placement() {
    if (window != nullptr) {
        NoteWindowed();
        windowed.fullscreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    }
    return windowed;
}

SDL_Texture* Display::CaptureOutput() {
    // Without the logical size the read covers the whole output, bars included.
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    SDL_Texture* picture = nullptr;
    SDL_Surface* pixels =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (pixels != nullptr && SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888,
                                                  pixels->pixels, pixels->pitch) == 0) {
        picture = SDL_CreateTextureFromSurface(renderer, pixels);
    }
    SDL_FreeSurface(pixels);
    SDL_RenderSetLogicalSize(renderer, kScreenW, kScreenH);
    return picture;
}

void Display::CoverOutput(SDL_Texture* picture) {
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (picture != nullptr) {
        SDL_RenderCopy(renderer, picture, nullptr, nullptr);
    }
    SDL_RenderSetLogicalSize(renderer, kScreenW, kScreenH);
}

}  // namespace plumo
