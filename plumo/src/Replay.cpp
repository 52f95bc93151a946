#include "Replay.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>

#include "Failures.h"

namespace plumo {
namespace {

// The first word of the format line.
constexpr std::string_view kFormatWord = "plumo-replay";

using Words = std::vector<std::string_view>;

// Without the comment and the blanks around the rest.
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

Words SplitWords(std::string_view text) {
    Words words;
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

struct NamedButton {
    std::string_view name;
    int button;
};

constexpr NamedButton kButtonNames[] = {{"jump", kJump}, {"dash", kDash},   {"attack", kAttack},
                                        {"left", kLeft}, {"right", kRight}, {"up", kUp},
                                        {"down", kDown}};
static_assert(std::ranges::all_of(kButtonNames, [](const NamedButton& named) {
    return named.button >= 0 && named.button < kButtonCount;
}));

// -1 for a word that names no button.
int ParseButton(std::string_view word) {
    for (const NamedButton& named : kButtonNames) {
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

// Reads a replay file a line at a time; every refusal names the file and line.
class ReplayReader {
public:
    explicit ReplayReader(const std::string& path) : path(path) {}
    Replay Read();

private:
    [[noreturn]] void Fail(const std::string& why) const {
        Raise(kLibraryFailure,
              "replay file " + path + " line " + std::to_string(lineNumber) + ": " + why);
    }
    bool AnyItem() const { return replay.seed.has_value() || !replay.events.empty(); }
    void ReadFormat(const Words& words);
    void ReadSeed(const Words& words);
    void ReadEvent(const Words& words);

    const std::string& path;
    Replay replay;
    int lineNumber = 0;
    bool formatRead = false;
};

Replay ReplayReader::Read() {
    std::ifstream in(path);
    if (!in) {
        Raise(kLibraryFailure, "cannot read replay file " + path);
    }
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        const Words words = SplitWords(Trim(line));
        if (words.empty()) {
            continue;
        }
        if (words[0] == kFormatWord) {
            ReadFormat(words);
        } else if (words[0] == "seed") {
            ReadSeed(words);
        } else {
            ReadEvent(words);
        }
    }
    return std::move(replay);
}

// Files from before the format line read as its first version.
void ReplayReader::ReadFormat(const Words& words) {
    if (formatRead || AnyItem()) {
        Fail("the format line must come first");
    }
    int64_t version = 0;
    if (words.size() != 2 || !ParseNumber(words[1], version)) {
        Fail("expected '" + std::string(kFormatWord) + " <version>'");
    }
    if (version != kReplayFormat) {
        Fail("unknown replay format version " + std::to_string(version) +
             " (this library reads version " + std::to_string(kReplayFormat) + ")");
    }
    formatRead = true;
}

void ReplayReader::ReadSeed(const Words& words) {
    if (AnyItem()) {
        Fail("the seed line must come first");
    }
    uint64_t seed = 0;
    if (words.size() != 2 || !ParseNumber(words[1], seed)) {
        Fail("expected 'seed <n>'");
    }
    replay.seed = seed;
}

void ReplayReader::ReadEvent(const Words& words) {
    ReplayEvent event{};
    if (words.size() != 3 || !ParseNumber(words[0], event.frame)) {
        Fail("expected '<frame> <button> down|up'");
    }
    if (event.frame < 1) {
        Fail("frame numbers start at 1");
    }
    if (!replay.events.empty() && event.frame < replay.events.back().frame) {
        Fail("frame numbers must ascend");
    }
    event.button = ParseButton(words[1]);
    if (event.button < 0) {
        Fail("unknown button '" + std::string(words[1]) + "'");
    }
    if (words[2] != "down" && words[2] != "up") {
        Fail("expected down or up, not '" + std::string(words[2]) + "'");
    }
    event.down = words[2] == "down";
    replay.events.push_back(event);
}

Replay Replay::Read(const std::string& path) {
    return ReplayReader(path).Read();
}

void Replay::PlayUntil(int64_t frame, HoldCounter& holds) {
    for (; next < events.size() && events[next].frame <= frame; ++next) {
        if (events[next].down) {
            holds.Press(events[next].button);
        } else {
            holds.Release(events[next].button);
        }
    }
}

void Recording::Open(const std::string& path, uint64_t seed) {
    if (!lines.Open(path)) {
        Raise(kLibraryFailure, "cannot write record file " + path);
    }
    lines.Word(kFormatWord).Int(kReplayFormat).EndLine();
    lines.Word("seed").Word(std::to_string(seed)).EndLine();
}

void Recording::Write(int64_t frame, const std::vector<HoldCounter::Change>& changes) {
    for (const HoldCounter::Change& change : changes) {
        lines.Int(frame).Int(change.button).Word(change.down ? "down" : "up").EndLine();
    }
}

}  // namespace plumo
