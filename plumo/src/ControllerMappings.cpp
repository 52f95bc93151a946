#include "ControllerMappings.h"

#include <filesystem>
#include <string_view>

#include "Failures.h"
#include "FilePath.h"
#include "IniText.h"
#include "InputFile.h"
#include "Sdl.h"

namespace plumo {
namespace {

constexpr std::string_view kMappingsName = "gamecontrollerdb.txt";
// The mappings of every controller there is, several times over.
constexpr size_t kMaxMappingsBytes = size_t{4} << 20;
// SDL adds each mapping in time that grows with those it has; far more than
// any system's share of the community's database.
constexpr size_t kMaxMappings = 2000;
// A file of junk says so in a few lines, not one a line.
constexpr size_t kMaxWarnings = 10;
constexpr size_t kQuotedBytes = 80;

}  // namespace

void AddControllerMappings(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    const std::string mappings = JoinPath(folder, kMappingsName);
    const std::string shown = Printable(mappings, kShownPathBytes);
    std::error_code error;
    if (std::filesystem::status(PathOf(mappings), error).type() ==
        std::filesystem::file_type::not_found) {
        return;
    }
    std::string text;
    const std::string why = ReadWhole(mappings, kMaxMappingsBytes, text);
    if (!why.empty()) {
        Warn("cannot read controller mappings " + shown + ": " + why);
        return;
    }
    // Lines for other systems are left to them, as SDL's own reader does.
    const std::string platform = Lower(SDL_GetPlatform());
    constexpr std::string_view kPlatformField = "platform:";
    size_t number = 0;
    size_t added = 0;
    size_t skipped = 0;
    size_t refused = 0;
    for (const std::string_view line : SplitLines(text)) {
        ++number;
        const std::string_view mapping = Trim(line);
        if (mapping.empty() || mapping.front() == '#') {
            continue;
        }
        const std::string lower = Lower(mapping);
        const size_t field = lower.find(kPlatformField);
        if (field != std::string::npos) {
            const size_t start = field + kPlatformField.size();
            if (lower.substr(start, lower.find(',', start) - start) != platform) {
                continue;
            }
        }
        if (added == kMaxMappings) {
            ++skipped;
        } else if (SDL_GameControllerAddMapping(std::string(mapping).c_str()) >= 0) {
            ++added;
        } else if (++refused <= kMaxWarnings) {
            Warn("controller mappings " + shown + " line " + std::to_string(number) + ": " +
                 Printable(SDL_GetError(), kQuotedBytes));
        }
    }
    if (refused > kMaxWarnings) {
        Warn("controller mappings " + shown + ": " + std::to_string(refused - kMaxWarnings) +
             " more lines refused");
    }
    if (skipped > 0) {
        Warn("controller mappings " + shown + ": only the first " + std::to_string(kMaxMappings) +
             " are used, " + std::to_string(skipped) + " more skipped");
    }
}

}  // namespace plumo
