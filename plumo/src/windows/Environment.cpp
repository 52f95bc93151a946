#include "Environment.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace plumo {

// The narrow environment is in the ANSI code page, which cannot hold every
// name a player's folder may have; the wide one can.
const char* EnvText(const char* name) {
    static std::mutex lock;
    static std::map<std::string, std::string> kept;
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (value == nullptr || value[0] == L'\0') {
        return nullptr;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, value, -1, text.data(), bytes, nullptr, nullptr);
    const std::lock_guard<std::mutex> held(lock);
    // Kept per name and never changed in place, so an earlier pointer stays valid.
    auto [at, added] = kept.try_emplace(name + std::string("=") + text, text);
    return at->second.c_str();
}

}  // namespace plumo
