#include "StopSignals.h"

namespace plumo {

// A page is stopped by closing it, which ends the program with it.
void InstallStopSignals() {}
void RestoreStopSignals() {}
bool StopRequested() {
    return false;
}

}  // namespace plumo
