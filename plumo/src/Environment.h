// The process's environment variables, as UTF-8 on every system.
#pragma once

namespace plumo {

// A variable's text, or null when it is unset or empty. The text stays valid
// until the process ends.
const char* EnvText(const char* name);

}  // namespace plumo
