#include "ConfigFolder.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdlib>

namespace plumo {
namespace {

std::optional<std::string> Utf8(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return std::nullopt;
    }
    std::string utf8(static_cast<size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace

// %APPDATA%\MORVA, as UTF-8 like every path the library keeps.
std::optional<std::string> PlayerConfigFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || appData[0] == L'\0') {
        return std::nullopt;
    }
    const std::optional<std::string> folder = Utf8(appData);
    return folder ? std::optional(*folder + "\\MORVA") : std::nullopt;
}

// The Pictures known folder, wherever the player moved it.
std::optional<std::string> PlayerPicturesFolder() {
    wchar_t* path = nullptr;
    std::optional<std::string> folder;
    if (SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) {
        folder = Utf8(path);
    }
    CoTaskMemFree(path);
    return folder;
}

std::string_view SystemLineEnd() {
    return "\r\n";
}

}  // namespace plumo
