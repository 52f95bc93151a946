#include "app/Startup.h"

#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <utility>

#include "ProgramIcon.h"
#include "app/Main.h"
#include "app/Platform.h"

namespace morva {
namespace {

uint64_t gFailureAddress = 0;

struct Outcome {
    bool failed = false;  // a quiet end is not a failure
    bool abandoned = false;
    std::string message;
};

Outcome Failed(std::string message) {
    return {true, false, std::move(message)};
}

uint64_t TakeFailureAddress() {
    return std::exchange(gFailureAddress, 0);
}

Outcome Caught(const std::function<void()>& step) {
    try {
        step();
        return {};
    } catch (const plumo::Failure& failure) {
        const uint64_t raisedAt = TakeFailureAddress();
        if (failure.code() == plumo::kQuietEnd) {
            return {};
        }
        std::string message = std::string("game library failure: ") + failure.what();
        if (raisedAt != 0) {
            message += " (raised at " + platform::DescribeAddress(raisedAt) + ")";
        }
        return Failed(message);
    } catch (const std::exception& failure) {
        TakeFailureAddress();
        return Failed(failure.what());
    } catch (...) {
        TakeFailureAddress();
        return Failed("unknown failure");
    }
}

// One step under the handler: exceptions and processor faults alike come back
// as an outcome.
Outcome Guarded(const std::function<void()>& step) {
    Outcome outcome;
    const std::string fault = platform::RunCatchingFaults([&] { outcome = Caught(step); });
    if (!fault.empty()) {
        TakeFailureAddress();
        outcome = Failed(fault);
        outcome.abandoned = true;
    }
    return outcome;
}

}  // namespace

std::string LibraryPath() {
    return (std::filesystem::path(platform::ExecutableDirectory()) / kLibraryRelativePath)
        .make_preferred()
        .string();
}

std::size_t BindExports(void* library) {
    lib::ClearBindings();
    for (std::size_t i = 0; i < lib::kExportCount; ++i) {
        void* address = platform::FindExport(library, lib::kExportNames[i]);
        if (address == nullptr) {
            return i;
        }
        lib::Bindings()[i] = address;
    }
    return lib::kExportCount;
}

std::string PlayerMessage(std::string_view line) {
    if (const std::size_t raised = line.find(" (raised at "); raised != std::string_view::npos) {
        line = line.substr(0, raised);
    }
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string shown;
    for (;;) {
        const std::size_t at = line.find(" at 0x");
        if (at == std::string_view::npos) {
            break;
        }
        std::size_t end = at + 6;
        while (end < line.size() && isHex(line[end])) {
            ++end;
        }
        // "(module+0x...)" names the same address.
        if (line.substr(end).starts_with(" (")) {
            const std::size_t close = line.find(')', end);
            if (close != std::string_view::npos &&
                line.substr(end, close - end).find("+0x") != std::string_view::npos) {
                end = close + 1;
            }
        }
        shown += line.substr(0, at);
        line = line.substr(end);
    }
    return shown + std::string(line);
}

uint64_t& FailureAddress() {
    return gFailureAddress;
}

int RunUnderHandler(ProgramState& state, const std::function<void(ProgramState&)>& body,
                    std::FILE* err) {
    platform::FaultCatcher catcher(err, kFailureExitCode);
    Outcome outcome = Guarded([&] { body(state); });
    // A fault may leave the library mid-call, and the shutdown stuck in it.
    const auto watch = [&] { catcher.WatchShutdown("morva: " + outcome.message + "\n"); };
    if (outcome.abandoned) {
        watch();
    }

    state.title.reset();
    if (lib::IsBound(lib::Export::Free)) {
        const bool watched = outcome.abandoned;
        const Outcome freeing = Guarded([] { lib::Free(); });
        if (!outcome.failed) {
            outcome = freeing;
        }
        outcome.abandoned = outcome.abandoned || freeing.abandoned;
        if (outcome.abandoned && !watched) {
            watch();
        }
    }
    // The slots point into the library that is about to go.
    lib::ClearBindings();
    if (state.library != nullptr) {
        std::string unloadError;
        {
            const platform::LoaderActivity unloading("unloading game library " + state.libraryPath);
            unloadError = platform::CloseLibrary(state.library);
        }
        state.library = nullptr;
        if (!outcome.failed && !unloadError.empty()) {
            outcome = Failed("cannot unload game library: " + unloadError);
        }
    }
    state.framesAbandoned = outcome.abandoned;
    catcher.StopWatching();

    if (!outcome.failed) {
        return 0;
    }
    std::fprintf(err, "morva: %s\n", outcome.message.c_str());
    std::fflush(err);
    platform::ShowFailure(PlayerMessage("morva: " + outcome.message));
    return kFailureExitCode;
}

void StartSteps(ProgramState& state) {
    LoadAndBind(state);
    InitAndRun(state);
}

void LoadAndBind(ProgramState& state) {
    const std::string path = LibraryPath();
    std::string error;
    {
        const platform::LoaderActivity loading("loading game library " + path);
        state.library = platform::OpenLibrary(path, error);
    }
    if (state.library == nullptr) {
        throw StartupFailure("cannot load game library " + path + ": " + error);
    }
    state.libraryPath = path;
    std::size_t missing = 0;
    {
        const platform::LoaderActivity binding("binding game library " + path);
        missing = BindExports(state.library);
    }
    if (missing < lib::kExportCount) {
        throw StartupFailure("game library " + path + " lacks export " +
                             lib::kExportNames[missing]);
    }
}

void InitAndRun(ProgramState& state) {
    state.title.emplace(kWindowTitle);
    {
        // The library keeps its own copy if it needs the title later.
        const lib::StringRecord titleCopy(lib::ToText(*state.title->get()));
        const plumo::InitParams params{
            plumo::kProgramSignature, plumo::kProgramMode, platform::ProgramInstance(),
            &ProgramIcon(),           &gFailureAddress,    titleCopy.get(),
        };
        lib::Init(params);
    }
    Main();
}

int Start() {
    platform::ConnectStandardError();
    platform::SetProgramFloatingPoint();
    ProgramState state;
    const int exitCode = RunUnderHandler(state, StartSteps, stderr);
    if (state.framesAbandoned) {
        // Leave without exit-time clean-up: the abandoned objects would only
        // be reported as leaks by the sanitizer builds.
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}

}  // namespace morva
