// Button hold counts, replay files and the mapping of keys and controller
// buttons to pad buttons.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <SDL.h>

namespace plumo {

inline constexpr int kButtonCount = 16;

// Turns press and release events into per-frame hold counts. Events between two
// samples are remembered, so a tap shorter than a frame still counts once.
class HoldCounter {
public:
    void Press(int button);
    void Release(int button);
    void ReleaseAll();

    // What one sample did to a button, in the event order that reproduces it.
    struct Change {
        int button;
        bool down;
    };

    // Advances one frame. Appends to `recorded` the minimal event sequence a
    // replay needs to reach the same counts, and to `seen` the up/down changes
    // of the counts themselves.
    void Sample(std::vector<Change>& recorded, std::vector<Change>& seen);

    int64_t Count(int button) const { return count_[button]; }
    void Reset() { *this = HoldCounter(); }

private:
    std::array<bool, kButtonCount> raw_{};
    std::array<bool, kButtonCount> rawAtSample_{};
    std::array<bool, kButtonCount> sawDown_{};
    std::array<bool, kButtonCount> sawUp_{};
    std::array<int64_t, kButtonCount> count_{};
};

struct ReplayEvent {
    int64_t frame;
    int button;
    bool down;
};

struct Replay {
    bool hasSeed = false;
    uint64_t seed = 0;
    std::vector<ReplayEvent> events;
};

// Throws through Raise with the file name and line on malformed input.
Replay ReadReplay(const std::string& path);

// Pad buttons as bits. Several sources may hold the same button.
using ButtonMask = uint32_t;

ButtonMask KeyButtons(SDL_Scancode key);
ButtonMask ControllerButtons(SDL_GameControllerButton button);

}  // namespace plumo
