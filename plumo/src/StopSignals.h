// Ending the session when the player or the system asks the process to stop
// (Ctrl-C, a terminal hanging up, kill): the next Act ends it as a closed
// window does, so every output is complete. Each system supplies its own.
#pragma once

namespace plumo {

// From Init: the stop requests set a flag and nothing else. A hang-up the
// process was started to ignore (nohup) stays ignored.
void InstallStopSignals();
// At Free: whatever was in place before Init.
void RestoreStopSignals();
// Whether a stop was asked for since InstallStopSignals.
bool StopRequested();

}  // namespace plumo
