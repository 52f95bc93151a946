// Where the library's own file lies; each system finds it its own way.
#pragma once

#include <string>

namespace plumo {

// The folder of the library's file, without a trailing separator: textures are
// read from it.
std::string LibraryDirectory();

}  // namespace plumo
