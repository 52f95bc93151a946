#include "Buttons.h"

namespace plumo {

void HoldCounter::Press(int button) {
    if (!raw[button]) {
        raw[button] = true;
        sawDown[button] = true;
    }
}

void HoldCounter::Release(int button) {
    if (raw[button]) {
        raw[button] = false;
        sawUp[button] = true;
    }
}

void HoldCounter::Sample(std::vector<Change>& recorded, std::vector<Change>& seen) {
    for (int b = 0; b < kButtonCount; ++b) {
        const int64_t before = count[b];
        // A release followed by a press breaks the hold even if both came
        // between samples.
        const bool wasRaw = rawAtSample[b];
        const bool fresh = sawDown[b] && (!wasRaw || sawUp[b]);
        int64_t now = 0;
        if (raw[b]) {
            now = fresh ? 1 : before + 1;
        } else if (sawDown[b]) {
            now = 1;
        }

        if (wasRaw && (now == 1 || !raw[b])) {
            recorded.push_back({b, false});
        }
        if (now == 1) {
            recorded.push_back({b, true});
            if (!raw[b]) {
                recorded.push_back({b, false});
            }
        }

        if (before > 0 && now != before + 1) {
            seen.push_back({b, false});
        }
        if (now == 1) {
            seen.push_back({b, true});
        }

        count[b] = now;
        rawAtSample[b] = raw[b];
        sawDown[b] = false;
        sawUp[b] = false;
    }
}

}  // namespace plumo
