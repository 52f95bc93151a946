#include "Library.h"

#include <dlfcn.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include <SDL.h>
#include <SDL_image.h>

#include "Input.h"
#include "Random.h"
#include "Trace.h"

namespace plumo {
namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 900;

enum class VideoMode { kWindow, kOffscreen, kNone };

// The handle the program holds; the header must stay first.
struct TextureObject {
    Texture header;
    uint64_t session;
    int64_t id;
    SDL_Texture* sdl;
    TextureObject* prev;
    TextureObject* next;
};
static_assert(offsetof(TextureObject, header) == 0);

struct Controller {
    SDL_GameController* handle = nullptr;
    ButtonMask buttons = 0;
    ButtonMask stick = 0;
};

uint64_t* gFailureCell = nullptr;
// Counts Init calls, so a handle released after Free never touches a later session.
uint64_t gSession = 0;

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

template <typename T>
T EnvNumber(const char* name, T fallback) {
    const char* text = Env(name);
    if (text == nullptr) {
        return fallback;
    }
    T value{};
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    if (result.ec != std::errc() || result.ptr != end) {
        Raise(kLibraryFailure, std::string(name) + " is not a number: " + text);
    }
    return value;
}

std::string ToUtf8(const String* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    out.reserve(static_cast<size_t>(text->length));
    for (int64_t i = 0; i < text->length; ++i) {
        uint32_t code = text->units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text->length &&
            text->units[i + 1] >= 0xDC00 && text->units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text->units[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 ||
        info.dli_fname == nullptr) {
        Raise(kLibraryFailure, "cannot find the library's own file");
    }
    std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// None mode decodes nothing but still refuses what the other modes would.
void CheckPngHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Raise(kLibraryFailure, "cannot read texture " + path + ": " + std::strerror(errno));
    }
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (in.gcount() < static_cast<std::streamsize>(sizeof header) ||
        std::memcmp(header, kSignature, sizeof kSignature) != 0 ||
        std::memcmp(header + 12, "IHDR", 4) != 0) {
        Raise(kLibraryFailure, "cannot read texture " + path + ": not a PNG file");
    }
}

Uint8 ToByte(double factor) {
    if (!(factor > 0.0)) {
        return 0;
    }
    if (factor >= 1.0) {
        return 255;
    }
    return static_cast<Uint8>(std::lround(factor * 255.0));
}

std::set<int64_t> ParseFrameList(const char* text) {
    std::set<int64_t> frames;
    if (text == nullptr) {
        return frames;
    }
    const char* pos = text;
    const char* end = text + std::strlen(text);
    while (pos < end) {
        int64_t frame = 0;
        const auto result = std::from_chars(pos, end, frame);
        if (result.ec != std::errc() || (result.ptr != end && *result.ptr != ',')) {
            Raise(kLibraryFailure, std::string("PLUMO_SHOT_FRAMES is malformed: ") + text);
        }
        frames.insert(frame);
        pos = result.ptr == end ? end : result.ptr + 1;
    }
    return frames;
}

std::string ShotName(const char* prefix, int64_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06lld.png", prefix, static_cast<long long>(frame));
    return name;
}

class Library {
public:
    Library() = default;
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    void Open(const InitParams& params);
    void Act();
    int64_t Pad(int64_t pad, int64_t button) const;
    Texture* LoadTex(const String* fileName);
    void Draw(const char* name, Texture* texture, const double* numbers, int count);
    int64_t Rnd(int64_t min, int64_t max);
    void Release(TextureObject* texture);
    void Flush();
    void Close();

private:
    using Clock = std::chrono::steady_clock;

    void RequireDisplay();
    void RequireFallbackFreeDriver();
    void OpenWindow(const std::string& title, const Icon* icon);
    void OpenOffscreen();
    void SetIcon(const Icon* icon);
    void ClearFrame();
    void Present();
    void LogPresent();
    void SaveShot(const std::string& path);
    void Pace();
    void PumpEvents();
    void HandleEvent(const SDL_Event& event);
    void HandleKey(const SDL_KeyboardEvent& key);
    void ToggleFullscreen();
    void ApplyDevices();
    void Sample();

    VideoMode mode_ = VideoMode::kWindow;
    bool sdlStarted_ = false;
    bool imageStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Surface* canvas_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;

