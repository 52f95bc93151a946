#include "IniText.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace plumo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string SectionOf(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
        return "";
    }
    return "[" + Lower(Trim(text.substr(1, text.size() - 2))) + "]";
}

std::string EntryNameOf(std::string_view line) {
    const std::string_view text = Trim(line);
    const size_t equals = text.find('=');
    if (text.empty() || text.front() == '#' || text.front() == ';' || text.front() == '[' ||
        equals == std::string_view::npos) {
        return "";
    }
    return Lower(Trim(text.substr(0, equals)));
}

IniText IniText::Parse(std::string_view text, std::string_view newline) {
    IniText ini;
    ini.newline = newline;
    if (text.starts_with(kByteOrderMark)) {
        ini.byteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    if (const size_t firstEnd = text.find('\n'); firstEnd != std::string_view::npos) {
        ini.newline = firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n" : "\n";
    }
    for (const std::string_view line : SplitLines(text)) {
        ini.lines.emplace_back(line);
    }
    return ini;
}

IniText IniText::Fresh(std::vector<std::string> lines, std::string_view newline) {
    IniText ini;
    ini.lines = std::move(lines);
    ini.newline = newline;
    return ini;
}

bool IniText::SetEntries(std::string_view section, std::span<const IniEntry> entries) {
    const std::string heading = "[" + Lower(section) + "]";
    std::vector<std::optional<size_t>> at(entries.size());
    std::optional<size_t> end;  // after the last line of the section's last block
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > kMaxIniLineBytes) {
            continue;
        }
        if (const std::string name = SectionOf(lines[i]); !name.empty()) {
            inside = name == heading;
        } else if (Trim(lines[i]).starts_with('[')) {
            inside = false;  // a heading that names nothing
        }
        if (!inside) {
            continue;
        }
        const std::string name = EntryNameOf(lines[i]);
        if (name.empty() && !SectionOf(lines[i]).empty()) {
            end = i + 1;
        }
        for (size_t e = 0; e < entries.size() && !name.empty(); ++e) {
            if (name == entries[e].name) {
                at[e] = at[e].value_or(i);
            }
        }
        if (!name.empty()) {
            end = i + 1;
        }
    }
    bool changed = false;
    std::vector<std::string> added;
    for (size_t e = 0; e < entries.size(); ++e) {
        const std::string line = std::string(entries[e].name) + " = " + entries[e].value;
        if (!at[e]) {
            added.push_back("# " + std::string(entries[e].comment));
            added.push_back(line);
        } else if (entries[e].changed) {
            lines[*at[e]] = line;
            changed = true;
        }
    }
    if (added.empty()) {
        return changed;
    }
    if (!end) {
        if (!lines.empty() && !Trim(lines.back()).empty()) {
            lines.emplace_back();
        }
        lines.push_back(heading);
        end = lines.size();
    }
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(*end), added.begin(), added.end());
    return true;
}

std::string IniText::Whole() const {
    std::string whole = byteOrderMark ? std::string(kByteOrderMark) : "";
    for (const std::string& line : lines) {
        whole += line + newline;
    }
    return whole;
}

}  // namespace plumo
