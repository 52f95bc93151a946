// Loading the game library with the system's loader, and the settings the
// program itself runs under.
#include <io.h>
#include <windows.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/Modules.h"
#include "app/Platform.h"
#include "app/windows/Text.h"

namespace morva::platform {
namespace {

// x87 control word: exception masks (bit 0 invalid), precision, rounding.
constexpr unsigned short kX87Masks = 0x003F;
constexpr unsigned short kX87InvalidMask = 0x0001;
constexpr unsigned short kX87ExtendedPrecision = 0x0300;
constexpr unsigned short kX87TowardZero = 0x0C00;
constexpr unsigned short kX87Settings = 0x0F3F;
// MXCSR: exception flags, masks (bit 7 invalid), rounding.
constexpr unsigned kSseFlags = 0x003F;
constexpr unsigned kSseMasks = 0x1F80;
constexpr unsigned kSseInvalidMask = 0x0080;
constexpr unsigned kSseTowardZero = 0x6000;

}  // namespace

void ConnectStandardError() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != nullptr && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN) {
        return;  // redirected, or a console program's own
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* console = nullptr;
        if (freopen_s(&console, "CONOUT$", "w", stderr) == 0) {
            SetStdHandle(STD_ERROR_HANDLE,
                         reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr))));
        }
    }
}

const void* ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

void ShowFailure(const std::string& line) {
    // Tests and scripts run without a window: nothing may wait for a click there.
    const char* video = std::getenv("PLUMO_VIDEO");
    if (video != nullptr &&
        (std::string_view(video) == "none" || std::string_view(video) == "offscreen")) {
        return;
    }
    MessageBoxW(nullptr, Widen(line).c_str(), L"MORVA", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Both units, as on Linux: SSE does the doubles, x87 whatever asks for long double.
void SetProgramFloatingPoint() {
    unsigned short x87 = 0;
    __asm__ volatile("fnstcw %0" : "=m"(x87));
    x87 = static_cast<unsigned short>((x87 & ~kX87Settings) | kX87ExtendedPrecision |
                                      kX87TowardZero | (kX87Masks & ~kX87InvalidMask));
    // A stale flag must not fire the moment its trap is enabled.
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(x87));
    const unsigned sse = _mm_getcsr() & ~(kSseFlags | kSseMasks | kSseTowardZero);
    _mm_setcsr(sse | kSseTowardZero | (kSseMasks & ~kSseInvalidMask));
}

std::string ExecutableDirectory() {
    std::wstring path = ModuleFile(nullptr);
    path.resize(std::min(path.size(), path.find_last_of(L"\\/")));
    return Narrow(path);
}

void* OpenLibrary(const std::string& path, std::string& error) {
    std::wstring wide = Widen(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    // A missing dependency is a reason in the failure line, not a dialog.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE library = LoadLibraryW(wide.c_str());
    const DWORD reason = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    error = library == nullptr ? SystemReason(reason) : "";
    ReadModules();
    return reinterpret_cast<void*>(library);
}

void* FindExport(void* library, const char* name) {
    // GetProcAddress looks at this module's own export table only.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string CloseLibrary(void* library) {
    std::string error =
        FreeLibrary(static_cast<HMODULE>(library)) ? "" : SystemReason(GetLastError());
    ReadModules();
    return error;
}

}  // namespace morva::platform
