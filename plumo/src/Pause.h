// The pause: Act keeps the last frame on screen, dimmed, under a panel of the
// controls as they are bound, where the player may change them, until a pause
// key resumes. Nothing of it reaches the game, the trace, the recording or the
// frame log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Sdl.h"

#include "Bindings.h"
#include "ControlsPage.h"
#include "Devices.h"
#include "Display.h"
#include "Panel.h"

namespace plumo {

class Pause {
public:
    // `rebind` applies changed controls at once and keeps them; it returns ""
    // or why they could not be kept.
    using Rebind = std::function<std::string(const Bindings&)>;
    Pause(Display& display, Devices& devices, const Bindings& bindings, Rebind rebind);
    ~Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

    // Keeps the frame about to be shown, for the pause that follows it.
    void Capture();
    // Returns on a resume, a closed window or a stop signal. F12 calls
    // `shoot` to save the paused picture.
    void Hold(const std::function<void()>& shoot);

private:
    void Pressed(const Press& press);
    void Draw();
    void ReleasePicture();

    Display& display;
    Devices& devices;
    Rebind rebind;
    ControlsPage page;
    Panel panel;
    SDL_Texture* picture = nullptr;
    bool changed = false;  // the page, since it was last drawn
};

}  // namespace plumo