    std::string directory_;
    LineWriter trace_;
    LineWriter record_;
    // One line per presented frame: microseconds since Init.
    LineWriter frameLog_;
    Random random_;
    HoldCounter holds_;
    std::vector<HoldCounter::Change> recorded_;
    std::vector<HoldCounter::Change> seen_;

    bool replaying_ = false;
    Replay replay_;
    size_t nextReplayEvent_ = 0;

    std::array<int, kButtonCount> keyHolds_{};
    std::array<bool, SDL_NUM_SCANCODES> keysDown_{};
    std::map<SDL_JoystickID, Controller> controllers_;
    ButtonMask deviceMask_ = 0;

    int64_t acts_ = 0;
    int64_t frameLimit_ = 0;
    bool closed_ = false;
    bool minimized_ = false;
    bool shotRequested_ = false;
    std::set<int64_t> shotFrames_;
    std::string shotDir_ = ".";

    Clock::duration period_{};
    Clock::time_point frameStart_{};
    Clock::time_point initTime_{};

    int64_t lastTextureId_ = 0;
    TextureObject* textures_ = nullptr;
};

std::unique_ptr<Library> gLibrary;

void ReleaseTexture(Texture* texture) {
    FpGuard guard;
    auto* object = reinterpret_cast<TextureObject*>(texture);
    if (object == nullptr) {
        return;
    }
    if (gLibrary && object->session == gSession) {
        gLibrary->Release(object);
    }
    delete object;
}

void Library::Open(const InitParams& params) {
    initTime_ = Clock::now();
    const std::string title = ToUtf8(params.title);

    if (const char* path = Env("PLUMO_FRAME_LOG")) {
        if (!frameLog_.Open(path)) {
            Raise(kLibraryFailure, std::string("cannot write frame log ") + path);
        }
        // The wall-clock time of Init lets a script relate the log to the process start.
        const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        frameLog_.Word("# plumo-frame-log 1: present time in microseconds since Init; Init at")
            .Int(wall.count())
            .Word("microseconds since the epoch")
            .EndLine();
    }

    if (const char* path = Env("PLUMO_TRACE")) {
        if (!trace_.Open(path)) {
            Raise(kLibraryFailure, std::string("cannot write trace file ") + path);
        }
        trace_.Word("plumo-trace").Int(1).EndLine();
        trace_.Word("Init").Quoted(title).EndLine();
    }

    const char* video = Env("PLUMO_VIDEO");
    const std::string videoName = video != nullptr ? video : "window";
    if (videoName == "window") {
        mode_ = VideoMode::kWindow;
    } else if (videoName == "offscreen") {
        mode_ = VideoMode::kOffscreen;
    } else if (videoName == "none") {
        mode_ = VideoMode::kNone;
    } else {
        Raise(kLibraryFailure, "PLUMO_VIDEO must be window, offscreen or none, not " + videoName);
    }

    // The game counts time in frames; every mode plays at the game's own rate
    // unless told otherwise, so a headless replay takes as long as the game.
    constexpr int64_t kDefaultFps = 60;
    const int64_t fps = EnvNumber<int64_t>("PLUMO_FPS", kDefaultFps);
    if (fps < 0) {
        Raise(kLibraryFailure, "PLUMO_FPS must not be negative");
    }
    period_ = fps > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / fps
                      : Clock::duration::zero();
    frameLimit_ = EnvNumber<int64_t>("PLUMO_FRAMES", 0);
    shotFrames_ = ParseFrameList(Env("PLUMO_SHOT_FRAMES"));
    if (const char* dir = Env("PLUMO_SHOT_DIR")) {
        shotDir_ = dir;
    }

    uint64_t seed = 0;
    if (const char* path = Env("PLUMO_REPLAY")) {
        replay_ = ReadReplay(path);
        replaying_ = true;
    }
    if (replay_.hasSeed) {
        seed = replay_.seed;
    } else if (Env("PLUMO_SEED") != nullptr) {
        seed = EnvNumber<uint64_t>("PLUMO_SEED", 0);
    } else {
        std::random_device device;
        seed = (static_cast<uint64_t>(device()) << 32) ^ device() ^
               static_cast<uint64_t>(Clock::now().time_since_epoch().count());
    }
    random_.Seed(seed);

    if (const char* path = Env("PLUMO_RECORD")) {
        if (!record_.Open(path)) {
            Raise(kLibraryFailure, std::string("cannot write record file ") + path);
        }
        record_.Word("seed").Word(std::to_string(seed)).EndLine();
    }

    directory_ = LibraryDirectory();

    if (mode_ != VideoMode::kNone) {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        if (mode_ == VideoMode::kWindow) {
            RequireDisplay();
        }
        const Uint32 systems =
            mode_ == VideoMode::kWindow ? SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER : 0;
        if (SDL_Init(systems) != 0) {
            Raise(kLibraryFailure, std::string("SDL_Init failed: ") + SDL_GetError());
        }
        sdlStarted_ = true;
        if (mode_ == VideoMode::kWindow) {
            RequireFallbackFreeDriver();
        }
        if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) {
            Raise(kLibraryFailure, std::string("IMG_Init failed: ") + IMG_GetError());
        }
        imageStarted_ = true;
        if (mode_ == VideoMode::kWindow) {
            OpenWindow(title, params.icon);
        } else {
            OpenOffscreen();
        }
        ClearFrame();
    }

