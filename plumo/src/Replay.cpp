#include "Replay.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <new>
#include <string_view>

#include "Failures.h"
#include "InputFile.h"

namespace plumo {
namespace {

// The first word of the format line.
constexpr std::string_view kFormatWord = "plumo-replay";

// Far beyond any recording (an hour of a button change every frame is a few
// MiB), near enough that a hostile file costs little before it is refused.
constexpr size_t kMaxLineBytes = 4096;
constexpr int64_t kMaxFileBytes = int64_t{64} << 20;
// How much of a word or line a message quotes.
constexpr size_t kQuotedBytes = 40;

std::string Quoted(std::string_view text) {
    return "'" + Printable(text, kQuotedBytes) + "'";
}

// A line's first words and how many it has; no line we accept has more than
// three, and keeping them off the heap halves the time a large file takes.
class Words {
public:
    void Add(std::string_view word) {
        if (count < first.size()) {
            first[count] = word;
        }
        ++count;
    }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::string_view operator[](size_t index) const { return first[index]; }

private:
    std::array<std::string_view, 4> first;
    size_t count = 0;
};

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
        words.Add(text.substr(start, end - start));
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
static_assert(std::all_of(std::begin(kButtonNames), std::end(kButtonNames),
                          [](const NamedButton& named) {
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
    explicit ReplayReader(const std::string& name)
        : name(name), path(Printable(name, kShownPathBytes)) {}
    Replay Read();

private:
    [[noreturn]] void Fail(const std::string& why) const {
        Raise(kLibraryFailure,
              "replay file " + path + " line " + std::to_string(lineNumber) + ": " + why);
    }
    bool AnyItem() const { return replay.seed.has_value() || !replay.events.empty(); }
    void ReadLines(InputFile& file);
    void TakeLine(std::string_view line);
    void ReadFormat(const Words& words);
    void ReadSeed(const Words& words);
    void ReadEvent(const Words& words);

    const std::string& name;
    const std::string path;  // as messages show it
    Replay replay;
    int64_t lineNumber = 1;  // of the line being read
    bool formatRead = false;
};

Replay ReplayReader::Read() {
    InputFile file;
    const std::string why = file.Open(name);
    if (!why.empty()) {
        Raise(kLibraryFailure, "cannot read replay file " + path + ": " + why);
    }
    try {
        ReadLines(file);
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
    }
    return std::move(replay);
}

void ReplayReader::ReadLines(InputFile& file) {
    std::string line;
    std::string chunk(size_t{1} << 16, '\0');
    int64_t total = 0;
    for (;;) {
        const ptrdiff_t got = file.Read(chunk.data(), chunk.size());
        if (got < 0) {
            Fail("read failed: " + file.Error());
        }
        if (got == 0) {
            break;
        }
        // Lines up to the limit are read, so the refusal names the line it falls in.
        const bool tooLarge = got > kMaxFileBytes - total;
        const int64_t usable = tooLarge ? kMaxFileBytes - total : got;
        total += usable;
        std::string_view rest(chunk.data(), static_cast<size_t>(usable));
        while (!rest.empty()) {
            const size_t end = rest.find('\n');
            line.append(rest.substr(0, end));
            if (line.size() > kMaxLineBytes) {
                Fail("longer than " + std::to_string(kMaxLineBytes) + " bytes: " + Quoted(line));
            }
            if (end == std::string_view::npos) {
                break;
            }
            TakeLine(line);
            line.clear();
            rest.remove_prefix(end + 1);
        }
        if (tooLarge) {
            Fail("the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB");
        }
    }
    // The last line may lack its newline.
    if (!line.empty()) {
        TakeLine(line);
    }
}

void ReplayReader::TakeLine(std::string_view line) {
    const Words words = SplitWords(Trim(line));
    if (!words.empty()) {
        if (words[0] == kFormatWord) {
            ReadFormat(words);
        } else if (words[0] == "seed") {
            ReadSeed(words);
        } else {
            ReadEvent(words);
        }
    }
    ++lineNumber;
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
        Fail("unknown button " + Quoted(words[1]));
    }
    if (words[2] != "down" && words[2] != "up") {
        Fail("expected down or up, not " + Quoted(words[2]));
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
    lines.Create(path, "record file");
    lines.Word(kFormatWord).Int(kReplayFormat).EndLine();
    lines.Word("seed").Word(std::to_string(seed)).EndLine();
}

void Recording::Write(int64_t frame, const std::vector<HoldCounter::Change>& changes) {
    for (const HoldCounter::Change& change : changes) {
        lines.Int(frame).Int(change.button).Word(change.down ? "down" : "up").EndLine();
    }
}

}  // namespace plumo
