#include "Input.h"

#include <charconv>
#include <fstream>
#include <string_view>

#include "Core.h"

namespace plumo {

void HoldCounter::Press(int button) {
    if (!raw_[button]) {
        raw_[button] = true;
        sawDown_[button] = true;
    }
}

void HoldCounter::Release(int button) {
    if (raw_[button]) {
        raw_[button] = false;
        sawUp_[button] = true;
    }
}

void HoldCounter::ReleaseAll() {
    for (int b = 0; b < kButtonCount; ++b) {
        Release(b);
    }
}

void HoldCounter::Sample(std::vector<Change>& recorded, std::vector<Change>& seen) {
    for (int b = 0; b < kButtonCount; ++b) {
        const int64_t before = count_[b];
        // A release followed by a press breaks the hold even if both came
        // between samples.
        const bool wasRaw = rawAtSample_[b];
        const bool fresh = sawDown_[b] && (!wasRaw || sawUp_[b]);
        int64_t now = 0;
        if (raw_[b]) {
            now = fresh ? 1 : before + 1;
        } else if (sawDown_[b]) {
            now = 1;
        }

        if (wasRaw && (now == 1 || !raw_[b])) {
            recorded.push_back({b, false});
        }
        if (now == 1) {
            recorded.push_back({b, true});
            if (!raw_[b]) {
                recorded.push_back({b, false});
            }
        }

        if (before > 0 && now != before + 1) {
            seen.push_back({b, false});
        }
        if (now == 1) {
            seen.push_back({b, true});
        }

        count_[b] = now;
        rawAtSample_[b] = raw_[b];
        sawDown_[b] = false;
        sawUp_[b] = false;
    }
}

namespace {

std::string_view Trim(std::string_view text) {
    const size_t hash = text.find('#');
    if (hash != std::string_view::npos) {
        text = text.substr(0, hash);
    }
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = text.find_first_not_of(" \t", pos);
        if (start == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(text.find_first_of(" \t", start), text.size());
        words.push_back(text.substr(start, end - start));
        pos = end;
    }
    return words;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

int ParseButton(std::string_view word) {
    struct Named {
        std::string_view name;
        int button;
    };
    static constexpr Named kNames[] = {{"jump", 0},   {"dash", 1}, {"attack", 2}, {"left", 12},
                                       {"right", 13}, {"up", 14},  {"down", 15}};
    for (const Named& named : kNames) {
        if (word == named.name) {
            return named.button;
        }
    }
    int button = -1;
    if (ParseNumber(word, button) && button >= 0 && button < kButtonCount) {
        return button;
    }
    return -1;
}

}  // namespace

Replay ReadReplay(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        Raise(kLibraryFailure, "cannot read replay file " + path);
    }
    Replay replay;
    std::string line;
    int lineNumber = 0;
    bool anyItem = false;
    auto fail = [&](const std::string& why) {
        Raise(kLibraryFailure,
              "replay file " + path + " line " + std::to_string(lineNumber) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::vector<std::string_view> words = Words(Trim(line));
        if (words.empty()) {
            continue;
        }
        if (words[0] == "seed") {
            if (anyItem) {
                fail("the seed line must come first");
            }
            if (words.size() != 2 || !ParseNumber(words[1], replay.seed)) {
                fail("expected 'seed <n>'");
            }
            replay.hasSeed = true;
            anyItem = true;
            continue;
        }
        anyItem = true;
        ReplayEvent event{};
        if (words.size() != 3 || !ParseNumber(words[0], event.frame)) {
            fail("expected '<frame> <button> down|up'");
        }
        if (event.frame < 1) {
            fail("frame numbers start at 1");
        }
        if (!replay.events.empty() && event.frame < replay.events.back().frame) {
            fail("frame numbers must ascend");
        }
        event.button = ParseButton(words[1]);
        if (event.button < 0) {
            fail("unknown button '" + std::string(words[1]) + "'");
        }
        if (words[2] == "down") {
            event.down = true;
        } else if (words[2] == "up") {
            event.down = false;
        } else {
            fail("expected down or up, not '" + std::string(words[2]) + "'");
        }
        replay.events.push_back(event);
    }
    return replay;
}

ButtonMask KeyButtons(SDL_Scancode key) {
    switch (key) {
        case SDL_SCANCODE_SPACE:
            return 1u << 0;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_X:
        case SDL_SCANCODE_K:
            return 1u << 1;
        case SDL_SCANCODE_Z:
        case SDL_SCANCODE_J:
            return 1u << 2;
        case SDL_SCANCODE_C:
        case SDL_SCANCODE_L:
            return 1u << 3;
        case SDL_SCANCODE_V:
            return 1u << 4;
        case SDL_SCANCODE_B:
            return 1u << 5;
        case SDL_SCANCODE_LEFT:
        case SDL_SCANCODE_A:
            return 1u << 12;
        case SDL_SCANCODE_RIGHT:
        case SDL_SCANCODE_D:
            return 1u << 13;
        case SDL_SCANCODE_UP:
        case SDL_SCANCODE_W:
            return 1u << 14;
        case SDL_SCANCODE_DOWN:
        case SDL_SCANCODE_S:
            return 1u << 15;
        default:
            return 0;
    }
}

ButtonMask ControllerButtons(SDL_GameControllerButton button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return 1u << 0;
        case SDL_CONTROLLER_BUTTON_B:
            return 1u << 1;
        case SDL_CONTROLLER_BUTTON_X:
            return 1u << 2;
        case SDL_CONTROLLER_BUTTON_Y:
            return 1u << 3;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return 1u << 4;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return 1u << 5;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return 1u << 12;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return 1u << 13;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return 1u << 14;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return 1u << 15;
        default:
            return 0;
    }
}

}  // namespace plumo
