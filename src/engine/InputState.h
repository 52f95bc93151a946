// Per-frame button flags (held, pushed, released) from the library's hold
// counts, for the ten buttons of pad 0 the game watches.
#pragma once

#include <array>
#include <cstdint>

namespace morva {

class InputState {
public:
    static constexpr int64_t kSlotCount = 10;

    void Init();
    // Reads the pad once; every query of the frame sees this one reading.
    void Update();

    bool PushedLeft() const { return pushed[kLeft]; }
    bool PushedRight() const { return pushed[kRight]; }
    bool PushedUp() const { return pushed[kUp]; }
    bool PushedDown() const { return pushed[kDown]; }
    bool PushedJump() const { return pushed[kJump]; }
    bool PushedDash() const { return pushed[kDash]; }
    bool PushedAttack() const { return pushed[kAttack]; }
    bool HeldUp() const { return held[kUp]; }
    bool HeldDown() const { return held[kDown]; }
    bool HeldLeft() const { return held[kLeft]; }
    bool HeldRight() const { return held[kRight]; }
    bool HeldJump() const { return held[kJump]; }
    bool HeldDash() const { return held[kDash]; }
    bool HeldAttack() const { return held[kAttack]; }
    bool HeldButton3() const { return held[kButton3]; }
    bool HeldButton4() const { return held[kButton4]; }
    bool HeldButton5() const { return held[kButton5]; }
    bool ReleasedLeft() const { return released[kLeft]; }
    bool ReleasedRight() const { return released[kRight]; }
    bool ReleasedUp() const { return released[kUp]; }
    bool ReleasedDown() const { return released[kDown]; }
    bool ReleasedJump() const { return released[kJump]; }
    bool ReleasedDash() const { return released[kDash]; }

private:
    enum Slot : std::size_t {
        kUp,
        kDown,
        kLeft,
        kRight,
        kJump,
        kDash,
        kAttack,
        kButton3,
        kButton4,
        kButton5,
    };

    std::array<bool, kSlotCount> released{};
    std::array<bool, kSlotCount> held{};
    std::array<bool, kSlotCount> pushed{};
    std::array<int64_t, kSlotCount> previousCount{};  // frames held, as last read
};

}  // namespace morva