    trace_.Word("frame").Int(0).EndLine();
    frameStart_ = Clock::now();
}

// Without a display SDL falls back to drivers that show nothing; a window
// nobody can see must not pass for a running game.
void Library::RequireDisplay() {
    if (Env("DISPLAY") == nullptr && Env("WAYLAND_DISPLAY") == nullptr) {
        Raise(kLibraryFailure,
              "no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
              "run under xvfb-run, or set PLUMO_VIDEO=offscreen or none");
    }
}

void Library::RequireFallbackFreeDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver != nullptr ? driver : "";
    if (name.empty() || name == "offscreen" || name == "dummy" || name == "evdev") {
        Raise(kLibraryFailure, "no display to open the window on (video driver \"" + name +
                                   "\"); run under xvfb-run, or set PLUMO_VIDEO=offscreen or none");
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

void Library::OpenWindow(const std::string& title, const Icon* icon) {
    SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        usable = {0, 0, kScreenWidth, kScreenHeight};
    }
    int width = std::min(usable.w, usable.h * 16 / 9);
    int height = width * 9 / 16;
    width = std::max(width, 320);
    height = std::max(height, 180);

    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                               height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window_ == nullptr) {
        Raise(kLibraryFailure, std::string("cannot open the window: ") + SDL_GetError());
    }
    SetIcon(icon);
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ != nullptr && RendersOnSoftwareGl(renderer_)) {
        // GL without a GPU is a rasteriser of its own on top of SDL's: drawing
        // straight into the window's shared-memory image costs a third of it.
        SDL_DestroyRenderer(renderer_);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_ == nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
    }
    if (renderer_ == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create a renderer: ") + SDL_GetError());
    }
    SDL_RenderSetLogicalSize(renderer_, kScreenWidth, kScreenHeight);
}

void Library::OpenOffscreen() {
    canvas_ = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, 32,
                                             SDL_PIXELFORMAT_ARGB8888);
    if (canvas_ == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create the canvas: ") + SDL_GetError());
    }
    renderer_ = SDL_CreateSoftwareRenderer(canvas_);
    if (renderer_ == nullptr) {
        Raise(kLibraryFailure, std::string("cannot create a renderer: ") + SDL_GetError());
    }
}

void Library::SetIcon(const Icon* icon) {
    if (icon == nullptr || icon->imageCount <= 0 || icon->images == nullptr) {
        return;
    }
    // SDL takes one image; the largest scales down best.
    const IconImage* best = &icon->images[0];
    for (int64_t i = 1; i < icon->imageCount; ++i) {
        if (icon->images[i].size > best->size) {
            best = &icon->images[i];
        }
    }
    if (best->size <= 0 || best->rgba == nullptr) {
        return;
    }
    const int size = static_cast<int>(best->size);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned char*>(best->rgba), size, size, 32, size * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        Raise(kLibraryFailure, std::string("cannot use the icon: ") + SDL_GetError());
    }
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

