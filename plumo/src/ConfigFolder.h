// Where the player's settings live; each system has its own place for them.
#pragma once

#include <optional>
#include <string>

namespace plumo {

// The game's folder among the player's configuration, without a trailing
// separator; none when the system names no such place.
std::optional<std::string> PlayerConfigFolder();

}  // namespace plumo
