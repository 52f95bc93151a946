#include "InputFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace plumo {
namespace {

// Paths arrive as UTF-8; the C runtime's wide calls take every name.
std::wstring Widen(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Refusal(unsigned short mode) {
    const char* kind = (mode & _S_IFDIR) != 0   ? "a folder"
                       : (mode & _S_IFCHR) != 0 ? "a device"
                                                : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

}  // namespace

InputFile::~InputFile() {
    if (handle >= 0) {
        _close(handle);
    }
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle(other.handle), lastError(other.lastError), stamp(other.stamp) {
    other.handle = -1;
}

std::string InputFile::Open(const std::string& path) {
    const std::wstring wide = Widen(path);
    // Looked at before opening, since opening a device can already do something.
    struct _stat64 info {};
    if (_wstat64(wide.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        return Refusal(info.st_mode);
    }
    handle = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (handle < 0) {
        return std::strerror(errno);
    }
    std::string why;
    if (_fstat64(handle, &info) != 0) {
        why = std::strerror(errno);
    } else if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        why = Refusal(info.st_mode);
    }
    if (!why.empty()) {
        _close(handle);
        handle = -1;
        return why;
    }
    BY_HANDLE_FILE_INFORMATION file{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(handle)), &file)) {
        _close(handle);
        handle = -1;
        return "cannot read the file's information";
    }
    const auto join = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
    // The last write in 100-nanosecond steps, as the file system keeps it.
    stamp = {info.st_size,
             static_cast<int64_t>(
                 join(file.ftLastWriteTime.dwHighDateTime, file.ftLastWriteTime.dwLowDateTime)),
             0, join(file.nFileIndexHigh, file.nFileIndexLow), file.dwVolumeSerialNumber};
    return "";
}

ptrdiff_t InputFile::Read(void* buffer, size_t size) {
    // _read takes at most INT_MAX bytes at a time.
    const unsigned int chunk = size > 0x40000000 ? 0x40000000u : static_cast<unsigned int>(size);
    const int got = _read(handle, buffer, chunk);
    if (got < 0) {
        lastError = errno;
        return -1;
    }
    return got;
}

std::string InputFile::Error() const {
    return std::strerror(lastError);
}

}  // namespace plumo