Library::~Library() {
    TextureObject* texture = textures_;
    while (texture != nullptr) {
        TextureObject* next = texture->next;
        if (texture->sdl != nullptr) {
            SDL_DestroyTexture(texture->sdl);
        }
        *texture = TextureObject{texture->header, texture->session, texture->id,
                                 nullptr,         nullptr,          nullptr};
        texture = next;
    }
    textures_ = nullptr;
    for (auto& [id, controller] : controllers_) {
        SDL_GameControllerClose(controller.handle);
    }
    controllers_.clear();
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
    }
    if (canvas_ != nullptr) {
        SDL_FreeSurface(canvas_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (imageStarted_) {
        IMG_Quit();
    }
    if (sdlStarted_) {
        SDL_Quit();
    }
}

void Library::Close() {
    trace_.Word("Free").EndLine();
    trace_.Close();
    record_.Close();
    frameLog_.Close();
}

void Library::Flush() {
    trace_.Flush();
    record_.Flush();
    frameLog_.Flush();
}

void Library::LogPresent() {
    if (frameLog_.IsOpen()) {
        const auto since =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - initTime_);
        frameLog_.Int(since.count()).EndLine();
    }
}

void Library::ClearFrame() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
}

void Library::SaveShot(const std::string& path) {
    SDL_Surface* shot = canvas_;
    if (mode_ == VideoMode::kWindow) {
        // Without the logical size the read covers the whole output, bars included.
        SDL_RenderSetLogicalSize(renderer_, 0, 0);
        int width = 0;
        int height = 0;
        SDL_GetRendererOutputSize(renderer_, &width, &height);
        shot = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (shot != nullptr) {
            SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, shot->pixels,
                                 shot->pitch);
        }
        SDL_RenderSetLogicalSize(renderer_, kScreenWidth, kScreenHeight);
    }
    const bool saved = shot != nullptr && IMG_SavePNG(shot, path.c_str()) == 0;
    if (shot != canvas_) {
        SDL_FreeSurface(shot);
    }
    if (!saved) {
        Raise(kLibraryFailure, "cannot save screenshot " + path + ": " + IMG_GetError());
    }
}

void Library::Present() {
    if (mode_ == VideoMode::kNone) {
        // Nothing is shown; the log still marks when the frame was handed over.
        LogPresent();
        return;
    }
    const bool listed = shotFrames_.count(acts_) != 0;
    if (mode_ == VideoMode::kOffscreen) {
        // The software renderer batches; presenting a surface target just flushes.
        SDL_RenderPresent(renderer_);
        LogPresent();
        if (listed) {
            SaveShot(shotDir_ + "/" + ShotName("frame", acts_));
        }
        return;
    }
    if (listed) {
        SaveShot(shotDir_ + "/" + ShotName("frame", acts_));
    }
    if (shotRequested_) {
        shotRequested_ = false;
        SaveShot(shotDir_ + "/" + ShotName("shot", acts_));
    }
    SDL_RenderPresent(renderer_);
    LogPresent();
}

void Library::Pace() {
    if (period_ == Clock::duration::zero()) {
        return;
    }
    const Clock::time_point target = frameStart_ + period_;
    Clock::time_point now = Clock::now();
    if (now >= target) {
        // A frame that ran long is not made up with a burst of short ones.
        frameStart_ = now - target > period_ ? now : target;
        return;
    }
    // Sleeping overshoots by tens of microseconds; the last stretch is spun.
    constexpr auto kSpin = std::chrono::microseconds(300);
    if (target - now > kSpin) {
        std::this_thread::sleep_until(target - kSpin);
    }
    while (Clock::now() < target) {
        std::this_thread::yield();
    }
    frameStart_ = target;
}

void Library::PumpEvents() {
    if (mode_ != VideoMode::kWindow) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        HandleEvent(event);
    }
    if (minimized_ && !closed_) {
        while (minimized_ && !closed_ && SDL_WaitEvent(&event) != 0) {
            HandleEvent(event);
        }
        frameStart_ = Clock::now();
    }
}

