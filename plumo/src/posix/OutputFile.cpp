#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FilePath.h"

namespace plumo {
namespace {

bool Writable(mode_t mode) {
    return S_ISREG(mode) || S_ISCHR(mode);
}

std::string Refusal(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "something else";
    return std::string("it is ") + kind + ", not a regular file or a device";
}

bool WriteAll(int handle, const char* data, size_t size, int& error) {
    while (size > 0) {
        const ssize_t wrote = write(handle, data, size);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        data += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return true;
}

// Where a chain of links ends, the last one's target even when it does not
// exist yet. Gives up after as many links as the system follows.
std::string LinkTarget(std::string path) {
    namespace fs = std::filesystem;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::error_code error;
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = target.is_absolute() ? target.string()
                                    : (fs::path(path).parent_path() / target).string();
    }
    return path;
}

std::atomic<unsigned> gTemporaries{0};

}  // namespace

OutputFile::~OutputFile() {
    if (handle >= 0) {
        close(handle);
    }
}

std::string OutputRefusal(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !Writable(info.st_mode)) {
        return Refusal(info.st_mode);
    }
    return "";
}

std::string OutputFile::Create(const std::string& path) {
    if (std::string why = OutputRefusal(path); !why.empty()) {
        return why;
    }
    // Non-blocking: a FIFO swapped in since the look fails at once instead of
    // waiting for a reader.
    const int opened =
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (opened < 0) {
        return std::strerror(errno);
    }
    struct stat info {};
    std::string why;
    if (fstat(opened, &info) != 0) {
        why = std::strerror(errno);
    } else if (!Writable(info.st_mode)) {
        why = Refusal(info.st_mode);
    } else if (const int flags = fcntl(opened, F_GETFL);
               flags < 0 || fcntl(opened, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        why = std::strerror(errno);
    }
    if (!why.empty()) {
        close(opened);
        return why;
    }
    handle = opened;
    lastError = 0;
    return "";
}

bool OutputFile::Write(const void* data, size_t size) {
    return WriteAll(handle, static_cast<const char*>(data), size, lastError);
}

bool OutputFile::Close() {
    if (handle < 0) {
        return true;
    }
    const int closing = handle;
    handle = -1;
    if (close(closing) != 0) {
        lastError = errno;
        return false;
    }
    return true;
}

std::string OutputFile::Error() const {
    return std::strerror(lastError);
}

std::string ReplaceWhole(const std::string& path, std::string_view text) {
    const std::string target = LinkTarget(path);
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        return Refusal(info.st_mode);
    }
    if (exists && (info.st_mode & 0222) == 0) {
        return "it is read-only";
    }
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, error);
        if (error) {
            return error.message();
        }
    }
    std::string temporary;
    int out = -1;
    for (int attempt = 0; out < 0 && attempt < 100; ++attempt) {
        temporary = target + "." + std::to_string(getpid()) + "-" +
                    std::to_string(gTemporaries.fetch_add(1)) + ".new";
        out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (out < 0 && errno != EEXIST) {
            return std::strerror(errno);
        }
    }
    if (out < 0) {
        return std::strerror(EEXIST);
    }
    int reason = 0;
    bool written = WriteAll(out, text.data(), text.size(), reason);
    if (written && exists && fchmod(out, info.st_mode & 07777) != 0) {
        written = false;
        reason = errno;
    }
    // On disk before it takes the old file's place, so a crash leaves one or the other.
    if (written && fsync(out) != 0) {
        written = false;
        reason = errno;
    }
    if (close(out) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (written && rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        reason = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        return std::strerror(reason);
    }
    return "";
}

}  // namespace plumo
