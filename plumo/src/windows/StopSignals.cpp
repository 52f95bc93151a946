#include "StopSignals.h"

#include <windows.h>

#include <atomic>

namespace plumo {
namespace {

std::atomic<bool> gStopRequested{false};
bool gInstalled = false;
bool gIgnoredAtEnd = false;

// Ctrl-C, Ctrl-Break or the console closing: the console's ways of asking a
// program to stop. The handler runs on a thread of its own.
BOOL WINAPI OnConsoleStop(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            gStopRequested = true;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void InstallStopSignals() {
    gStopRequested = false;
    if (gIgnoredAtEnd) {
        SetConsoleCtrlHandler(nullptr, FALSE);
        gIgnoredAtEnd = false;
    }
    gInstalled = SetConsoleCtrlHandler(OnConsoleStop, TRUE) != 0;
}

// Once the session has ended, Ctrl-C must not cut the program's own ending short.
void RestoreStopSignals() {
    if (gInstalled) {
        gIgnoredAtEnd = SetConsoleCtrlHandler(nullptr, TRUE) != 0;
        SetConsoleCtrlHandler(OnConsoleStop, FALSE);
        gInstalled = false;
    }
}

bool StopRequested() {
    return gStopRequested;
}

}  // namespace plumo
