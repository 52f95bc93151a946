// Paths as the library keeps them: UTF-8 text on every system. The standard
// library reads a narrow path in the system's code page on Windows, so every
// path reaches it through PathOf.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace plumo {

inline std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// `name` in `folder`, with the system's own separator.
inline std::string JoinPath(const std::string& folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    const char last = folder.back();
    if (last == '/' || last == static_cast<char>(std::filesystem::path::preferred_separator)) {
        return folder + std::string(name);
    }
    return folder + static_cast<char>(std::filesystem::path::preferred_separator) +
           std::string(name);
}

}  // namespace plumo
