#include "app/Platform.h"

#include <dlfcn.h>
#include <link.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <array>
#include <cfenv>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace morva::platform {
namespace {

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

struct PreviousHandlers {
    std::array<struct sigaction, kFaultSignals.size()> actions{};
    stack_t stack{};
    bool stackInstalled = false;
} gPrevious;

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

std::string Hex(uintptr_t value) {
    std::array<char, 2 + 16 + 1> text{};
    std::snprintf(text.data(), text.size(), "0x%" PRIxPTR, value);
    return text.data();
}

std::string DescribeFault(const Fault& fault) {
    const std::string at = " at " + DescribeAddress(fault.codeAddress);
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

void* OpenLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    error = library == nullptr ? LoaderReason(path) : "";
    return library;
}

void* FindExport(void* library, const char* name) {
    link_map* own = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &own) != 0) {
        return nullptr;
    }
    // dlsym also searches the library's dependencies.
    void* address = dlsym(library, name);
    Dl_info info{};
    link_map* owner = nullptr;
    if (address == nullptr ||
        dladdr1(address, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 ||
        owner != own) {
        return nullptr;
    }
    return address;
}

std::string CloseLibrary(void* library) {
    return dlclose(library) == 0 ? "" : LoaderReason("");
}

std::string DescribeAddress(uintptr_t address) {
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

FaultCatcher::FaultCatcher() {
    stack_t own{};
    own.ss_sp = gFaultStack.data();
    own.ss_size = gFaultStack.size();
    gPrevious.stackInstalled = sigaltstack(&own, &gPrevious.stack) == 0;
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
        sigaction(kFaultSignals[i], &action, &gPrevious.actions[i]);
    }
}

FaultCatcher::~FaultCatcher() {
    for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
        sigaction(kFaultSignals[i], &gPrevious.actions[i], nullptr);
    }
    if (gPrevious.stackInstalled) {
        sigaltstack(&gPrevious.stack, nullptr);
    }
}

// Nothing here may change between sigsetjmp and the jump.
std::string RunCatchingFaults(const std::function<void()>& step) {
    struct Restore {
        sigjmp_buf* outer;
        ~Restore() { gFaultJump = outer; }
    } restore{gFaultJump};
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1) != 0) {
        return DescribeFault(gFault);
    }
    gFaultJump = &jump;
    step();
    return "";
}

}  // namespace morva::platform
