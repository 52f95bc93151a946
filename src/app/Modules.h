// The modules the fault handler can name, read while it is safe to call the
// loader: again whenever a library comes or goes.
#pragma once

namespace morva::platform {

void ReadModules();

}  // namespace morva::platform
