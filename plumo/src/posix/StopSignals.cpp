#include "StopSignals.h"

#include <signal.h>

#include <csignal>
#include <iterator>

namespace plumo {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kStopSignalCount = std::size(kStopSignals);

volatile std::sig_atomic_t gStopRequested = 0;
struct sigaction gPrevious[kStopSignalCount];
bool gInstalled[kStopSignalCount] = {};

void OnStopSignal(int) {
    gStopRequested = 1;
}

}  // namespace

void InstallStopSignals() {
    gStopRequested = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // A write or read cut short by the signal carries on.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kStopSignalCount; ++i) {
        gInstalled[i] = false;
        if (sigaction(kStopSignals[i], nullptr, &gPrevious[i]) != 0 ||
            (kStopSignals[i] == SIGHUP && gPrevious[i].sa_handler == SIG_IGN)) {
            // nohup: the run is meant to outlive the terminal. (A script's
            // background job ignores SIGINT too, but there a kill -INT is meant.)
            continue;
        }
        gInstalled[i] = sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
}

void RestoreStopSignals() {
    for (size_t i = 0; i < kStopSignalCount; ++i) {
        if (gInstalled[i]) {
            sigaction(kStopSignals[i], &gPrevious[i], nullptr);
            gInstalled[i] = false;
        }
    }
}

bool StopRequested() {
    return gStopRequested != 0;
}

}  // namespace plumo
