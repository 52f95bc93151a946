#include "OutputFile.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FilePath.h"

namespace plumo {
namespace {

// A named pipe or a console counts as the kind of file it is.
std::string RefusalOf(HANDLE file) {
    switch (GetFileType(file)) {
        case FILE_TYPE_DISK:
        case FILE_TYPE_CHAR:
            return "";
        case FILE_TYPE_PIPE:
            return "it is a pipe, not a regular file or a device";
        default:
            return "it is something else, not a regular file or a device";
    }
}

bool WriteAll(int handle, const char* data, size_t size, int& error) {
    while (size > 0) {
        const unsigned chunk = size > 0x40000000 ? 0x40000000u : static_cast<unsigned>(size);
        const int wrote = _write(handle, data, chunk);
        if (wrote < 0) {
            error = errno;
            return false;
        }
        data += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return true;
}

// The C runtime's words for the reasons a replacement fails most often.
std::string Reason(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return std::strerror(EACCES);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return std::strerror(ENOENT);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::strerror(ENOSPC);
        default:
            return "system error " + std::to_string(error);
    }
}

std::atomic<unsigned> gTemporaries{0};

}  // namespace

OutputFile::~OutputFile() {
    if (handle >= 0) {
        _close(handle);
    }
}

std::string OutputRefusal(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(PathOf(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "it is a folder, not a regular file or a device";
    }
    return "";
}

std::string OutputFile::Create(const std::string& path) {
    if (std::string why = OutputRefusal(path); !why.empty()) {
        return why;
    }
    const int opened =
        _wopen(PathOf(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
    if (opened < 0) {
        return std::strerror(errno);
    }
    if (std::string why = RefusalOf(reinterpret_cast<HANDLE>(_get_osfhandle(opened)));
        !why.empty()) {
        _close(opened);
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
    if (_close(closing) != 0) {
        lastError = errno;
        return false;
    }
    return true;
}

std::string OutputFile::Error() const {
    return std::strerror(lastError);
}

std::string ReplaceWhole(const std::string& path, std::string_view text) {
    const std::filesystem::path target = PathOf(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return "it is a folder, not a regular file or a device";
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return "it is read-only";
        }
    }
    std::error_code error;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), error);
        if (error) {
            return error.message();
        }
    }
    std::filesystem::path temporary;
    int out = -1;
    for (int attempt = 0; out < 0 && attempt < 100; ++attempt) {
        temporary = PathOf(path + "." + std::to_string(_getpid()) + "-" +
                           std::to_string(gTemporaries.fetch_add(1)) + ".new");
        out = _wopen(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _S_IREAD | _S_IWRITE);
        if (out < 0 && errno != EEXIST) {
            return std::strerror(errno);
        }
    }
    if (out < 0) {
        return std::strerror(EEXIST);
    }
    int reason = 0;
    bool written = WriteAll(out, text.data(), text.size(), reason);
    if (written && _commit(out) != 0) {
        written = false;
        reason = errno;
    }
    if (_close(out) != 0 && written) {
        written = false;
        reason = errno;
    }
    std::string why = written ? "" : std::strerror(reason);
    if (written && !MoveFileExW(temporary.c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        why = Reason(GetLastError());
    }
    if (!why.empty()) {
        _wremove(temporary.c_str());
    }
    return why;
}

}  // namespace plumo
