// Processor faults turned into the one failure line, and the watchdog on the
// shutdown after one.
// windows.h first: the others build on it.
#include <windows.h>

#include <io.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <string_view>

#include "app/FaultReport.h"
#include "app/Modules.h"
#include "app/Platform.h"
#include "app/windows/Text.h"

namespace morva::platform {
namespace {

// Long enough for Free and unloading, short enough that nobody waits on a
// hung shutdown.
constexpr DWORD kWatchdogMilliseconds = 3000;

// MXCSR's invalid-operation flag; x87's exception flags, summary and busy bits.
constexpr DWORD kSseInvalidFlag = 0x0001;
constexpr DWORD kSseFlags = 0x003F;
constexpr WORD kX87PendingBits = 0x80BF;

struct Fault {
    DWORD code = 0;
    uintptr_t dataAddress = 0;  // the address touched, for memory faults
    uintptr_t codeAddress = 0;  // the faulting instruction
    DWORD sseStatus = 0;        // MXCSR at the fault, which tells SSE faults apart
};

// The buffer of __builtin_setjmp: no unwinding on the way back, as with siglongjmp.
using JumpBuffer = void* [5];

std::atomic<JumpBuffer*> gFaultJump{nullptr};
std::atomic<DWORD> gJumpThread{0};
Fault gFault;

HANDLE gReportHandle = INVALID_HANDLE_VALUE;
int gExitCode = 1;
std::atomic<bool> gReported{false};  // the one line is out, or being written

std::array<char, 1024> gWatchLine{};
std::size_t gWatchLineSize = 0;
HANDLE gWatchStop = nullptr;
HANDLE gWatchThread = nullptr;

PVOID gVectoredHandler = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;

void WriteAll(HANDLE handle, std::string_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written == 0) {
            return;
        }
        text.remove_prefix(written);
    }
}

// The loaded modules, read ahead: the handler must not ask the loader, whose
// lock the faulting code may hold.
struct Module {
    uintptr_t start = 0, end = 0;
    // Shipped with the game (its folder or below). Only their faults are the
    // game's: the system's own libraries handle some of theirs themselves.
    bool game = false;
    std::array<char, 64> name{};
};
struct Modules {
    std::array<Module, 256> list;
    std::size_t count = 0;
};
std::array<Modules, 2> gModules;
std::atomic<const Modules*> gCurrentModules{nullptr};

const Module* FindModule(uintptr_t address) {
    const Modules* modules = gCurrentModules.load();
    for (std::size_t i = 0; modules != nullptr && i < modules->count; ++i) {
        const Module& module = modules->list[i];
        if (address >= module.start && address < module.end) {
            return &module;
        }
    }
    return nullptr;
}

bool IsFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
        case STATUS_FLOAT_MULTIPLE_FAULTS:
        case STATUS_FLOAT_MULTIPLE_TRAPS:
            return true;
        default:
            return false;
    }
}

Fault FaultOf(const EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    Fault fault{record.ExceptionCode, 0, reinterpret_cast<uintptr_t>(record.ExceptionAddress),
                info->ContextRecord->MxCsr};
    if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
         record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
        record.NumberParameters >= 2) {
        fault.dataAddress = static_cast<uintptr_t>(record.ExceptionInformation[1]);
    }
    return fault;
}

// What went wrong, in the words the Linux build uses for the same fault.
void DescribeWhat(const Fault& fault, Line& line) {
    switch (fault.code) {
        case EXCEPTION_ACCESS_VIOLATION:
            line << "access violation touching ";
            line.Hex(fault.dataAddress);
            return;
        case EXCEPTION_IN_PAGE_ERROR:
            line << "bus error touching ";
            line.Hex(fault.dataAddress);
            return;
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            line << "illegal instruction";
            return;
        case EXCEPTION_STACK_OVERFLOW:
            line << "stack overflow";
            return;
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
            line << "integer division by zero";
            return;
        case EXCEPTION_INT_OVERFLOW:
            line << "integer overflow";
            return;
        case EXCEPTION_FLT_INVALID_OPERATION:
            line << "invalid floating-point operation";
            return;
        case STATUS_FLOAT_MULTIPLE_FAULTS:
        case STATUS_FLOAT_MULTIPLE_TRAPS:
            // SSE faults all come as one code; the flag says which.
            if ((fault.sseStatus & kSseInvalidFlag) != 0) {
                line << "invalid floating-point operation";
                return;
            }
            [[fallthrough]];
        default:
            line << "floating-point fault (code ";
            line.Hex(fault.code) << ")";
            return;
    }
}

std::string Hex(uintptr_t value) {
    Line line;
    line.Hex(value);
    return std::string(line.View());
}

[[noreturn]] void ReportAndExit(const Fault& fault) {
    if (!gReported.exchange(true)) {
        Line line;
        line << "morva: ";
        DescribeWhat(fault, line);
        line << " at ";
        line.Hex(fault.codeAddress);
        const Module* module = FindModule(fault.codeAddress);
        if (module != nullptr) {
            line << " (" << module->name.data() << "+";
            line.Hex(fault.codeAddress - module->start) << ")";
        }
        if (const char* activity = LoaderBusyWith()) {
            line << " while " << activity;
        }
        WriteAll(gReportHandle, line.View());
        WriteAll(gReportHandle, "\n");
    }
    // No shutdown, no clean-up of the libraries: they may be mid-call.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gExitCode));
    for (;;) {
        Sleep(INFINITE);
    }
}

