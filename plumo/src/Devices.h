// Keyboard and game controllers: SDL's events turned into pad buttons and pauses.
#pragma once

#include <array>
#include <map>
#include <utility>

#include "Sdl.h"

#include "Bindings.h"
#include "Buttons.h"
#include "Display.h"

namespace plumo {

// Keyboard and controllers combine; controllers come and go while the game runs.
class Devices {
public:
    // Buttons go to `holds`; with none (while a replay plays) the devices are
    // still followed, and the window's keys and pausing still work.
    Devices(Display& display, HoldCounter* holds, const Bindings& bindings, bool pauseOnFocusLoss);
    ~Devices();
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;

    // Handles every waiting event, and waits out a minimised window. True when
    // it waited, so the frame timer starts afresh.
    bool Pump();
    bool Closed() const { return closed; }
    // Whether F12 was pressed since the last call.
    bool TakeShotRequest() { return std::exchange(shotRequested, false); }

    // A pause key was pressed, or the focus lost, and the pause has not begun.
    bool PauseAsked() const { return pause == PauseState::kAsked; }
    // While paused the buttons are followed but the hold counter hears nothing;
    // a pause key resumes, and the counter then hears what changed meanwhile.
    void BeginPause() { pause = PauseState::kPaused; }
    bool Paused() const { return pause == PauseState::kPaused; }
    // Handles the events of up to `timeoutMs`. True when the picture must be
    // drawn again: the window changed or a screenshot was asked for.
    bool WaitWhilePaused(int timeoutMs);

private:
    enum class PauseState { kRunning, kAsked, kPaused };

    struct Controller {
        SDL_GameController* handle = nullptr;
        ButtonMask buttons = 0;
        // Axis directions pushed past the threshold.
        std::array<bool, SDL_CONTROLLER_AXIS_MAX> negative{};
        std::array<bool, SDL_CONTROLLER_AXIS_MAX> positive{};
    };

    void Handle(const SDL_Event& event);
    void HandleWindow(const SDL_WindowEvent& event);
    void HandleKey(const SDL_KeyboardEvent& key);
    bool HandleShortcut(const SDL_KeyboardEvent& key);
    void AddController(int deviceIndex);
    void RemoveController(SDL_JoystickID id);
    void HandleControllerButton(const SDL_ControllerButtonEvent& event);
    void HandleAxis(const SDL_ControllerAxisEvent& event);
    void ReleaseEverything();
    // Takes in what is held now; a pause key's press pauses or resumes.
    void Apply();
    // Passes the buttons that changed on to the hold counter.
    void Forward();

    Display& display;
    HoldCounter* holds;
    const bool pauseOnFocusLoss;
    // What each key, controller button and axis direction holds.
    std::array<ButtonMask, SDL_NUM_SCANCODES> keyBits{};
    std::array<ButtonMask, SDL_CONTROLLER_BUTTON_MAX> buttonBits{};
    std::array<ButtonMask, SDL_CONTROLLER_AXIS_MAX> negativeBits{};
    std::array<ButtonMask, SDL_CONTROLLER_AXIS_MAX> positiveBits{};

    bool closed = false;
    bool minimized = false;
    bool shotRequested = false;
    bool redraw = false;
    PauseState pause = PauseState::kRunning;
    std::array<bool, SDL_NUM_SCANCODES> keysDown{};
    // Keys holding each button and pause: two keys may share one.
    std::array<int, kPauseBit + 1> keyHolds{};
    std::map<SDL_JoystickID, Controller> controllers;
    ButtonMask held = 0;       // by the devices, pause included
    ButtonMask forwarded = 0;  // as the hold counter last heard it
};

}  // namespace plumo
