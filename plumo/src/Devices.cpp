#include "Devices.h"

#include "StopSignals.h"

namespace plumo {
namespace {

// Axis deflection, out of SDL's 32767. Hysteresis keeps a stick resting near
// the threshold from chattering.
constexpr int kAxisPress = 16000;
constexpr int kAxisRelease = 12000;
static_assert(kAxisRelease < kAxisPress);

void FollowAxis(bool& on, int deflection) {
    if (deflection >= kAxisPress) {
        on = true;
    } else if (deflection < kAxisRelease) {
        on = false;
    }
}

}  // namespace

Devices::Devices(Display& display, HoldCounter* holds, const Bindings& bindings,
                 bool pauseOnFocusLoss)
    : display(display), holds(holds), pauseOnFocusLoss(pauseOnFocusLoss) {
    for (size_t action = 0; action < kActionCount; ++action) {
        const ButtonMask bit = Bit(kActions[action].bit);
        for (const SDL_Scancode key : bindings.keys[action]) {
            keyBits[key] |= bit;
        }
        for (const PadInput input : bindings.pad[action]) {
            switch (input.kind) {
                case PadInput::Kind::kButton:
                    buttonBits[input.index] |= bit;
                    break;
                case PadInput::Kind::kAxisNegative:
                    negativeBits[input.index] |= bit;
                    break;
                case PadInput::Kind::kAxisPositive:
                    positiveBits[input.index] |= bit;
                    break;
            }
        }
    }
}

Devices::~Devices() {
    for (auto& [id, controller] : controllers) {
        SDL_GameControllerClose(controller.handle);
    }
}

bool Devices::Pump() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        Handle(event);
    }
    if (!minimized || closed) {
        return false;
    }
    // Waking now and then lets a stop signal end a minimised game.
    constexpr int kStopCheckMs = 100;
    while (minimized && !closed && !StopRequested()) {
        if (SDL_WaitEventTimeout(&event, kStopCheckMs) != 0) {
            Handle(event);
        }
    }
    return true;
}

bool Devices::WaitWhilePaused(int timeoutMs) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs) != 0) {
        Handle(event);
        // F12 then a resume key in one batch still shoots the paused picture.
        while (!shotRequested && pause == PauseState::kPaused && SDL_PollEvent(&event) != 0) {
            Handle(event);
        }
    }
    return std::exchange(redraw, false) || shotRequested;
}

void Devices::Handle(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            closed = true;
            break;
        case SDL_WINDOWEVENT:
            HandleWindow(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            HandleKey(event.key);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            AddController(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            RemoveController(event.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            HandleControllerButton(event.cbutton);
            break;
        case SDL_CONTROLLERAXISMOTION:
            HandleAxis(event.caxis);
            break;
        default:
            break;
    }
}

void Devices::HandleWindow(const SDL_WindowEvent& event) {
    redraw = true;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            closed = true;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            minimized = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN:
            minimized = false;
            break;
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            display.NoteWindowed();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            ReleaseEverything();
            // A player watching a replay is not the one who stopped playing.
            if (pauseOnFocusLoss && holds != nullptr && pause == PauseState::kRunning) {
                pause = PauseState::kAsked;
            }
            break;
        default:
            break;
    }
}

void Devices::HandleKey(const SDL_KeyboardEvent& key) {
    if (HandleShortcut(key)) {
        return;
    }
    const SDL_Scancode code = key.keysym.scancode;
    if (code < 0 || code >= SDL_NUM_SCANCODES) {
        return;
    }
    const bool down = key.type == SDL_KEYDOWN;
    if (keysDown[code] == down) {
        return;
    }
    keysDown[code] = down;
    for (int b = 0; b <= kPauseBit; ++b) {
        if ((keyBits[code] & Bit(b)) != 0) {
            keyHolds[b] += down ? 1 : -1;
        }
    }
    Apply();
}

// F11 or Alt+Enter toggles fullscreen, F12 asks for a screenshot.
bool Devices::HandleShortcut(const SDL_KeyboardEvent& key) {
    if (key.type != SDL_KEYDOWN || key.repeat != 0) {
        return false;
    }
    const SDL_Scancode code = key.keysym.scancode;
    if (code == SDL_SCANCODE_F11 ||
        (code == SDL_SCANCODE_RETURN && (key.keysym.mod & KMOD_ALT) != 0)) {
        display.ToggleFullscreen();
        redraw = true;
        return true;
    }
    if (code == SDL_SCANCODE_F12) {
        shotRequested = true;
        return true;
    }
    return false;
}

void Devices::AddController(int deviceIndex) {
    SDL_GameController* handle = SDL_GameControllerOpen(deviceIndex);
    if (handle == nullptr) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(handle));
    if (controllers.count(id) != 0) {
        SDL_GameControllerClose(handle);
    } else {
        controllers[id].handle = handle;
    }
}

void Devices::RemoveController(SDL_JoystickID id) {
    const auto found = controllers.find(id);
    if (found != controllers.end()) {
        SDL_GameControllerClose(found->second.handle);
        controllers.erase(found);
        Apply();
    }
}

void Devices::HandleControllerButton(const SDL_ControllerButtonEvent& event) {
    const auto found = controllers.find(event.which);
    if (found == controllers.end() || event.button >= SDL_CONTROLLER_BUTTON_MAX) {
        return;
    }
    if (event.type == SDL_CONTROLLERBUTTONDOWN) {
        found->second.buttons |= Bit(event.button);
    } else {
        found->second.buttons &= ~Bit(event.button);
    }
    Apply();
}

void Devices::HandleAxis(const SDL_ControllerAxisEvent& event) {
    const auto found = controllers.find(event.which);
    if (found == controllers.end() || event.axis >= SDL_CONTROLLER_AXIS_MAX) {
        return;
    }
    FollowAxis(found->second.negative[event.axis], -event.value);
    FollowAxis(found->second.positive[event.axis], event.value);
    Apply();
}

// Losing the window's focus lets go of everything: the releases never arrive.
void Devices::ReleaseEverything() {
    keysDown.fill(false);
    keyHolds.fill(0);
    for (auto& [id, controller] : controllers) {
        controller = {controller.handle};
    }
    Apply();
}

void Devices::Apply() {
    ButtonMask now = 0;
    for (int b = 0; b <= kPauseBit; ++b) {
        if (keyHolds[b] > 0) {
            now |= Bit(b);
        }
    }
    for (const auto& [id, controller] : controllers) {
        for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
            if ((controller.buttons & Bit(button)) != 0) {
                now |= buttonBits[button];
            }
        }
        for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) {
            now |= (controller.negative[axis] ? negativeBits[axis] : 0) |
                   (controller.positive[axis] ? positiveBits[axis] : 0);
        }
    }
    const bool pausePressed = (now & ~held & Bit(kPauseBit)) != 0;
    held = now;
    if (pausePressed && pause == PauseState::kRunning) {
        pause = PauseState::kAsked;
    } else if (pausePressed && pause == PauseState::kPaused) {
        pause = PauseState::kRunning;
    }
    if (pause != PauseState::kPaused) {
        Forward();
    }
}

void Devices::Forward() {
    const ButtonMask now = held & kPadButtons;
    const ButtonMask changed = now ^ forwarded;
    forwarded = now;
    if (holds == nullptr) {
        return;
    }
    for (int b = 0; b < kButtonCount; ++b) {
        if ((changed & Bit(b)) == 0) {
            continue;
        }
        if ((now & Bit(b)) != 0) {
            holds->Press(b);
        } else {
            holds->Release(b);
        }
    }
}

}  // namespace plumo
