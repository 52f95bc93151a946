#include "ConfigFolder.h"

#include <sys/stat.h>

namespace plumo {

// The page keeps the settings in the browser's storage, mounted here before
// the program starts; under node there is no such place.
std::optional<std::string> PlayerConfigFolder() {
    static constexpr char kFolder[] = "/settings";
    struct stat info {};
    if (stat(kFolder, &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return std::string(kFolder);
}

// A page has no folder of the player's to put a picture in.
std::optional<std::string> PlayerPicturesFolder() {
    return std::nullopt;
}

std::string_view SystemLineEnd() {
    return "\n";
}

}  // namespace plumo
