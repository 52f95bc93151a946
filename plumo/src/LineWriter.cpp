#include "LineWriter.h"

#include <charconv>
#include <utility>

#include "DoubleText.h"
#include "Failures.h"
#include "InputFile.h"

namespace plumo {

LineWriter::~LineWriter() {
    Abandon();
}

void LineWriter::Abandon() {
    if (file.IsOpen()) {
        file.Write(buffer.data(), buffer.size());
        file.Close();
    }
}

void LineWriter::Create(const std::string& path, std::string_view kind) {
    Abandon();
    name = std::string(kind) + " " + Printable(path, kShownPathBytes);
    buffer.clear();
    failure.clear();
    lineStarted = false;
    // The buffer here is the only one, so each write out is one system write
    // ending at a line end.
    if (const std::string why = file.Create(path); !why.empty()) {
        Raise(kLibraryFailure, "cannot write " + name + ": " + why);
    }
    buffer.reserve(kCapacity);
}

void LineWriter::Separate() {
    if (lineStarted) {
        buffer += ' ';
    }
    lineStarted = true;
}

LineWriter& LineWriter::Word(std::string_view text) {
    if (file.IsOpen()) {
        Separate();
        buffer += text;
    }
    return *this;
}

LineWriter& LineWriter::Quoted(std::string_view text) {
    if (file.IsOpen()) {
        Separate();
        buffer += '"';
        buffer += text;
        buffer += '"';
    }
    return *this;
}

LineWriter& LineWriter::Int(int64_t value) {
    if (file.IsOpen()) {
        Separate();
        char digits[32];
        buffer.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    return *this;
}

LineWriter& LineWriter::Num(double value) {
    if (file.IsOpen()) {
        Separate();
        char digits[32];
        buffer.append(digits, DoubleText(digits, value));
    }
    return *this;
}

void LineWriter::EndLine() {
    if (!file.IsOpen()) {
        return;
    }
    buffer += '\n';
    lineStarted = false;
    if (buffer.size() + kLineReserve > kCapacity) {
        WriteOut(buffer.size());
    }
}

bool LineWriter::WriteOut(size_t count) {
    if (count > 0 && !file.Write(buffer.data(), count)) {
        Fail(file.Error());
        return false;
    }
    buffer.erase(0, count);
    return true;
}

void LineWriter::Fail(const std::string& why) {
    failure = "cannot write " + name + ": " + why;
    file.Close();
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
    if (file.IsOpen()) {
        WriteOut(complete);
    }
    Check();
}

void LineWriter::Close() {
    if (file.IsOpen() && WriteOut(buffer.size())) {
        if (!file.Close()) {
            Fail(file.Error());
        }
        buffer = {};
    }
    Check();
}

}  // namespace plumo
