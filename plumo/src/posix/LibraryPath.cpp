#include "LibraryPath.h"

#include <dlfcn.h>

#include "Failures.h"

namespace plumo {

std::string LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 ||
        info.dli_fname == nullptr) {
        Raise(kLibraryFailure, "cannot find the library's own file");
    }
    std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace plumo
