// The settings file's text on its own: entries set in it keep every other line
// of the player's, and the file its own line ends.
#include <gtest/gtest.h>

#include "IniText.h"

namespace plumo {
namespace {

TEST(IniText, SettingEntriesKeepsThePlayersLinesAndLineEnds) {
    const IniEntry kSize{"size", "800 x 450", "Window size", true};
    const IniEntry kFull{"fullscreen", "no", "Fullscreen", false};
    const struct {
        const char* name;
        std::string before;
        std::string after;  // "" when nothing changes
    } kCases[] = {
        {"a new file on Windows", "",
         "[window]\r\n# Window size\r\nsize = 800 x 450\r\n"
         "# Fullscreen\r\nfullscreen = no\r\n"},
        {"changed in place, comments and unknown lines kept",
         "# mine\n[window]\nSize=1 x 1 # old\nvolume = 3\nfullscreen = yes\n",
         "# mine\n[window]\nsize = 800 x 450\nvolume = 3\nfullscreen = yes\n"},
        {"unchanged, however written", "[window]\nsize=1x1\nfullscreen=NO\n",
         "[window]\nsize = 800 x 450\nfullscreen=NO\n"},
        {"missing ones at the end of the section's last block, byte order mark and CRLF kept",
         "\xEF\xBB\xBF[window]\r\nfullscreen = no\r\n[keys]\r\njump = A\r\n[Window]\r\nvsync = "
         "no\r\n"
         "\r\n[other]\r\n",
         "\xEF\xBB\xBF[window]\r\nfullscreen = no\r\n[keys]\r\njump = A\r\n[Window]\r\nvsync = "
         "no\r\n"
         "# Window size\r\nsize = 800 x 450\r\n\r\n[other]\r\n"},
        {"the first of two lines naming it", "[window]\nsize = 1\nsize = 2\nfullscreen = no\n",
         "[window]\nsize = 800 x 450\nsize = 2\nfullscreen = no\n"},
        {"a section of its own after the rest", "[keys]\njump = A",
         "[keys]\njump = A\n\n[window]\n# Window size\nsize = 800 x 450\n# Fullscreen\n"
         "fullscreen = no\n"},
        {"a broken heading ends the section", "[window]\n[nonsense\nsize = 1\n",
         "[window]\n# Window size\nsize = 800 x 450\n# Fullscreen\nfullscreen = no\n[nonsense\n"
         "size = 1\n"},
    };
    const IniEntry entries[] = {kSize, kFull};
    for (const auto& c : kCases) {
        IniText text = IniText::Parse(c.before, "\r\n");
        const bool changed = text.SetEntries("window", entries);
        EXPECT_EQ(changed ? text.Whole() : "", c.after) << c.name;
    }
}

}  // namespace
}  // namespace plumo
