// What start-up needs of the operating system, one implementation per
// system: the floating-point setting, the executable's folder, loading and
// binding the game library, and turning processor faults into failures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace morva::platform {

// Doubles round toward zero; an invalid operation traps, every other
// floating-point exception stays masked, so x / 0.0 is an infinity.
void SetProgramFloatingPoint();

// Gives standard error somewhere to go when the system started the program
// without one (a Windows program without a console window, started from a
// console), so the failure line still reaches it; one that cannot take the
// line (a pipe whose reader left) never ends the program by a signal.
void ConnectStandardError();

// What InitParams hands the library as the program's instance: the
// executable's module handle, or an address inside the executable.
const void* ProgramInstance();

// A failure line shown where a player who started the game without a console
// sees it (a message box on Windows in window mode); nothing where standard
// error is all there is.
void ShowFailure(const std::string& line);

// The folder of the running executable: never the working directory, so the
// game starts from anywhere.
std::string ExecutableDirectory();

// The loaded library, or null with the loader's reason in `error`.
void* OpenLibrary(const std::string& path, std::string& error);
// Only what the library itself defines: a name that only its dependencies
// define is not its export. Null when the name does not resolve.
void* FindExport(void* library, const char* name);
// The loader's reason, or "" when the library was unloaded.
std::string CloseLibrary(void* library);

// "0x7f12... (Plumo.zqd+0x1a2b)": the module makes an address readable
// across runs with a different load address.
std::string DescribeAddress(uintptr_t address);

// Catches processor faults (invalid floating-point operation, access
// violation, ...) for its lifetime and puts back what was there. A fault it
// cannot hand back to RunCatchingFaults (on another thread, inside the C or
// C++ runtime or the loader, while a LoaderActivity lives, or outside
// RunCatchingFaults) is reported by the handler itself as one "morva: ..."
// line on `report`, and the process ends with `exitCode` without shutdown.
class FaultCatcher {
public:
    FaultCatcher(std::FILE* report, int exitCode);
    ~FaultCatcher();
    FaultCatcher(const FaultCatcher&) = delete;
    FaultCatcher& operator=(const FaultCatcher&) = delete;

    // The shutdown after a fault may hang in a library left mid-call: unless
    // StopWatching comes first, `line` goes to `report` and the process ends
    // with `exitCode` a few seconds from now.
    void WatchShutdown(const std::string& line);
    void StopWatching();
};

// While one lives the loader may be changing its own state: a fault is never
// jumped back from, and its line ends "while <activity>".
class LoaderActivity {
public:
    explicit LoaderActivity(const std::string& activity);
    ~LoaderActivity();
    LoaderActivity(const LoaderActivity&) = delete;
    LoaderActivity& operator=(const LoaderActivity&) = delete;
};

// Runs step; a processor fault inside it jumps back here and returns its
// description ("" when none happened). Frames the fault jumped over are
// abandoned, their objects never destroyed.
std::string RunCatchingFaults(const std::function<void()>& step);

}  // namespace morva::platform
