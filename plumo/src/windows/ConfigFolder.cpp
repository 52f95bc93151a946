#include "ConfigFolder.h"

#include <windows.h>

#include <cstdlib>

namespace plumo {

// %APPDATA%\MORVA, as UTF-8 like every path the library keeps.
std::optional<std::string> PlayerConfigFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || appData[0] == L'\0') {
        return std::nullopt;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, appData, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return std::nullopt;
    }
    std::string folder(static_cast<size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, appData, -1, folder.data(), bytes, nullptr, nullptr);
    return folder + "\\MORVA";
}

}  // namespace plumo
