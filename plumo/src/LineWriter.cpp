#include "LineWriter.h"

#include <charconv>
#include <cstring>

namespace plumo {

bool LineWriter::Open(const std::string& path) {
    Close();
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    buffer = std::make_unique<char[]>(kCapacity);
    used = 0;
    lineStarted = false;
    return true;
}

void LineWriter::Separate() {
    if (used + kLineReserve > kCapacity) {
        Flush();
    }
    if (lineStarted) {
        buffer[used++] = ' ';
    }
    lineStarted = true;
}

LineWriter& LineWriter::Word(std::string_view text) {
    if (file == nullptr) {
        return *this;
    }
    Separate();
    if (text.size() > kCapacity - used) {
        Flush();
        std::fwrite(text.data(), 1, text.size(), file);
        return *this;
    }
    std::memcpy(buffer.get() + used, text.data(), text.size());
    used += text.size();
    return *this;
}

LineWriter& LineWriter::Quoted(std::string_view text) {
    if (file == nullptr) {
        return *this;
    }
    Separate();
    buffer[used++] = '"';
    lineStarted = false;
    Word(text);
    buffer[used++] = '"';
    lineStarted = true;
    return *this;
}

template <typename Value>
LineWriter& LineWriter::Number(Value value) {
    if (file == nullptr) {
        return *this;
    }
    Separate();
    used = std::to_chars(buffer.get() + used, buffer.get() + kCapacity, value).ptr - buffer.get();
    return *this;
}

LineWriter& LineWriter::Int(int64_t value) {
    return Number(value);
}

LineWriter& LineWriter::Num(double value) {
    return Number(value);
}

void LineWriter::EndLine() {
    if (file == nullptr) {
        return;
    }
    buffer[used++] = '\n';
    lineStarted = false;
}

void LineWriter::Flush() {
    if (file == nullptr) {
        return;
    }
    if (used > 0) {
        std::fwrite(buffer.get(), 1, used, file);
        used = 0;
    }
    std::fflush(file);
}

void LineWriter::Close() {
    if (file == nullptr) {
        return;
    }
    Flush();
    std::fclose(file);
    file = nullptr;
    buffer.reset();
}

}  // namespace plumo
