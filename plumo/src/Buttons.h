// Pad buttons, and the counter that turns their presses and releases into the
// per-frame hold counts Pad reads.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace plumo {

inline constexpr int kButtonCount = 16;

// The buttons the game gives a role; the others go by number.
inline constexpr int kJump = 0;
inline constexpr int kDash = 1;
inline constexpr int kAttack = 2;
inline constexpr int kLeft = 12;
inline constexpr int kRight = 13;
inline constexpr int kUp = 14;
inline constexpr int kDown = 15;

// Pad buttons as bits. Several sources may hold the same button.
using ButtonMask = uint32_t;
static_assert(kButtonCount <= 32, "every button needs a bit of ButtonMask");

constexpr ButtonMask Bit(int button) {
    return ButtonMask{1} << button;
}

// Events between two samples are remembered, so a tap shorter than a frame
// still counts once.
class HoldCounter {
public:
    void Press(int button);
    void Release(int button);

    // What one sample did to a button, in the event order that reproduces it.
    struct Change {
        int button;
        bool down;
    };

    // Advances one frame. Appends to `recorded` the minimal event sequence a
    // replay needs to reach the same counts, and to `seen` the up/down changes
    // of the counts themselves.
    void Sample(std::vector<Change>& recorded, std::vector<Change>& seen);

    int64_t Count(int button) const { return count[button]; }

private:
    std::array<bool, kButtonCount> raw{};
    std::array<bool, kButtonCount> rawAtSample{};
    std::array<bool, kButtonCount> sawDown{};
    std::array<bool, kButtonCount> sawUp{};
    std::array<int64_t, kButtonCount> count{};
};

}  // namespace plumo
