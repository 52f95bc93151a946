#include "ConfigFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <utility>

#include "ConfigFolder.h"
#include "Failures.h"
#include "FilePath.h"
#include "IniText.h"
#include "InputFile.h"
#include "OutputFile.h"

namespace plumo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFileName = "settings.ini";
// Far beyond any settings file.
constexpr size_t kMaxSettingsBytes = size_t{1} << 20;
// A file of junk says so in a few lines, not one a line.
constexpr size_t kMaxWarnings = 10;

// How much of a name or line a warning quotes.
constexpr size_t kQuotedBytes = 40;

// The first three are what SaveWindow remembers.
enum class WindowEntry { kFullscreen, kSize, kPosition, kVsync, kFocusPause, kLowLatency };

struct Entry {
    std::string_view name;
    std::string_view comment;
};
constexpr Entry kWindowEntries[] = {
    {"fullscreen", "Start in fullscreen: yes or no (F11 or Alt+Enter switches while playing)"},
    {"size", "Window size in pixels, <width> x <height>, or auto: as large as the desktop allows"},
    {"position", "Window position on the desktop, <x>, <y>, or centered"},
    {"vsync",
     "Show frames in step with the display's refresh where the graphics driver can: "
     "yes or no"},
    {"pause_on_focus_loss", "Pause when the window loses the keyboard focus: yes or no"},
    {"low_latency",
     "Read the keys and controllers as late as each frame allows, so the picture answers "
     "sooner: yes or no"},
};
static_assert(std::size(kWindowEntries) == static_cast<size_t>(WindowEntry::kLowLatency) + 1);

// The yes-or-no entries.
bool& Flag(Preferences& prefs, WindowEntry which) {
    switch (which) {
        case WindowEntry::kFullscreen:
            return prefs.window.fullscreen;
        case WindowEntry::kVsync:
            return prefs.vsync;
        case WindowEntry::kFocusPause:
            return prefs.pauseOnFocusLoss;
        case WindowEntry::kLowLatency:
        default:
            return prefs.lowLatency;
    }
}

constexpr std::string_view kHeader[] = {
    "# MORVA settings, read when the game starts. The pause panel writes the controls",
    "# here as they are changed, and when the game ends normally it writes the window's",
    "# size, position and fullscreen state back; other lines stay as they are. Lines",
    "# are <name> = <value>; lines starting with # are comments.",
    "",
    "[keys]",
    "# Keys are named as on a US keyboard, whatever the layout: A, Space, Left Shift,",
    "# Return, Up, Keypad 8, F1 (F11 and F12 belong to the window). Several are separated",
    "# by commas; Comma is the , key. none binds nothing. Space always jumps.",
};
constexpr std::string_view kControllerHeader[] = {
    "[controller]",
    "# Controller buttons: a b x y back guide start leftstick rightstick leftshoulder",
    "# rightshoulder dpup dpdown dpleft dpright misc1; axes with a direction: leftx-",
    "# leftx+ lefty- lefty+ rightx- rightx+ righty- righty+ lefttrigger righttrigger.",
    "# Mappings for controllers SDL does not know go in gamecontrollerdb.txt beside this file.",
};

std::string Quoted(std::string_view text) {
    return "'" + Printable(text, kQuotedBytes) + "'";
}