void Library::HandleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            closed_ = true;
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    closed_ = true;
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    minimized_ = true;
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                case SDL_WINDOWEVENT_SHOWN:
                    minimized_ = false;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    keysDown_.fill(false);
                    keyHolds_.fill(0);
                    for (auto& [id, controller] : controllers_) {
                        controller.buttons = 0;
                        controller.stick = 0;
                    }
                    ApplyDevices();
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            HandleKey(event.key);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            if (SDL_GameController* handle = SDL_GameControllerOpen(event.cdevice.which)) {
                const SDL_JoystickID id =
                    SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(handle));
                if (controllers_.count(id) != 0) {
                    SDL_GameControllerClose(handle);
                } else {
                    controllers_[id].handle = handle;
                }
            }
            break;
        case SDL_CONTROLLERDEVICEREMOVED: {
            const auto found = controllers_.find(event.cdevice.which);
            if (found != controllers_.end()) {
                SDL_GameControllerClose(found->second.handle);
                controllers_.erase(found);
                ApplyDevices();
            }
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            const auto found = controllers_.find(event.cbutton.which);
            if (found == controllers_.end()) {
                break;
            }
            const ButtonMask mask =
                ControllerButtons(static_cast<SDL_GameControllerButton>(event.cbutton.button));
            if (event.type == SDL_CONTROLLERBUTTONDOWN) {
                found->second.buttons |= mask;
            } else {
                found->second.buttons &= ~mask;
            }
            ApplyDevices();
            break;
        }
        case SDL_CONTROLLERAXISMOTION: {
            const auto found = controllers_.find(event.caxis.which);
            if (found == controllers_.end()) {
                break;
            }
            int negative = 0;
            if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
                negative = 12;
            } else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                negative = 14;
            } else {
                break;
            }
            // Hysteresis keeps a stick resting near the threshold from chattering.
            constexpr int kPress = 16000;
            constexpr int kRelease = 12000;
            const int value = event.caxis.value;
            ButtonMask& stick = found->second.stick;
            const ButtonMask less = 1u << negative;
            const ButtonMask more = 1u << (negative + 1);
            if (value <= -kPress) {
                stick |= less;
            } else if (value > -kRelease) {
                stick &= ~less;
            }
            if (value >= kPress) {
                stick |= more;
            } else if (value < kRelease) {
                stick &= ~more;
            }
            ApplyDevices();
            break;
        }
        default:
            break;
    }
}

void Library::HandleKey(const SDL_KeyboardEvent& key) {
    const SDL_Scancode code = key.keysym.scancode;
    if (key.type == SDL_KEYDOWN && key.repeat == 0) {
        if (code == SDL_SCANCODE_F11 ||
            (code == SDL_SCANCODE_RETURN && (key.keysym.mod & KMOD_ALT) != 0)) {
            ToggleFullscreen();
            return;
        }
        if (code == SDL_SCANCODE_F12) {
            shotRequested_ = true;
            return;
        }
    }
    if (code < 0 || code >= SDL_NUM_SCANCODES) {
        return;
    }
    const bool down = key.type == SDL_KEYDOWN;
    if (keysDown_[code] == down) {
        return;
    }
    keysDown_[code] = down;
    const ButtonMask mask = KeyButtons(code);
    for (int b = 0; b < kButtonCount; ++b) {
        if ((mask & (1u << b)) != 0) {
            keyHolds_[b] += down ? 1 : -1;
        }
    }
    ApplyDevices();
}

