// Loading the game library with the system's loader, and the settings the
// program itself runs under.
#include <dlfcn.h>
#include <link.h>

#include <cfenv>
#include <csignal>
#include <filesystem>
#include <string_view>

#include "app/Modules.h"
#include "app/Platform.h"
#include "app/Startup.h"

namespace morva::platform {
namespace {

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

// A standard error into a pipe whose reader left, or a file past its size
// limit, fails the write instead of ending the program by a signal.
void ConnectStandardError() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

const void* ProgramInstance() {
    return reinterpret_cast<const void*>(&Start);
}

void ShowFailure(const std::string&) {}

std::string ExecutableDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

void* OpenLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    error = library == nullptr ? LoaderReason(path) : "";
    ReadModules();
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
    std::string error = dlclose(library) == 0 ? "" : LoaderReason("");
    ReadModules();
    return error;
}

}  // namespace morva::platform
