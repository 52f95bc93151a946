#include "frame/Startup.h"

#include <dlfcn.h>
#include <link.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <array>
#include <cfenv>
#include <cinttypes>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string_view>
#include <utility>

#include "ProgramIcon.h"
#include "frame/Main.h"

namespace morva {
namespace {

uint64_t gFailureAddress = 0;

// The fault signals the handler turns into a reported failure.
constexpr std::array<int, 4> kFaultSignals = {SIGFPE, SIGSEGV, SIGBUS, SIGILL};

// A stack overflow faults with no stack left, so the fault handler runs on
// its own.
constexpr std::size_t kFaultStackBytes = 64 * 1024;
alignas(16) std::array<char, kFaultStackBytes> gFaultStack;

struct Fault {
    int signal = 0;
    int code = 0;               // si_code
    uintptr_t dataAddress = 0;  // si_addr: the address touched, for memory faults
    uintptr_t codeAddress = 0;  // the faulting instruction
};

sigjmp_buf* gFaultJump = nullptr;
Fault gFault;

uintptr_t InstructionAddress([[maybe_unused]] const siginfo_t* info, const void* context) {
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)context;
    return reinterpret_cast<uintptr_t>(info->si_addr);
#endif
}

extern "C" void OnFault(int signal, siginfo_t* info, void* context) {
    if (gFaultJump == nullptr) {
        // Nobody to report to: let the default action end the process when
        // the instruction runs again.
        ::signal(signal, SIG_DFL);
        return;
    }
    gFault = {signal, info->si_code, reinterpret_cast<uintptr_t>(info->si_addr),
              InstructionAddress(info, context)};
    siglongjmp(*gFaultJump, 1);
}

// Installs the fault handler for its lifetime and puts back what was there.
class FaultHandlers {
public:
    FaultHandlers() {
        stack_t own{};
        own.ss_sp = gFaultStack.data();
        own.ss_size = gFaultStack.size();
        stackInstalled_ = sigaltstack(&own, &previousStack_) == 0;
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
            sigaction(kFaultSignals[i], &action, &previous_[i]);
        }
    }
    ~FaultHandlers() {
        for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
            sigaction(kFaultSignals[i], &previous_[i], nullptr);
        }
        if (stackInstalled_) {
            sigaltstack(&previousStack_, nullptr);
        }
    }
    FaultHandlers(const FaultHandlers&) = delete;
    FaultHandlers& operator=(const FaultHandlers&) = delete;

private:
    std::array<struct sigaction, kFaultSignals.size()> previous_{};
    stack_t previousStack_{};
    bool stackInstalled_ = false;
};

std::string Hex(uintptr_t value) {
    std::array<char, 2 + 16 + 1> text{};
    std::snprintf(text.data(), text.size(), "0x%" PRIxPTR, value);
    return text.data();
}

// "0x7f12... (Plumo.zqd+0x1a2b)": the module makes an address readable
// across runs with a different load address.
std::string Where(uintptr_t address) {
    std::string text = Hex(address);
    Dl_info info{};
    if (address != 0 && dladdr(reinterpret_cast<void*>(address), &info) != 0 &&
        info.dli_fname != nullptr) {
        const std::string module = std::filesystem::path(info.dli_fname).filename().string();
        text +=
            " (" + module + "+" + Hex(address - reinterpret_cast<uintptr_t>(info.dli_fbase)) + ")";
    }
    return text;
}

std::string DescribeFault(const Fault& fault) {
    const std::string at = " at " + Where(fault.codeAddress);
    switch (fault.signal) {
        case SIGFPE:
            switch (fault.code) {
                case FPE_FLTINV:
                    return "invalid floating-point operation" + at;
                case FPE_INTDIV:
                    return "integer division by zero" + at;
                case FPE_INTOVF:
                    return "integer overflow" + at;
                default:
                    return "floating-point fault (code " + std::to_string(fault.code) + ")" + at;
            }
        case SIGSEGV:
            return "access violation touching " + Hex(fault.dataAddress) + at;
        case SIGBUS:
            return "bus error touching " + Hex(fault.dataAddress) + at;
        case SIGILL:
            return "illegal instruction" + at;
        default:
            return "signal " + std::to_string(fault.signal) + at;
    }
}

struct Outcome {
    bool failed = false;  // a quiet end is not a failure
    bool abandoned = false;
    std::string message;
};

Outcome Quiet() {
    return {};
}

Outcome Failed(std::string message) {
    return {true, false, std::move(message)};
}

uint64_t TakeFailureAddress() {
    const uint64_t address = gFailureAddress;
    gFailureAddress = 0;
    return address;
}

