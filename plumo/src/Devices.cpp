#include "Devices.h"

#include "StopSignals.h"

namespace plumo {
namespace {

template <typename Source>
struct ButtonRow {
    Source source;
    int button;
};

// Buttons 3 to 5 have no role in the game.
constexpr ButtonRow<SDL_Scancode> kKeyRows[] = {
    {SDL_SCANCODE_SPACE, kJump},  {SDL_SCANCODE_LSHIFT, kDash}, {SDL_SCANCODE_X, kDash},
    {SDL_SCANCODE_K, kDash},      {SDL_SCANCODE_Z, kAttack},    {SDL_SCANCODE_J, kAttack},
    {SDL_SCANCODE_C, 3},          {SDL_SCANCODE_L, 3},          {SDL_SCANCODE_V, 4},
    {SDL_SCANCODE_B, 5},          {SDL_SCANCODE_LEFT, kLeft},   {SDL_SCANCODE_A, kLeft},
    {SDL_SCANCODE_RIGHT, kRight}, {SDL_SCANCODE_D, kRight},     {SDL_SCANCODE_UP, kUp},
    {SDL_SCANCODE_W, kUp},        {SDL_SCANCODE_DOWN, kDown},   {SDL_SCANCODE_S, kDown},
};

constexpr ButtonRow<SDL_GameControllerButton> kControllerRows[] = {
    {SDL_CONTROLLER_BUTTON_A, kJump},         {SDL_CONTROLLER_BUTTON_B, kDash},
    {SDL_CONTROLLER_BUTTON_X, kAttack},       {SDL_CONTROLLER_BUTTON_Y, 3},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 4},  {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 5},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, kLeft}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, kRight},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, kUp},     {SDL_CONTROLLER_BUTTON_DPAD_DOWN, kDown},
};

// Each source once, each button a pad button.
template <typename Source, size_t kCount>
constexpr bool WellFormed(const ButtonRow<Source> (&rows)[kCount]) {
    for (size_t i = 0; i < kCount; ++i) {
        if (rows[i].button < 0 || rows[i].button >= kButtonCount) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (rows[j].source == rows[i].source) {
                return false;
            }
        }
    }
    return true;
}
static_assert(WellFormed(kKeyRows));
static_assert(WellFormed(kControllerRows));

template <typename Source, size_t kCount>
ButtonMask ButtonsOf(const ButtonRow<Source> (&rows)[kCount], Source source) {
    ButtonMask mask = 0;
    for (const ButtonRow<Source>& row : rows) {
        if (row.source == source) {
            mask |= Bit(row.button);
        }
    }
    return mask;
}

// The left stick's axes, each a pair of opposite buttons.
struct StickAxis {
    SDL_GameControllerAxis axis;
    int negative;
    int positive;
};
constexpr StickAxis kStickAxes[] = {{SDL_CONTROLLER_AXIS_LEFTX, kLeft, kRight},
                                    {SDL_CONTROLLER_AXIS_LEFTY, kUp, kDown}};

// Stick deflection, out of SDL's 32767. Hysteresis keeps a stick resting near
// the threshold from chattering.
constexpr int kStickPress = 16000;
constexpr int kStickRelease = 12000;
static_assert(kStickRelease < kStickPress);

void FollowStick(ButtonMask& stick, int button, int deflection) {
    if (deflection >= kStickPress) {
        stick |= Bit(button);
    } else if (deflection < kStickRelease) {
        stick &= ~Bit(button);
    }
}

}  // namespace

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
            HandleStick(event.caxis);
            break;
        default:
            break;
    }
}

void Devices::HandleWindow(const SDL_WindowEvent& event) {
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
        case SDL_WINDOWEVENT_FOCUS_LOST:
            ReleaseEverything();
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
    const ButtonMask mask = ButtonsOf(kKeyRows, code);
    for (int b = 0; b < kButtonCount; ++b) {
        if ((mask & Bit(b)) != 0) {
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
    if (found == controllers.end()) {
        return;
    }
    const ButtonMask mask =
        ButtonsOf(kControllerRows, static_cast<SDL_GameControllerButton>(event.button));
    if (event.type == SDL_CONTROLLERBUTTONDOWN) {
        found->second.buttons |= mask;
    } else {
        found->second.buttons &= ~mask;
    }
    Apply();
}

void Devices::HandleStick(const SDL_ControllerAxisEvent& event) {
    const auto found = controllers.find(event.which);
    if (found == controllers.end()) {
        return;
    }
    for (const StickAxis& axis : kStickAxes) {
        if (event.axis == axis.axis) {
            FollowStick(found->second.stick, axis.negative, -event.value);
            FollowStick(found->second.stick, axis.positive, event.value);
            Apply();
        }
    }
}

// Losing the window's focus lets go of everything: the releases never arrive.
void Devices::ReleaseEverything() {
    keysDown.fill(false);
    keyHolds.fill(0);
    for (auto& [id, controller] : controllers) {
        controller.buttons = 0;
        controller.stick = 0;
    }
    Apply();
}

void Devices::Apply() {
    ButtonMask now = 0;
    for (int b = 0; b < kButtonCount; ++b) {
        if (keyHolds[b] > 0) {
            now |= Bit(b);
        }
    }
    for (const auto& [id, controller] : controllers) {
        now |= controller.buttons | controller.stick;
    }
    const ButtonMask changed = now ^ held;
    held = now;
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
