// The pause: Act keeps the last frame on screen, dimmed, under a panel of the
// controls as they are bound, until a pause key resumes. Nothing of it reaches
// the game, the trace, the recording or the frame log.
#pragma once

#include <cstdint>
#include <functional>

#include "Sdl.h"

#include "Bindings.h"
#include "Devices.h"
#include "Display.h"
#include "Panel.h"

namespace plumo {

class Pause {
public:
    Pause(Display& display, Devices& devices, const Bindings& bindings);
    ~Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

    // Keeps the frame about to be shown, for the pause that follows it.
    void Capture();
    // Returns on a pause key, a closed window or a stop signal. F12 calls
    // `shoot` to save the paused picture.
    void Hold(const std::function<void()>& shoot);

private:
    void Draw();
    void ReleasePicture();

    Display& display;
    Devices& devices;
    Panel panel;
    SDL_Texture* picture = nullptr;
};

}  // namespace plumo
