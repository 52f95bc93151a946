// Where the player's settings and pictures live; each system has its own place
// for them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace plumo {

// The game's folder among the player's configuration, without a trailing
// separator; none when the system names no such place.
std::optional<std::string> PlayerConfigFolder();

// The player's pictures folder, without a trailing separator; none when the
// system names no such place.
std::optional<std::string> PlayerPicturesFolder();

// The line end of the system's text files, which a new settings file takes.
std::string_view SystemLineEnd();

}  // namespace plumo