std::string Shown(const std::string& path) {
    return Printable(path, kShownPathBytes);
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    text = Trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::optional<bool> ParseYesNo(std::string_view text) {
    const std::string lower = Lower(text);
    for (const char* yes : {"yes", "true", "on", "1"}) {
        if (lower == yes) {
            return true;
        }
    }
    for (const char* no : {"no", "false", "off", "0"}) {
        if (lower == no) {
            return false;
        }
    }
    return std::nullopt;
}

// Two numbers around a separator, each from `low` to `high`.
std::optional<SDL_Point> ParsePair(std::string_view text, char separator, int low, int high) {
    const size_t at = Lower(text).find(separator);
    SDL_Point point{};
    if (at == std::string_view::npos || !ParseNumber(text.substr(0, at), point.x) ||
        !ParseNumber(text.substr(at + 1), point.y) || point.x < low || point.x > high ||
        point.y < low || point.y > high) {
        return std::nullopt;
    }
    return point;
}

// Beyond any display, near enough that sums of them cannot overflow.
constexpr int kMaxWindowSide = 1 << 16;
constexpr int kMaxPosition = 1 << 20;

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string SizeText(const std::optional<SDL_Point>& size) {
    return size ? std::to_string(size->x) + " x " + std::to_string(size->y) : "auto";
}

std::string PositionText(const std::optional<SDL_Point>& position) {
    return position ? std::to_string(position->x) + ", " + std::to_string(position->y) : "centered";
}

constexpr size_t kRemembered = 3;

std::array<std::string, kRemembered> RememberedTexts(const WindowPlacement& placement) {
    return {YesNo(placement.fullscreen), SizeText(placement.size),
            PositionText(placement.position)};
}

std::string EntryLine(std::string_view name, const std::string& value) {
    return std::string(name) + " = " + value;
}

std::string Comment(std::string_view text) {
    return "# " + std::string(text);
}

// Names joined by commas; "none" for no name.
template <typename Source, typename Name>
std::string Joined(const std::vector<Source>& sources, Name name) {
    std::string text;
    for (const Source& source : sources) {
        text += (text.empty() ? "" : ", ") + name(source);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

// Reads a settings file a line at a time; each line it cannot use is one warning.
class ConfigReader {
public:
    explicit ConfigReader(ConfigFile& file) : file(file), shown(Shown(file.path)) {}
    void Read();

private:
    enum class Section { kNone, kKeys, kController, kWindow, kUnknown };

    void Warn(const std::string& what) {
        if (++warnings <= kMaxWarnings) {
            plumo::Warn("settings file " + shown + " line " + std::to_string(index + 1) + ": " +
                        what);
        }
    }
    void Take(std::string_view line);
    void TakeSection(std::string_view text);
    // False, after a warning, for a name set before in the same section.
    bool FirstTime(const std::string& name);
    void TakeBinding(const std::string& name, std::string_view value);
    void TakeWindow(const std::string& name, std::string_view value);
    template <typename Source, typename Parse, typename Refuse>
    void TakeList(size_t action, std::string_view value, std::string_view kind, Parse parse,
                  Refuse refuse, std::vector<std::pair<Source, size_t>>& owners,
                  std::optional<std::vector<Source>>& taken);
    void Finish();

    ConfigFile& file;
    const std::string shown;
    size_t index = 0;  // of the line being read
    size_t warnings = 0;
    Section section = Section::kNone;
    // "<section> <name>" and the line that first set it.
    std::vector<std::pair<std::string, size_t>> seen;
    // What the file binds, and which action holds each key or input it names.
    std::array<std::optional<std::vector<SDL_Scancode>>, kActionCount> keys;
    std::array<std::optional<std::vector<PadInput>>, kActionCount> pad;
    std::vector<std::pair<SDL_Scancode, size_t>> keyOwners;
    std::vector<std::pair<PadInput, size_t>> padOwners;
};

void ConfigReader::Read() {
    for (const std::string& line : file.text.Lines()) {
        Take(line);
        ++index;
    }
    if (warnings > kMaxWarnings) {
        plumo::Warn("settings file " + shown + ": " + std::to_string(warnings - kMaxWarnings) +
                    " more problems like these");
    }
    Finish();
}

void ConfigReader::Take(std::string_view line) {
    if (line.size() > kMaxIniLineBytes) {
        Warn("longer than " + std::to_string(kMaxIniLineBytes) + " bytes");
        return;
    }
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#' || text.front() == ';') {
        return;
    }
    if (text.front() == '[') {
        TakeSection(text);
        return;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        Warn("expected <name> = <value>, not " + Quoted(text));
        return;
    }
    const std::string name = Lower(Trim(text.substr(0, equals)));
    const std::string_view value = Trim(text.substr(equals + 1));
    switch (section) {
        case Section::kNone:
            Warn(Quoted(name) + " stands before any [section]");
            break;
        case Section::kUnknown:
            break;  // warned once, at its heading
        case Section::kKeys:
        case Section::kController:
            TakeBinding(name, value);
            break;
        case Section::kWindow:
            TakeWindow(name, value);
            break;
    }
}

void ConfigReader::TakeSection(std::string_view text) {
    section = Section::kUnknown;
    if (!text.ends_with(']')) {
        Warn("expected [<section>], not " + Quoted(text));
        return;
    }
    const std::string name = Lower(Trim(text.substr(1, text.size() - 2)));
    if (name == "keys") {
        section = Section::kKeys;
    } else if (name == "controller") {
        section = Section::kController;
    } else if (name == "window") {
        section = Section::kWindow;
    } else {
        Warn("unknown section " + Quoted(text) + "; its lines are skipped");
    }
}

bool ConfigReader::FirstTime(const std::string& name) {
    const std::string key = std::to_string(static_cast<int>(section)) + " " + name;
    const auto found = std::find_if(seen.begin(), seen.end(),
                                    [&](const auto& entry) { return entry.first == key; });
    if (found != seen.end()) {
        Warn(Quoted(name) + " is set again (first on line " + std::to_string(found->second) +
             "); this line is skipped");
        return false;
    }
    seen.emplace_back(key, index + 1);
    return true;
}

void ConfigReader::TakeBinding(const std::string& name, std::string_view value) {
    const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                     [&](const Action& entry) { return entry.name == name; });
    if (action == std::end(kActions)) {
        Warn("unknown button " + Quoted(name));
        return;
    }
    if (!FirstTime(name)) {
        return;
    }
    const size_t at = static_cast<size_t>(action - std::begin(kActions));
    if (section == Section::kKeys) {
        const auto refuse = [at](SDL_Scancode key) -> std::string {
            if (IsWindowKey(key)) {
                return " belongs to the window";
            }
            return key == kSpaceKey && kActions[at].bit != kJump ? " always jumps" : "";
        };
        // Called, not passed by address: Clang 14 types a function whose
        // optional result it has not met yet wrongly for WebAssembly.
        const auto parse = [](std::string_view name) { return ParseKey(name); };
        TakeList(at, value, "key", parse, refuse, keyOwners, keys[at]);
    } else {
        const auto parse = [](std::string_view name) { return ParsePadInput(name); };
        TakeList(
            at, value, "controller input", parse, [](PadInput) { return std::string(); }, padOwners,
            pad[at]);
    }
}

// Every name the line can use applies; when none can, the defaults stay.
template <typename Source, typename Parse, typename Refuse>
void ConfigReader::TakeList(size_t action, std::string_view value, std::string_view kind,
                            Parse parse, Refuse refuse,
                            std::vector<std::pair<Source, size_t>>& owners,
                            std::optional<std::vector<Source>>& taken) {
    std::vector<Source> sources;
    std::string problems;
    const auto problem = [&](const std::string& what) {
        problems += (problems.empty() ? "" : "; ") + what;
    };
    if (Lower(value) == "none") {
        taken = sources;
        return;
    }
    for (std::string_view rest = value; !rest.empty();) {
        const size_t comma = std::min(rest.find(','), rest.size());
        const std::string_view item = Trim(rest.substr(0, comma));
        rest.remove_prefix(std::min(comma + 1, rest.size()));
        if (item.empty()) {
            continue;
        }
        const std::optional<Source> source = parse(item);
        if (!source) {
            problem("unknown " + std::string(kind) + " " + Quoted(item));
            continue;
        }
        if (const std::string refusal = refuse(*source); !refusal.empty()) {
            problem(Quoted(item) + refusal);
            continue;
        }
        const auto owner = std::find_if(owners.begin(), owners.end(),
                                        [&](const auto& entry) { return entry.first == *source; });
        if (owner != owners.end()) {
            problem(Quoted(item) +
                    (owner->second == action
                         ? " is listed twice"
                         : " already holds " + std::string(kActions[owner->second].name)));
            continue;
        }
        owners.emplace_back(*source, action);
        sources.push_back(*source);
    }
    if (!sources.empty() || problems.empty()) {
        taken = std::move(sources);
    }
    if (!problems.empty()) {
        Warn(problems +
             (taken ? "" : "; " + std::string(kActions[action].name) + " keeps its defaults"));
    }
}

void ConfigReader::TakeWindow(const std::string& name, std::string_view value) {
    const auto entry = std::find_if(std::begin(kWindowEntries), std::end(kWindowEntries),
                                    [&](const Entry& entry) { return entry.name == name; });
    if (entry == std::end(kWindowEntries)) {
        Warn("unknown setting " + Quoted(name));
        return;
    }
    if (!FirstTime(name)) {
        return;
    }
    const auto which = static_cast<WindowEntry>(entry - std::begin(kWindowEntries));
    Preferences& prefs = file.prefs;
    const std::string lower = Lower(value);
    const std::optional<bool> yes = ParseYesNo(value);
    switch (which) {
        case WindowEntry::kSize:
            if (lower == "auto") {
                prefs.window.size.reset();
            } else if (const auto size = ParsePair(value, 'x', 1, kMaxWindowSide)) {
                prefs.window.size = size;
            } else {
                Warn("size must be <width> x <height> or auto, not " + Quoted(value));
            }
            return;
        case WindowEntry::kPosition:
            if (lower == "centered" || lower == "centred") {
                prefs.window.position.reset();
            } else if (const auto position = ParsePair(value, ',', -kMaxPosition, kMaxPosition)) {
                prefs.window.position = position;
            } else {
                Warn("position must be <x>, <y> or centered, not " + Quoted(value));
            }
            return;
        case WindowEntry::kFullscreen:
        case WindowEntry::kVsync:
        case WindowEntry::kFocusPause:
        case WindowEntry::kLowLatency:
            break;
    }
    if (!yes) {
        Warn(name + " must be yes or no, not " + Quoted(value));
        return;
    }
    Flag(prefs, which) = *yes;
}

// Buttons the file leaves out keep their defaults, but for what the file gave
// to others.
void ConfigReader::Finish() {
    const Bindings defaults = Bindings::Defaults();
    Bindings& bindings = file.prefs.bindings;
    for (size_t action = 0; action < kActionCount; ++action) {
        bindings.keys[action].clear();
        for (const SDL_Scancode key : keys[action].value_or(defaults.keys[action])) {
            if (keys[action] ||
                std::none_of(keyOwners.begin(), keyOwners.end(),
                             [&](const auto& owner) { return owner.first == key; })) {
                bindings.keys[action].push_back(key);
            }
        }
        bindings.pad[action].clear();
        for (const PadInput input : pad[action].value_or(defaults.pad[action])) {
            if (pad[action] ||
                std::none_of(padOwners.begin(), padOwners.end(),
                             [&](const auto& owner) { return owner.first == input; })) {
                bindings.pad[action].push_back(input);
            }
        }
    }
    std::vector<SDL_Scancode>& jump = bindings.keys[ActionOf(kJump)];
    if (std::find(jump.begin(), jump.end(), kSpaceKey) == jump.end()) {
        jump.insert(jump.begin(), kSpaceKey);
    }
}

ConfigFile ConfigFile::Load(const std::optional<std::string>& folder, bool remember) {
    ConfigFile file;
    if (!folder) {
        return file;
    }
    file.folder = *folder;
    file.path = JoinPath(file.folder, kFileName);
    std::error_code error;
    if (fs::status(PathOf(file.path), error).type() == fs::file_type::not_found) {
        if (remember) {
            file.WriteDefaults();
        }
        return file;
    }
    std::string text;
    const std::string why = ReadWhole(file.path, kMaxSettingsBytes, text);
    if (!why.empty()) {
        Warn("cannot read settings file " + Shown(file.path) + ": " + why + "; the defaults apply");
        return file;
    }
    file.text = IniText::Parse(text, SystemLineEnd());
    ConfigReader(file).Read();
    file.writable = remember;
    file.whole = true;
    return file;
}

void ConfigFile::WriteDefaults() {
    const Bindings defaults = Bindings::Defaults();
    std::vector<std::string> lines(std::begin(kHeader), std::end(kHeader));
    for (size_t action = 0; action < kActionCount; ++action) {
        lines.push_back(Comment(kActions[action].comment));
        lines.push_back(EntryLine(kActions[action].name, Joined(defaults.keys[action], KeyName)));
    }
    lines.emplace_back();
    lines.insert(lines.end(), std::begin(kControllerHeader), std::end(kControllerHeader));
    for (size_t action = 0; action < kActionCount; ++action) {
        lines.push_back(Comment(kActions[action].comment));
        lines.push_back(
            EntryLine(kActions[action].name, Joined(defaults.pad[action], PadInputName)));
    }
    lines.emplace_back();
    lines.emplace_back("[window]");
    const std::array<std::string, kRemembered> remembered = RememberedTexts(prefs.window);
    for (size_t i = 0; i < std::size(kWindowEntries); ++i) {
        const bool flag = Flag(prefs, static_cast<WindowEntry>(i));
        lines.push_back(Comment(kWindowEntries[i].comment));
        lines.push_back(
            EntryLine(kWindowEntries[i].name, i < kRemembered ? remembered[i] : YesNo(flag)));
    }
    text = IniText::Fresh(std::move(lines), SystemLineEnd());
    whole = true;
    writable = Write().empty();
}

void ConfigFile::SaveWindow(const WindowPlacement& now) {
    if (!writable) {
        return;
    }
    const std::array<std::string, kRemembered> was = RememberedTexts(prefs.window);
    const std::array<std::string, kRemembered> texts = RememberedTexts(now);
    std::array<IniEntry, kRemembered> entries;
    for (size_t i = 0; i < kRemembered; ++i) {
        entries[i] = {kWindowEntries[i].name, texts[i], kWindowEntries[i].comment,
                      texts[i] != was[i]};
    }
    if (text.SetEntries("window", entries)) {
        Write();
    }
}

std::string ConfigFile::SaveBindings(const Bindings& now) {
    const Bindings was = std::exchange(prefs.bindings, now);
    if (path.empty()) {
        return "";
    }
    if (!whole) {
        if (!std::exchange(warnedWrite, true)) {
            Warn("settings file " + Shown(path) +
                 " could not be read, so the controls are not saved");
        }
        return "it could not be read";
    }
    // A list the file leaves out means the defaults but for what others hold,
    // so once one list of a kind changes, every list of that kind is written.
    std::array<IniEntry, kActionCount> entries;
    bool changed = false;
    for (size_t action = 0; action < kActionCount; ++action) {
        entries[action] = {kActions[action].name, Joined(now.keys[action], KeyName),
                           kActions[action].comment, now.keys[action] != was.keys[action]};
        changed = entries[action].changed || changed;
    }
    if (changed) {
        changed = text.SetEntries("keys", entries);
    }
    bool padChanged = false;
    for (size_t action = 0; action < kActionCount; ++action) {
        entries[action] = {kActions[action].name, Joined(now.pad[action], PadInputName),
                           kActions[action].comment, now.pad[action] != was.pad[action]};
        padChanged = entries[action].changed || padChanged;
    }
    if (padChanged && text.SetEntries("controller", entries)) {
        changed = true;
    }
    if (!changed) {
        return "";
    }
    std::string why = Write();
    writable = writable || why.empty();
    return why;
}

std::string ConfigFile::Write() {
    const std::string bytes = text.Whole();
    const std::string why =
        bytes.size() > kMaxSettingsBytes
            ? "it would grow past " + std::to_string(kMaxSettingsBytes >> 20) + " MiB"
            : ReplaceWhole(path, bytes);
    if (!why.empty() && !std::exchange(warnedWrite, true)) {
        Warn("cannot write settings file " + Shown(path) + ": " + why);
    }
    return why;
}

}  // namespace plumo
