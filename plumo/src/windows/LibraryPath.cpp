#include "LibraryPath.h"

#include <windows.h>

#include <string>

#include "Failures.h"

namespace plumo {

std::string LibraryDirectory() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&LibraryDirectory), &self)) {
        Raise(kLibraryFailure, "cannot find the library's own file");
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0) {
            Raise(kLibraryFailure, "cannot find the library's own file");
        }
        if (size < path.size()) {
            path.resize(size);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    path = slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string folder(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), folder.data(),
                        bytes, nullptr, nullptr);
    return folder;
}

}  // namespace plumo
