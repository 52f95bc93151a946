#include "ConfigFolder.h"

#include <pwd.h>
#include <unistd.h>

#include "Environment.h"

namespace plumo {

namespace {

const char* Home() {
    const char* home = EnvText("HOME");
    if (home == nullptr) {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] != '\0' ? user->pw_dir
                                                                                     : nullptr;
    }
    return home;
}

}  // namespace

// $XDG_CONFIG_HOME/morva, else ~/.config/morva. A relative XDG_CONFIG_HOME is
// to be ignored, as the base directory rules say.
std::optional<std::string> PlayerConfigFolder() {
    const char* base = EnvText("XDG_CONFIG_HOME");
    if (base != nullptr && base[0] == '/') {
        return std::string(base) + "/morva";
    }
    const char* home = Home();
    if (home == nullptr) {
        return std::nullopt;
    }
    return std::string(home) + "/.config/morva";
}

// $XDG_PICTURES_DIR, else ~/Pictures.
std::optional<std::string> PlayerPicturesFolder() {
    const char* pictures = EnvText("XDG_PICTURES_DIR");
    if (pictures != nullptr && pictures[0] == '/') {
        return std::string(pictures);
    }
    const char* home = Home();
    if (home == nullptr) {
        return std::nullopt;
    }
    return std::string(home) + "/Pictures";
}

std::string_view SystemLineEnd() {
    return "\n";
}

}  // namespace plumo
