// Processor faults turned into the one failure line, and the watchdog on the
// shutdown after one.
#include "app/FaultReport.h"
#include "app/Modules.h"
#include "app/Platform.h"

#include <dlfcn.h>
#include <link.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cfenv>
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

// Long enough for Free and unloading, short enough that nobody waits on a
// hung shutdown.
constexpr unsigned kWatchdogSeconds = 3;

struct Fault {
    int signal = 0;
    int code = 0;               // si_code
    uintptr_t dataAddress = 0;  // si_addr: the address touched, for memory faults
    uintptr_t codeAddress = 0;  // the faulting instruction
};

// Read by the handler on whichever thread faults.
std::atomic<sigjmp_buf*> gFaultJump{nullptr};
std::atomic<pid_t> gJumpThread{0};
Fault gFault;

int gReportFd = 2;
int gExitCode = 1;
std::atomic<bool> gReported{false};  // the one line is out, or being written

std::array<char, 1024> gWatchLine{};
std::size_t gWatchLineSize = 0;
bool gWatching = false;
struct sigaction gPreviousAlarm {};

struct PreviousHandlers {
    std::array<struct sigaction, kFaultSignals.size()> actions{};
    stack_t stack{};
    bool stackInstalled = false;
} gPrevious;

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The loaded modules by their code. The handler cannot ask the loader, so
// the list is read ahead: at install time and whenever the game library
// comes or goes.
struct Module {
    uintptr_t base = 0;  // where dladdr counts offsets from
    uintptr_t codeStart = 0, codeEnd = 0;
    // The C or C++ runtime or the loader: jumping out of them could leave a
    // lock of the allocator or the loader taken for ever.
    bool holdsLocks = false;
    std::array<char, 64> name{};
};
struct Modules {
    std::array<Module, 128> list;
    std::size_t count = 0;
};
// One being read while the other is refilled.
std::array<Modules, 2> gModules;
std::atomic<const Modules*> gCurrentModules{nullptr};

struct ModuleScan {
    Modules& modules;
    std::string program;  // the main program has no name of its own in the list
};

int AddModule(dl_phdr_info* info, std::size_t, void* data) {
    auto& scan = *static_cast<ModuleScan*>(data);
    if (scan.modules.count == scan.modules.list.size()) {
        return 1;
    }
    Module module;
    uintptr_t lowest = UINTPTR_MAX;
    for (std::size_t i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) {
            continue;
        }
        lowest = std::min<uintptr_t>(lowest, segment.p_vaddr);
        if ((segment.p_flags & PF_X) != 0) {
            const uintptr_t start = info->dlpi_addr + segment.p_vaddr;
            module.codeStart = module.codeEnd == 0 ? start : std::min(module.codeStart, start);
            module.codeEnd = std::max<uintptr_t>(module.codeEnd, start + segment.p_memsz);
        }
    }
    if (module.codeEnd == 0) {
        return 0;
    }
    module.base = info->dlpi_addr + (lowest & ~(static_cast<uintptr_t>(getpagesize()) - 1));
    const std::string_view path = info->dlpi_name != nullptr ? info->dlpi_name : "";
    const std::string_view name =
        path.empty() ? std::string_view(scan.program) : path.substr(path.rfind('/') + 1);
    name.copy(module.name.data(), std::min(name.size(), module.name.size() - 1));
    for (const std::string_view runtime : {"libc.so", "libstdc++.so", "libgcc_s.so", "ld-linux"}) {
        module.holdsLocks = module.holdsLocks || name.starts_with(runtime);
    }
    scan.modules.list[scan.modules.count++] = module;
    return 0;
}

}  // namespace

void ReadModules() {
    Modules& next = gCurrentModules.load() == &gModules[0] ? gModules[1] : gModules[0];
    next.count = 0;
    std::error_code ignored;
    ModuleScan scan{next,
                    std::filesystem::read_symlink("/proc/self/exe", ignored).filename().string()};
    dl_iterate_phdr(AddModule, &scan);
    gCurrentModules = &next;
}

