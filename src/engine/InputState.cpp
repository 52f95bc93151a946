#include "engine/InputState.h"

#include "engine/Library.h"

namespace morva {
namespace {

constexpr int64_t kPad = 0;

// The library's button number read for each slot, in slot order.
constexpr std::array<int64_t, InputState::kSlotCount> kSlotButtons = {14, 15, 12, 13, 0,
                                                                      1,  2,  3,  4,  5};

}  // namespace

void InputState::Init() {
    released.fill(false);
    held.fill(false);
    pushed.fill(false);
    previousCount.fill(0);
}

void InputState::Update() {
    for (std::size_t k = 0; k < kSlotButtons.size(); ++k) {
        const int64_t count = lib::Pad(kPad, kSlotButtons[k]);
        held[k] = count > 0;
        pushed[k] = count == 1;
        released[k] = count < previousCount[k];
        previousCount[k] = count;
    }
}

}  // namespace morva
