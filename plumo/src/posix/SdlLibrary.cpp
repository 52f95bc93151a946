#include <dlfcn.h>

#include <string>

#include "Failures.h"
#include "InputFile.h"
#include "Sdl.h"

namespace plumo::sdl {
namespace {

// The sonames the library is built against; SDL_image brings SDL with it.
constexpr const char* kSdl = "libSDL2-2.0.so.0";
constexpr const char* kImage = "libSDL2_image-2.0.so.0";
// How much of the loader's message a failure quotes.
constexpr size_t kShownBytes = 200;

void* Open(const char* soname) {
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        Raise(kLibraryFailure, std::string("cannot load ") + soname + ": " +
                                   Printable(why != nullptr ? why : "unknown reason", kShownBytes));
    }
    return handle;
}

}  // namespace

void* Find(const char* name) {
    const bool image = std::string_view(name).starts_with("IMG_");
    // Loaded once, by whichever thread gets there first; never unloaded, as
    // SDL's own threads may outlive the session.
    static void* const sdl = Open(kSdl);
    void* library = sdl;
    if (image) {
        static void* const images = Open(kImage);
        library = images;
    }
    void* found = dlsym(library, name);
    if (found == nullptr) {
        Raise(kLibraryFailure, std::string(image ? kImage : kSdl) + " has no " + name);
    }
    return found;
}

}  // namespace plumo::sdl