void Library::ToggleFullscreen() {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void Library::ApplyDevices() {
    ButtonMask mask = 0;
    for (int b = 0; b < kButtonCount; ++b) {
        if (keyHolds_[b] > 0) {
            mask |= 1u << b;
        }
    }
    for (const auto& [id, controller] : controllers_) {
        mask |= controller.buttons | controller.stick;
    }
    const ButtonMask changed = mask ^ deviceMask_;
    deviceMask_ = mask;
    if (replaying_ || changed == 0) {
        return;
    }
    for (int b = 0; b < kButtonCount; ++b) {
        if ((changed & (1u << b)) != 0) {
            if ((mask & (1u << b)) != 0) {
                holds_.Press(b);
            } else {
                holds_.Release(b);
            }
        }
    }
}

void Library::Sample() {
    if (replaying_) {
        while (nextReplayEvent_ < replay_.events.size() &&
               replay_.events[nextReplayEvent_].frame <= acts_) {
            const ReplayEvent& event = replay_.events[nextReplayEvent_++];
            if (event.down) {
                holds_.Press(event.button);
            } else {
                holds_.Release(event.button);
            }
        }
    }
    recorded_.clear();
    seen_.clear();
    holds_.Sample(recorded_, seen_);

    trace_.Word("frame").Int(acts_).EndLine();
    for (const HoldCounter::Change& change : seen_) {
        trace_.Word("pad").Int(change.button).Word(change.down ? "down" : "up").EndLine();
    }
    for (const HoldCounter::Change& change : recorded_) {
        record_.Int(acts_).Int(change.button).Word(change.down ? "down" : "up").EndLine();
    }
}

void Library::Act() {
    Present();
    if (closed_) {
        Raise(kQuietEnd, "the window was closed");
    }
    if (frameLimit_ > 0 && acts_ + 1 >= frameLimit_) {
        Raise(kQuietEnd, "frame limit reached");
    }
    Pace();
    PumpEvents();
    if (closed_) {
        Raise(kQuietEnd, "the window was closed");
    }
    ++acts_;
    Sample();
    if (renderer_ != nullptr) {
        ClearFrame();
    }
}

int64_t Library::Pad(int64_t pad, int64_t button) const {
    if (pad != 0 || button < 0 || button >= kButtonCount) {
        return 0;
    }
    return holds_.Count(static_cast<int>(button));
}

Texture* Library::LoadTex(const String* fileName) {
    const std::string name = ToUtf8(fileName);
    const std::string path = directory_ + "/" + name;
    SDL_Texture* sdl = nullptr;
    if (mode_ == VideoMode::kNone) {
        CheckPngHeader(path);
    } else {
        SDL_Surface* image = IMG_Load(path.c_str());
        if (image == nullptr) {
            Raise(kLibraryFailure, "cannot read texture " + path + ": " + IMG_GetError());
        }
        sdl = SDL_CreateTextureFromSurface(renderer_, image);
        SDL_FreeSurface(image);
        if (sdl == nullptr) {
            Raise(kLibraryFailure, "cannot create texture " + path + ": " + SDL_GetError());
        }
        SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    }
    auto* object = new TextureObject{
        {1, &ReleaseTexture}, gSession, ++lastTextureId_, sdl, nullptr, textures_};
    if (textures_ != nullptr) {
        textures_->prev = object;
    }
    textures_ = object;
    trace_.Word("LoadTex").Quoted(name).Int(object->id).EndLine();
    return &object->header;
}

void Library::Release(TextureObject* texture) {
    trace_.Word("ReleaseTex").Int(texture->id).EndLine();
    if (texture->sdl != nullptr) {
        SDL_DestroyTexture(texture->sdl);
        texture->sdl = nullptr;
    }
    if (texture->prev != nullptr) {
        texture->prev->next = texture->next;
    } else if (textures_ == texture) {
        textures_ = texture->next;
    }
    if (texture->next != nullptr) {
        texture->next->prev = texture->prev;
    }
}

// numbers: the source rect, the destination rect, then for DrawTexRot the
// centre and angle, then the four colour factors.
void Library::Draw(const char* name, Texture* texture, const double* numbers, int count) {
    if (texture == nullptr) {
        Raise(kLibraryFailure, std::string(name) + " was given no texture");
    }
    auto* object = reinterpret_cast<TextureObject*>(texture);
    if (trace_.IsOpen()) {
        trace_.Word(name).Int(object->id);
        for (int i = 0; i < count; ++i) {
            trace_.Num(numbers[i]);
        }
        trace_.EndLine();
    }
    if (object->sdl == nullptr) {
        return;
    }
    const bool rotated = count == 15;
    const double* colour = numbers + (rotated ? 11 : 8);

    double srcX = numbers[0];
    double srcY = numbers[1];
    double srcW = numbers[2];
    double srcH = numbers[3];
    int flip = SDL_FLIP_NONE;
    if (srcW < 0) {
        srcX += srcW;
        srcW = -srcW;
        flip |= SDL_FLIP_HORIZONTAL;
    }
    if (srcH < 0) {
        srcY += srcH;
        srcH = -srcH;
        flip |= SDL_FLIP_VERTICAL;
    }
    const SDL_Rect source{static_cast<int>(std::lround(srcX)), static_cast<int>(std::lround(srcY)),
                          static_cast<int>(std::lround(srcW)), static_cast<int>(std::lround(srcH))};
    const SDL_FRect destination{static_cast<float>(numbers[4]), static_cast<float>(numbers[5]),
                                static_cast<float>(numbers[6]), static_cast<float>(numbers[7])};

    SDL_SetTextureColorMod(object->sdl, ToByte(colour[0]), ToByte(colour[1]), ToByte(colour[2]));
    SDL_SetTextureAlphaMod(object->sdl, ToByte(colour[3]));
    // The software renderer turns through a costly rotozoom even for angle 0.
    if (rotated && numbers[10] != 0.0) {
        const SDL_FPoint centre{static_cast<float>(numbers[8]), static_cast<float>(numbers[9])};
        const double degrees = numbers[10] * (180.0 / M_PI);
        SDL_RenderCopyExF(renderer_, object->sdl, &source, &destination, degrees, &centre,
                          static_cast<SDL_RendererFlip>(flip));
    } else if (flip != SDL_FLIP_NONE) {
        SDL_RenderCopyExF(renderer_, object->sdl, &source, &destination, 0.0, nullptr,
                          static_cast<SDL_RendererFlip>(flip));
    } else {
        SDL_RenderCopyF(renderer_, object->sdl, &source, &destination);
    }
}

int64_t Library::Rnd(int64_t min, int64_t max) {
    const int64_t result = random_.Between(min, max);
    trace_.Word("Rnd").Int(min).Int(max).Int(result).EndLine();
    return result;
}

Library& Current() {
    if (!gLibrary) {
        Raise(kLibraryFailure, "Init has not been called");
    }
    return *gLibrary;
}

int64_t gAllocations = 0;
int64_t gFrees = 0;

}  // namespace

