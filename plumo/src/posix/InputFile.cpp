#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plumo {
namespace {

std::string Refusal(mode_t mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a FIFO"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

}  // namespace

InputFile::~InputFile() {
    if (handle >= 0) {
        close(handle);
    }
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle(other.handle), lastError(other.lastError), stamp(other.stamp) {
    other.handle = -1;
}

std::string InputFile::Open(const std::string& path) {
    // Looked at before opening, since opening a device can already do something.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Refusal(info.st_mode);
    }
    // Non-blocking, so a FIFO swapped in since the look cannot hang us.
    handle = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) {
        return std::strerror(errno);
    }
    std::string why;
    if (fstat(handle, &info) != 0) {
        why = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        why = Refusal(info.st_mode);
    }
    if (!why.empty()) {
        close(handle);
        handle = -1;
        return why;
    }
    stamp = {info.st_size, info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec,
             info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec,
             static_cast<uint64_t>(info.st_ino), static_cast<uint64_t>(info.st_dev)};
    return "";
}

ptrdiff_t InputFile::Read(void* buffer, size_t size) {
    for (;;) {
        const ssize_t got = read(handle, buffer, size);
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            lastError = errno;
            return -1;
        }
    }
}

std::string InputFile::Error() const {
    return std::strerror(lastError);
}

}  // namespace plumo