Outcome Caught(const std::function<void()>& step) {
    try {
        step();
        return Quiet();
    } catch (const plumo::Failure& failure) {
        const uint64_t raisedAt = TakeFailureAddress();
        if (failure.code() == plumo::kQuietEnd) {
            return Quiet();
        }
        std::string message = std::string("game library failure: ") + failure.what();
        if (raisedAt != 0) {
            message += " (raised at " + Where(raisedAt) + ")";
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
// as an outcome. Nothing here may change between sigsetjmp and the jump.
Outcome Guarded(const std::function<void()>& step) {
    sigjmp_buf jump;
    sigjmp_buf* const outer = gFaultJump;
    Outcome outcome;
    if (sigsetjmp(jump, 1) == 0) {
        gFaultJump = &jump;
        outcome = Caught(step);
    } else {
        TakeFailureAddress();
        outcome = Failed(DescribeFault(gFault));
        outcome.abandoned = true;
    }
    gFaultJump = outer;
    return outcome;
}

// dlerror() starts with the path it could not load; the message names it once.
std::string LoaderReason(const std::string& path) {
    const char* error = dlerror();
    std::string_view reason = error != nullptr ? error : "unknown reason";
    const std::string prefix = path + ": ";
    if (reason.starts_with(prefix)) {
        reason.remove_prefix(prefix.size());
    }
    return std::string(reason);
}

bool DefinedIn(void* address, const link_map* library) {
    Dl_info info{};
    link_map* owner = nullptr;
    return dladdr1(address, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) != 0 &&
           owner == library;
}

}  // namespace

void SetProgramFloatingPoint() {
    // A stale flag must not fire the moment its trap is enabled.
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TOWARDZERO);
    fedisableexcept(FE_ALL_EXCEPT & ~FE_INVALID);
    feenableexcept(FE_INVALID);
}

std::string ExecutableDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string LibraryPath() {
    return (std::filesystem::path(ExecutableDirectory()) / kLibraryRelativePath).string();
}

std::size_t BindExports(void* handle) {
    lib::ClearBindings();
    link_map* library = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &library) != 0) {
        return 0;
    }
    for (std::size_t i = 0; i < lib::kExportCount; ++i) {
        // dlsym also searches the library's dependencies; a name only they
        // define is not the library's export.
        void* address = dlsym(handle, lib::kExportNames[i]);
        if (address == nullptr || !DefinedIn(address, library)) {
            return i;
        }
        lib::Bindings()[i] = address;
    }
    return lib::kExportCount;
}

uint64_t& FailureAddress() {
    return gFailureAddress;
}

int RunUnderHandler(ProgramState& state, const std::function<void(ProgramState&)>& body,
                    std::FILE* err) {
    const FaultHandlers handlers;
    Outcome outcome = Guarded([&] { body(state); });

    state.title.reset();
    if (lib::IsBound(lib::Export::Free)) {
        const Outcome freeing = Guarded([] { lib::Free(); });
        if (!outcome.failed) {
            outcome = freeing;
        }
        outcome.abandoned = outcome.abandoned || freeing.abandoned;
    }
    // The slots point into the library that is about to go.
    lib::ClearBindings();
    if (state.library != nullptr) {
        const std::string unloadError = dlclose(state.library) == 0 ? "" : LoaderReason("");
        state.library = nullptr;
        if (!outcome.failed && !unloadError.empty()) {
            outcome = Failed("cannot unload game library: " + unloadError);
        }
    }
    state.framesAbandoned = outcome.abandoned;

    if (!outcome.failed) {
        return 0;
    }
    std::fprintf(err, "morva: %s\n", outcome.message.c_str());
    std::fflush(err);
    return kFailureExitCode;
}

void StartSteps(ProgramState& state) {
    const std::string path = LibraryPath();
    state.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (state.library == nullptr) {
        throw StartupFailure("cannot load game library " + path + ": " + LoaderReason(path));
    }
    const std::size_t missing = BindExports(state.library);
    if (missing < lib::kExportCount) {
        throw StartupFailure("game library " + path + " lacks export " +
                             lib::kExportNames[missing]);
    }
    state.title.emplace(kWindowTitle);
    {
        // The library keeps its own copy if it needs the title later.
        const lib::StringRecord titleCopy(lib::ToText(*state.title->get()));
        const plumo::InitParams params{
            plumo::kProgramSignature, plumo::kProgramMode, reinterpret_cast<const void*>(&Start),
            &ProgramIcon(),           &gFailureAddress,    titleCopy.get(),
        };
        lib::Init(params);
    }
    Main();
}

int Start() {
    SetProgramFloatingPoint();
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
