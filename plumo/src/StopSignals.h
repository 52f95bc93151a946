// Ending the session when the player or the system asks the process to stop
// (Ctrl-C, a terminal hanging up, kill): the next Act ends it as a closed
// window does, so every output is complete. Each system supplies its own.
#pragma once

namespace plumo {

// From Init: the stop requests set a flag and nothing else. A hang-up the
// process was started to ignore (nohup) stays ignored. A write that a signal
// would punish (past a file-size limit, into a pipe nobody reads) fails instead.
void InstallStopSignals();
// At Free: whatever was in place before Init, except that a stop request that
// would have ended the process is ignored from now on: the session's ending
// has begun, and the next Init takes them back.
void RestoreStopSignals();
// Whether a stop was asked for since InstallStopSignals.
bool StopRequested();

}  // namespace plumo
