// What the game's picture is drawn on: a window or an offscreen canvas, the
// renderer that draws into it, presenting and screenshots.
#pragma once

#include <cstdint>
#include <string>

#include <SDL.h>

#include "Failures.h"
#include "Settings.h"

namespace plumo {

// The game's own picture as SDL sizes it.
inline constexpr int kScreenW = static_cast<int>(kScreenWidth);
inline constexpr int kScreenH = static_cast<int>(kScreenHeight);

class Display {
public:
    Display(VideoMode mode, std::string shotDir) : mode(mode), shotDir(std::move(shotDir)) {}
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Starts SDL and opens the window or canvas; in none mode there is nothing to open.
    void Open(const std::string& title, const Icon* icon);
    // Null in none mode.
    SDL_Renderer* Renderer() const { return renderer; }

    // Starts a frame from black.
    void Clear();
    // How many frames were started.
    uint64_t Frames() const { return frames; }
    void Show();
    // Saves what is drawn so far as <shot dir>/<prefix>-<frame>.png.
    void SaveShot(const char* prefix, int64_t frame);
    void ToggleFullscreen();

private:
    void StartSdl();
    void OpenWindow(const std::string& title, const Icon* icon);
    void CreateWindowRenderer();
    void OpenOffscreen();
    void SetIcon(const Icon* icon);
    void SavePng(const std::string& path);

    VideoMode mode;
    std::string shotDir;
    bool sdlStarted = false;
    bool imageStarted = false;
    SDL_Window* window = nullptr;
    SDL_Surface* canvas = nullptr;
    SDL_Renderer* renderer = nullptr;
    uint64_t frames = 0;
};

}  // namespace plumo
