// The pause: Act keeps the last frame on screen, dimmed, under a panel of the
// controls as they are bound, until a pause key resumes. Nothing of it reaches
// the game, the trace, the recording or the frame log.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Sdl.h"

#include "Bindings.h"
#include "Devices.h"
#include "Display.h"

namespace plumo {

class Pause {
public:
    Pause(Display& display, Devices& devices, const Bindings& bindings);
    ~Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

    // Keeps the frame about to be shown, for the pause that follows it.
    void Capture();
    // Returns on a pause key, a closed window or a stop signal. F12 saves the
    // paused picture as shot-<frame>.png.
    void Hold(int64_t frame);

private:
    struct Row {
        std::string label;
        std::string keys;
        std::string pad;
    };

    void Draw();
    void ReleasePicture();

    Display& display;
    Devices& devices;
    std::vector<Row> rows;
    SDL_Texture* picture = nullptr;
    std::vector<SDL_Rect> ink;  // kept to reuse its memory
};

}  // namespace plumo
