#include "StopSignals.h"

#include <signal.h>

#include <csignal>
#include <iterator>

namespace plumo {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kStopSignalCount = std::size(kStopSignals);
// A write past a file-size limit or into a pipe nobody reads fails, and the
// library reports it, instead of the signal ending the process without a word.
constexpr int kWriteSignals[] = {SIGXFSZ, SIGPIPE};
constexpr size_t kWriteSignalCount = std::size(kWriteSignals);

volatile std::sig_atomic_t gStopRequested = 0;
struct sigaction gPrevious[kStopSignalCount];
struct sigaction gPreviousWrite[kWriteSignalCount];
bool gInstalled[kStopSignalCount] = {};
// Ignored since an earlier session ended, where they were the default: not a nohup.
bool gIgnoredAtEnd[kStopSignalCount] = {};

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
        if (sigaction(kStopSignals[i], nullptr, &gPrevious[i]) != 0) {
            continue;
        }
        if (gIgnoredAtEnd[i] && gPrevious[i].sa_handler == SIG_IGN) {
            gPrevious[i].sa_handler = SIG_DFL;
        }
        gIgnoredAtEnd[i] = false;
        if (kStopSignals[i] == SIGHUP && gPrevious[i].sa_handler == SIG_IGN) {
            // nohup: the run is meant to outlive the terminal. (A script's
            // background job ignores SIGINT too, but there a kill -INT is meant.)
            continue;
        }
        gInstalled[i] = sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (size_t i = 0; i < kWriteSignalCount; ++i) {
        sigaction(kWriteSignals[i], &ignore, &gPreviousWrite[i]);
    }
}

void RestoreStopSignals() {
    // Once the session has ended every output is complete, and a stop signal
    // must not turn the program's own ending into a death by signal: one that
    // would have ended the process stays ignored.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (size_t i = 0; i < kStopSignalCount; ++i) {
        if (gInstalled[i]) {
            const bool byDefault = gPrevious[i].sa_handler == SIG_DFL;
            sigaction(kStopSignals[i], byDefault ? &ignore : &gPrevious[i], nullptr);
            gIgnoredAtEnd[i] = byDefault;
            gInstalled[i] = false;
        }
    }
    for (size_t i = 0; i < kWriteSignalCount; ++i) {
        sigaction(kWriteSignals[i], &gPreviousWrite[i], nullptr);
    }
}

bool StopRequested() {
    return gStopRequested != 0;
}

}  // namespace plumo
