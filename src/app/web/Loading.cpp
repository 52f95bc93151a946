// The program in a web page: the game library is linked in, and its names are
// bound through a table made from the same export list, so binding stays by
// name and refuses a missing one as on the desktop.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

#include <plumo/Abi.h>

#include "app/Modules.h"
#include "app/Platform.h"
#include "app/Startup.h"

#define PLUMO_EXPORT(name) extern "C" std::remove_pointer_t<plumo::name##Fn> name;
#define PLUMO_UNPROVIDED(name) extern "C" std::remove_pointer_t<plumo::UnprovidedFn> name;
#include <plumo/Exports.inc>
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED

namespace morva::platform {
namespace {

struct LinkedExport {
    const char* name;
    void* address;
};

const LinkedExport kLinkedExports[] = {
#define PLUMO_EXPORT(name) {#name, reinterpret_cast<void*>(&::name)},
#define PLUMO_UNPROVIDED(name) {#name, reinterpret_cast<void*>(&::name)},
#include <plumo/Exports.inc>
#undef PLUMO_EXPORT
#undef PLUMO_UNPROVIDED
};

// Stands for the linked-in library wherever a loaded one's handle would.
int gLinkedLibrary = 0;

// The folder of the program's script under node; the page's root in a browser.
// JavaScript inside, left as written.
// clang-format off
EM_JS(char*, morva_program_folder, (), {
    const folder = ENVIRONMENT_IS_NODE ? __dirname : '/';
    const size = lengthBytesUTF8(folder) + 1;
    const text = _malloc(size);
    stringToUTF8(folder, text, size);
    return text;
});
// clang-format on

// The page shows the line to the player (Module.showFailure, when it has one).
// JavaScript inside, left as written.
// clang-format off
EM_JS(void, morva_show_failure, (const char* line), {
    if (typeof Module.showFailure === 'function') {
        Module.showFailure(UTF8ToString(line));
    }
});
// clang-format on

}  // namespace

void SetProgramFloatingPoint() {
    // Nothing to switch: the build rounds the program's arithmetic toward zero.
}

void ConnectStandardError() {}

const void* ProgramInstance() {
    return reinterpret_cast<const void*>(&Start);
}

void ShowFailure(const std::string& line) {
    morva_show_failure(line.c_str());
}

std::string ExecutableDirectory() {
    const std::unique_ptr<char, decltype(&std::free)> folder(morva_program_folder(), &std::free);
    return folder.get();
}

void* OpenLibrary(const std::string&, std::string& error) {
    error.clear();
    return &gLinkedLibrary;
}

void* FindExport(void* library, const char* name) {
    if (library != &gLinkedLibrary) {
        return nullptr;
    }
    for (const LinkedExport& linked : kLinkedExports) {
        if (std::strcmp(linked.name, name) == 0) {
            return linked.address;
        }
    }
    return nullptr;
}

std::string CloseLibrary(void*) {
    return "";
}

void ReadModules() {}

}  // namespace morva::platform
