#include "LineWriter.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>

#include "DoubleText.h"
#include "Failures.h"

namespace plumo {

LineWriter::~LineWriter() {
    Abandon();
}

void LineWriter::Abandon() {
    if (file != nullptr) {
        std::fwrite(buffer.data(), 1, buffer.size(), file);
        std::fclose(std::exchange(file, nullptr));
    }
}

bool LineWriter::Open(const std::string& path, std::string_view kind) {
    Abandon();
    name = kind.empty() ? path : std::string(kind) + " " + path;
    buffer.clear();
    failure.clear();
    lineStarted = false;
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    // The buffer here is the only one, so each write out is one system write
    // ending at a line end.
    std::setvbuf(file, nullptr, _IONBF, 0);
    buffer.reserve(kCapacity);
    return true;
}

void LineWriter::Create(const std::string& path, std::string_view kind) {
    if (!Open(path, kind)) {
        Raise(kLibraryFailure, "cannot write " + name + ": " + std::strerror(errno));
    }
}

void LineWriter::Separate() {
    if (lineStarted) {
        buffer += ' ';
    }
    lineStarted = true;
}

LineWriter& LineWriter::Word(std::string_view text) {
    if (file != nullptr) {
        Separate();
        buffer += text;
    }
    return *this;
}

LineWriter& LineWriter::Quoted(std::string_view text) {
    if (file != nullptr) {
        Separate();
        buffer += '"';
        buffer += text;
        buffer += '"';
    }
    return *this;
}

LineWriter& LineWriter::Int(int64_t value) {
    if (file != nullptr) {
        Separate();
        char digits[32];
        buffer.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    return *this;
}

LineWriter& LineWriter::Num(double value) {
    if (file != nullptr) {
        Separate();
        char digits[32];
        buffer.append(digits, DoubleText(digits, value));
    }
    return *this;
}

void LineWriter::EndLine() {
    if (file == nullptr) {
        return;
    }
    buffer += '\n';
    lineStarted = false;
    if (buffer.size() + kLineReserve > kCapacity) {
        WriteOut(buffer.size());
    }
}

bool LineWriter::WriteOut(size_t count) {
    if (count > 0 && std::fwrite(buffer.data(), 1, count, file) != count) {
        Fail(errno);
        return false;
    }
    buffer.erase(0, count);
    return true;
}

void LineWriter::Fail(int error) {
    failure = "cannot write " + name + ": " + std::strerror(error);
    if (file != nullptr) {
        std::fclose(std::exchange(file, nullptr));
    }
    buffer = {};
}

void LineWriter::Check() {
    if (!failure.empty()) {
        // Taken first: raising flushes every output, this one again.
        const std::string message = std::exchange(failure, {});
        Raise(kLibraryFailure, message);
    }
}

void LineWriter::Flush() {
    const size_t lastEnd = buffer.rfind('\n');
    const size_t complete = lastEnd == std::string::npos ? 0 : lastEnd + 1;
    if (file != nullptr && WriteOut(complete) && std::fflush(file) != 0) {
        Fail(errno);
    }
    Check();
}

void LineWriter::Close() {
    if (file != nullptr && WriteOut(buffer.size())) {
        const bool flushed = std::fflush(file) == 0;
        const int error = errno;
        const bool closed = std::fclose(std::exchange(file, nullptr)) == 0;
        if (!flushed || !closed) {
            Fail(flushed ? errno : error);
        }
        buffer = {};
    }
    Check();
}

}  // namespace plumo
