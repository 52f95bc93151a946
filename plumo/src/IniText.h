// The text of an ini file as the player wrote it: read into lines, entries
// set in it with every other line kept as it stands, and put back together
// with its own line ends. What the entries mean is the caller's business.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

// Longer lines are no setting anyone wrote; readers skip them, and so does SetEntries.
inline constexpr size_t kMaxIniLineBytes = 4096;

std::string Lower(std::string_view text);
// Without the blanks around it.
std::string_view Trim(std::string_view text);
// The lines without their ends, a last one without its newline included.
std::vector<std::string_view> SplitLines(std::string_view text);

// "[name]" for a section heading, else "".
std::string SectionOf(std::string_view line);
// The name of a "<name> = <value>" line, lower case, else "".
std::string EntryNameOf(std::string_view line);

struct IniEntry {
    std::string_view name;
    std::string value;
    std::string_view comment;  // the line above a new entry, without its "# "
    // An entry the file has keeps its line unless the value changed: the
    // player's way of writing it stays.
    bool changed = true;
};

class IniText {
public:
    // A text without line ends takes `newline`; one with them keeps its own.
    static IniText Parse(std::string_view text, std::string_view newline);
    // The lines of a new file.
    static IniText Fresh(std::vector<std::string> lines, std::string_view newline);

    const std::vector<std::string>& Lines() const { return lines; }
    // Sets each entry in the first of the file's [section]s: the first line
    // that names it, else new lines at the end of the section's last block,
    // else a new section at the end. False when nothing changed.
    bool SetEntries(std::string_view section, std::span<const IniEntry> entries);
    // The whole text, with the file's line ends and byte order mark.
    std::string Whole() const;

private:
    std::vector<std::string> lines;
    std::string newline;
    bool byteOrderMark = false;
};

}  // namespace plumo