void SetFailureCell(uint64_t* cell) {
    gFailureCell = cell;
}

void FlushBeforeFailure() {
    if (gLibrary) {
        gLibrary->Flush();
    }
}

__attribute__((noinline)) void Raise(int64_t code, const std::string& message) {
    if (gFailureCell != nullptr && *gFailureCell == 0) {
        *gFailureCell = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    FlushBeforeFailure();
    throw Failure(code, message);
}

namespace impl {

int64_t Init(const InitParams* params) {
    if (params == nullptr || params->signature != kProgramSignature) {
        Raise(kLibraryFailure, "Init was called with an unknown parameter signature");
    }
    SetFailureCell(params->failureAddress);
    if (params->mode != kProgramMode) {
        Raise(kLibraryFailure, "Init was called with unknown mode " + std::to_string(params->mode));
    }
    if (gLibrary) {
        Raise(kLibraryFailure, "Init was called twice");
    }
    ++gSession;
    gLibrary = std::make_unique<Library>();
    try {
        gLibrary->Open(*params);
    } catch (...) {
        gLibrary.reset();
        throw;
    }
    return 1;
}

void Free() {
    if (gLibrary) {
        gLibrary->Close();
        gLibrary.reset();
    }
    if (Env("PLUMO_MEM_REPORT") != nullptr) {
        std::fprintf(stderr, "plumo: %lld blocks allocated, %lld freed\n",
                     static_cast<long long>(gAllocations), static_cast<long long>(gFrees));
    }
    gFailureCell = nullptr;
}

void Act() {
    Current().Act();
}

int64_t Pad(int64_t pad, int64_t button) {
    return Current().Pad(pad, button);
}

Texture* LoadTex(const String* fileName) {
    return Current().LoadTex(fileName);
}

void DrawTex(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
             double dstY, double dstW, double dstH, double red, double green, double blue,
             double alpha) {
    const double numbers[] = {srcX, srcY, srcW, srcH,  dstX, dstY,
                              dstW, dstH, red,  green, blue, alpha};
    Current().Draw("DrawTex", texture, numbers, 12);
}

void DrawTexRot(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
                double dstY, double dstW, double dstH, double centreX, double centreY, double angle,
                double red, double green, double blue, double alpha) {
    const double numbers[] = {srcX,    srcY,    srcW,  srcH, dstX,  dstY, dstW, dstH,
                              centreX, centreY, angle, red,  green, blue, alpha};
    Current().Draw("DrawTexRot", texture, numbers, 15);
}

int64_t Rnd(int64_t min, int64_t max) {
    return Current().Rnd(min, max);
}

void* AllocMem(int64_t size) {
    if (size < 0) {
        Raise(kLibraryFailure, "AllocMem was asked for " + std::to_string(size) + " bytes");
    }
    void* block = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
    if (block == nullptr) {
        Raise(kLibraryFailure, "out of memory allocating " + std::to_string(size) + " bytes");
    }
    ++gAllocations;
    return block;
}

void FreeMem(void* block) {
    if (block != nullptr) {
        ++gFrees;
        std::free(block);
    }
}

String* IToS(int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const int64_t length = result.ptr - digits;
    auto* text = static_cast<String*>(AllocMem(static_cast<int64_t>(
        offsetof(String, units) + static_cast<size_t>(length + 1) * sizeof(char16_t))));
    text->refCount = 1;
    text->length = length;
    for (int64_t i = 0; i < length; ++i) {
        text->units[i] = static_cast<char16_t>(digits[i]);
    }
    text->units[length] = u'\0';
    return text;
}

}  // namespace impl
}  // namespace plumo
