// Keyboard and game controllers: SDL's events turned into pad buttons.
#pragma once

#include <array>
#include <map>
#include <utility>

#include <SDL.h>

#include "Buttons.h"
#include "Display.h"

namespace plumo {

// Keyboard and controllers combine; controllers come and go while the game runs.
class Devices {
public:
    // Buttons go to `holds`; with none (while a replay plays) the devices are
    // still followed, and the window's keys still work.
    Devices(Display& display, HoldCounter* holds) : display(display), holds(holds) {}
    ~Devices();
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;

    // Handles every waiting event, and waits out a minimised window. True when
    // it waited, so the frame timer starts afresh.
    bool Pump();
    bool Closed() const { return closed; }
    // Whether F12 was pressed since the last call.
    bool TakeShotRequest() { return std::exchange(shotRequested, false); }

private:
    struct Controller {
        SDL_GameController* handle = nullptr;
        ButtonMask buttons = 0;
        ButtonMask stick = 0;
    };

    void Handle(const SDL_Event& event);
    void HandleWindow(const SDL_WindowEvent& event);
    void HandleKey(const SDL_KeyboardEvent& key);
    bool HandleShortcut(const SDL_KeyboardEvent& key);
    void AddController(int deviceIndex);
    void RemoveController(SDL_JoystickID id);
    void HandleControllerButton(const SDL_ControllerButtonEvent& event);
    void HandleStick(const SDL_ControllerAxisEvent& event);
    void ReleaseEverything();
    // Passes the buttons that changed on to the hold counter.
    void Apply();

    Display& display;
    HoldCounter* holds;
    bool closed = false;
    bool minimized = false;
    bool shotRequested = false;
    std::array<bool, SDL_NUM_SCANCODES> keysDown{};
    // Keys holding each button: two keys may share one.
    std::array<int, kButtonCount> keyHolds{};
    std::map<SDL_JoystickID, Controller> controllers;
    ButtonMask held = 0;
};

}  // namespace plumo