namespace {

const Module* FindModule(uintptr_t address) {
    const Modules* modules = gCurrentModules.load();
    for (std::size_t i = 0; modules != nullptr && i < modules->count; ++i) {
        const Module& module = modules->list[i];
        if (address >= module.codeStart && address < module.codeEnd) {
            return &module;
        }
    }
    return nullptr;
}

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

// What went wrong, without where: the handler and RunCatchingFaults name the
// place differently.
void DescribeWhat(const Fault& fault, Line& line) {
    switch (fault.signal) {
        case SIGFPE:
            switch (fault.code) {
                case FPE_FLTINV:
                    line << "invalid floating-point operation";
                    return;
                case FPE_INTDIV:
                    line << "integer division by zero";
                    return;
                case FPE_INTOVF:
                    line << "integer overflow";
                    return;
                default:
                    line << "floating-point fault (code ";
                    line.Decimal(fault.code) << ")";
                    return;
            }
        case SIGSEGV:
            line << "access violation touching ";
            line.Hex(fault.dataAddress);
            return;
        case SIGBUS:
            line << "bus error touching ";
            line.Hex(fault.dataAddress);
            return;
        case SIGILL:
            line << "illegal instruction";
            return;
        default:
            line << "signal ";
            line.Decimal(fault.signal);
            return;
    }
}

std::string Hex(uintptr_t value) {
    Line line;
    line.Hex(value);
    return std::string(line.View());
}

std::string DescribeFault(const Fault& fault) {
    Line what;
    DescribeWhat(fault, what);
    return std::string(what.View()) + " at " + DescribeAddress(fault.codeAddress);
}

// Async-signal-safe calls only from here on: the fault may have hit inside
// the allocator or the loader.
[[noreturn]] void ReportAndExit(const Fault& fault) {
    if (gReported.exchange(true)) {
        for (;;) {
            pause();  // another thread is writing the line and ending the process
        }
    }
    Line line;
    line << "morva: ";
    DescribeWhat(fault, line);
    line << " at ";
    line.Hex(fault.codeAddress);
    if (const Module* module = FindModule(fault.codeAddress)) {
        line << " (" << module->name.data() << "+";
        line.Hex(fault.codeAddress - module->base) << ")";
    }
    if (const char* activity = LoaderBusyWith()) {
        line << " while " << activity;
    }
    line << "\n";
    WriteAll(gReportFd, line.View());
    _exit(gExitCode);
}

extern "C" void OnFault(int signal, siginfo_t* info, void* context) {
    const Fault fault{signal, info->si_code, reinterpret_cast<uintptr_t>(info->si_addr),
                      InstructionAddress(info, context)};
    sigjmp_buf* jump = gFaultJump;
    // Only the thread that set the jump may take it, and only where it
    // leaves no lock behind.
    if (jump != nullptr && gettid() == gJumpThread && LoaderBusyWith() == nullptr) {
        const Module* module = FindModule(fault.codeAddress);
        if (module == nullptr || !module->holdsLocks) {
            gFault = fault;
            siglongjmp(*jump, 1);
        }
    }
    ReportAndExit(fault);
}

extern "C" void OnWatchdog(int) {
    if (!gReported.exchange(true)) {
        WriteAll(gReportFd, {gWatchLine.data(), gWatchLineSize});
    }
    _exit(gExitCode);
}

}  // namespace

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

FaultCatcher::FaultCatcher(std::FILE* report, int exitCode) {
    gReportFd = fileno(report);
    gExitCode = exitCode;
    gReported = false;
    ReadModules();
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
    StopWatching();
    for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
        sigaction(kFaultSignals[i], &gPrevious.actions[i], nullptr);
    }
    if (gPrevious.stackInstalled) {
        sigaltstack(&gPrevious.stack, nullptr);
    }
}

void FaultCatcher::WatchShutdown(const std::string& line) {
    alarm(0);  // the handler must not read a half-copied line
    gWatchLineSize = line.copy(gWatchLine.data(), gWatchLine.size());
    if (!gWatching) {
        struct sigaction action {};
        action.sa_handler = OnWatchdog;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &gPreviousAlarm);
        gWatching = true;
    }
    alarm(kWatchdogSeconds);
}

void FaultCatcher::StopWatching() {
    if (gWatching) {
        alarm(0);
        sigaction(SIGALRM, &gPreviousAlarm, nullptr);
        gWatching = false;
    }
}

// Nothing here may change between sigsetjmp and the jump.
std::string RunCatchingFaults(const std::function<void()>& step) {
    struct Restore {
        sigjmp_buf* outer;
        pid_t outerThread;
        ~Restore() {
            gFaultJump = outer;
            gJumpThread = outerThread;
        }
    } restore{gFaultJump, gJumpThread};
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1) != 0) {
        return DescribeFault(gFault);
    }
    gJumpThread = gettid();
    gFaultJump = &jump;
    step();
    return "";
}

}  // namespace morva::platform