// Where a fault is sent back to, on the stack RunCatchingFaults left.
[[noreturn]] void JumpBack() {
    __builtin_longjmp(*gFaultJump.load(), 1);
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
    if (!IsFault(info->ExceptionRecord->ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;  // C++ exceptions, debugger messages
    }
    const Fault fault = FaultOf(info);
    const Module* module = FindModule(fault.codeAddress);
    if (module == nullptr || !module->game) {
        // The system's own: it may handle the fault itself; if not, the
        // unhandled-fault filter reports it.
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // Only the thread that set the jump may take it, and never from inside the loader.
    if (gFaultJump.load() == nullptr || GetCurrentThreadId() != gJumpThread ||
        LoaderBusyWith() != nullptr) {
        ReportAndExit(fault);
    }
    gFault = fault;
    // Leave the handler the ordinary way and resume in JumpBack, with no
    // exception flag left pending to fire again there.
    CONTEXT& context = *info->ContextRecord;
    context.MxCsr &= ~kSseFlags;
    context.FltSave.MxCsr = context.MxCsr;
    context.FltSave.StatusWord &= static_cast<WORD>(~kX87PendingBits);
    context.Rsp = (context.Rsp & ~DWORD64{15}) - 8;  // as if JumpBack had been called
    context.Rip = reinterpret_cast<DWORD64>(&JumpBack);
    return EXCEPTION_CONTINUE_EXECUTION;
}

LONG CALLBACK OnUnhandledFault(EXCEPTION_POINTERS* info) {
    if (!IsFault(info->ExceptionRecord->ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    ReportAndExit(FaultOf(info));
}

DWORD WINAPI Watchdog(void*) {
    if (WaitForSingleObject(gWatchStop, kWatchdogMilliseconds) == WAIT_TIMEOUT) {
        if (!gReported.exchange(true)) {
            WriteAll(gReportHandle, {gWatchLine.data(), gWatchLineSize});
        }
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gExitCode));
    }
    return 0;
}

}  // namespace

void ReadModules() {
    Modules& next = gCurrentModules.load() == &gModules[0] ? gModules[1] : gModules[0];
    next.count = 0;
    std::wstring gameFolder = ModuleFile(nullptr);
    gameFolder.resize(gameFolder.find_last_of(L"\\/") + 1);
    std::array<HMODULE, 256> handles{};
    DWORD bytes = 0;
    if (!EnumProcessModules(GetCurrentProcess(), handles.data(), sizeof handles, &bytes)) {
        return;
    }
    const std::size_t count = std::min<std::size_t>(bytes / sizeof(HMODULE), handles.size());
    for (std::size_t i = 0; i < count; ++i) {
        MODULEINFO info{};
        if (!GetModuleInformation(GetCurrentProcess(), handles[i], &info, sizeof info)) {
            continue;
        }
        Module& module = next.list[next.count++];
        module.start = reinterpret_cast<uintptr_t>(info.lpBaseOfDll);
        module.end = module.start + info.SizeOfImage;
        const std::wstring path = ModuleFile(handles[i]);
        module.game = !gameFolder.empty() && path.size() > gameFolder.size() &&
                      CompareStringOrdinal(path.c_str(), static_cast<int>(gameFolder.size()),
                                           gameFolder.c_str(), static_cast<int>(gameFolder.size()),
                                           TRUE) == CSTR_EQUAL;
        const std::string name = Narrow(path.substr(path.find_last_of(L"\\/") + 1));
        module.name = {};
        name.copy(module.name.data(), module.name.size() - 1);
    }
    gCurrentModules = &next;
}

std::string DescribeAddress(uintptr_t address) {
    std::string text = Hex(address);
    HMODULE module = nullptr;
    if (address != 0 && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           reinterpret_cast<LPCWSTR>(address), &module)) {
        const std::wstring path = ModuleFile(module);
        text += " (" + Narrow(path.substr(path.find_last_of(L"\\/") + 1)) + "+" +
                Hex(address - reinterpret_cast<uintptr_t>(module)) + ")";
    }
    return text;
}

FaultCatcher::FaultCatcher(std::FILE* report, int exitCode) {
    gReportHandle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(report)));
    gExitCode = exitCode;
    gReported = false;
    ReadModules();
    gVectoredHandler = AddVectoredExceptionHandler(1, OnFault);
    gPreviousFilter = SetUnhandledExceptionFilter(OnUnhandledFault);
}

FaultCatcher::~FaultCatcher() {
    StopWatching();
    SetUnhandledExceptionFilter(gPreviousFilter);
    if (gVectoredHandler != nullptr) {
        RemoveVectoredExceptionHandler(gVectoredHandler);
        gVectoredHandler = nullptr;
    }
}

void FaultCatcher::WatchShutdown(const std::string& line) {
    StopWatching();  // the watchdog must not read a half-copied line
    gWatchLineSize = line.copy(gWatchLine.data(), gWatchLine.size());
    gWatchStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gWatchThread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
}

void FaultCatcher::StopWatching() {
    if (gWatchThread != nullptr) {
        SetEvent(gWatchStop);
        WaitForSingleObject(gWatchThread, INFINITE);
        CloseHandle(gWatchThread);
        gWatchThread = nullptr;
    }
    if (gWatchStop != nullptr) {
        CloseHandle(gWatchStop);
        gWatchStop = nullptr;
    }
}

// Nothing here may change between the setjmp and the jump.
std::string RunCatchingFaults(const std::function<void()>& step) {
    struct Restore {
        JumpBuffer* outer;
        DWORD outerThread;
        ~Restore() {
            gFaultJump = outer;
            gJumpThread = outerThread;
        }
    } restore{gFaultJump, gJumpThread};
    JumpBuffer jump;
    if (__builtin_setjmp(jump) != 0) {
        Line what;
        DescribeWhat(gFault, what);
        return std::string(what.View()) + " at " + DescribeAddress(gFault.codeAddress);
    }
    gJumpThread = GetCurrentThreadId();
    gFaultJump = &jump;
    step();
    return "";
}

}  // namespace morva::platform
