// The program's entry path: floating-point setting, loading and binding the
// game library beside the executable, Init, Main, and the one top-level
// handler that shuts everything down in a fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/Library.h"

namespace morva {

inline constexpr char16_t kWindowTitle[] = u"MORVA var 0.2";
inline constexpr char kLibraryRelativePath[] = "Data/Plumo.zqd";
inline constexpr int kFailureExitCode = 1;

// A failure before the window opens: the library is missing or incomplete.
class StartupFailure : public std::runtime_error {
public:
    static constexpr int64_t kCode = 3001;
    using std::runtime_error::runtime_error;
};

std::string LibraryPath();

// Resolves the export names in binding order into lib::Bindings(). Stops at
// the first name that does not resolve and returns its index (later slots
// stay empty), or lib::kExportCount when every name resolved.
std::size_t BindExports(void* library);

// What outlives the steps run under the handler and is torn down by shutdown.
struct ProgramState {
    void* library = nullptr;
    std::string libraryPath;
    std::optional<lib::StringRecord> title;  // held until shutdown
    // A processor fault jumped over the frames below the handler; their
    // objects were never destroyed.
    bool framesAbandoned = false;
};

// The cell the library writes its raising address into; 0 when no failure is
// pending.
uint64_t& FailureAddress();

// Runs body under the top-level handler, then the shutdown sequence: drop the
// title, Free if its slot is bound, unload the library. A quiet end (the
// window closed) gives 0 and prints nothing; any other failure prints one
// "morva: ..." line to err and gives kFailureExitCode. A processor fault that
// cannot be jumped back from (see platform::FaultCatcher), or a shutdown that
// hangs after a fault, ends the process with that line and code instead.
int RunUnderHandler(ProgramState& state, const std::function<void(ProgramState&)>& body,
                    std::FILE* err);

// The failure line as a message box shows it to a player: without the code
// addresses ("at 0x...", "(raised at ...)") that only help a developer, who
// still finds them on standard error.
std::string PlayerMessage(std::string_view line);

// Start-up steps after the floating-point setting: load and bind, then
// title, Init and Main. Returns only by a failure.
void StartSteps(ProgramState& state);
void LoadAndBind(ProgramState& state);
void InitAndRun(ProgramState& state);

// The whole program; returns the process exit code.
int Start();

}  // namespace morva
