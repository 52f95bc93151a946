// Mappings for controllers SDL does not know, in SDL's gamecontrollerdb.txt
// format, from the file the player put beside their settings.
#pragma once

#include <string>

namespace plumo {

// Adds the mappings of <folder>/gamecontrollerdb.txt, if there is one, for
// this system; SDL's controllers must have started. Nothing without a folder.
void AddControllerMappings(const std::string& folder);

}  // namespace plumo
