#include "Trace.h"

#include <charconv>
#include <cstring>

namespace plumo {

bool LineWriter::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        return false;
    }
    buffer_ = std::make_unique<char[]>(kCapacity);
    used_ = 0;
    lineStarted_ = false;
    return true;
}

void LineWriter::Separate() {
    if (used_ + kLineReserve > kCapacity) {
        Flush();
    }
    if (lineStarted_) {
        buffer_[used_++] = ' ';
    }
    lineStarted_ = true;
}

LineWriter& LineWriter::Word(std::string_view text) {
    if (file_ == nullptr) {
        return *this;
    }
    Separate();
    if (text.size() > kCapacity - used_) {
        Flush();
        std::fwrite(text.data(), 1, text.size(), file_);
        return *this;
    }
    std::memcpy(buffer_.get() + used_, text.data(), text.size());
    used_ += text.size();
    return *this;
}

LineWriter& LineWriter::Quoted(std::string_view text) {
    if (file_ == nullptr) {
        return *this;
    }
    Separate();
    buffer_[used_++] = '"';
    lineStarted_ = false;
    Word(text);
    buffer_[used_++] = '"';
    lineStarted_ = true;
    return *this;
}

template <typename Value>
LineWriter& LineWriter::Number(Value value) {
    if (file_ == nullptr) {
        return *this;
    }
    Separate();
    used_ =
        std::to_chars(buffer_.get() + used_, buffer_.get() + kCapacity, value).ptr - buffer_.get();
    return *this;
}

LineWriter& LineWriter::Int(int64_t value) {
    return Number(value);
}

LineWriter& LineWriter::Num(double value) {
    return Number(value);
}

void LineWriter::EndLine() {
    if (file_ == nullptr) {
        return;
    }
    buffer_[used_++] = '\n';
    lineStarted_ = false;
}

void LineWriter::Flush() {
    if (file_ == nullptr) {
        return;
    }
    if (used_ > 0) {
        std::fwrite(buffer_.get(), 1, used_, file_);
        used_ = 0;
    }
    std::fflush(file_);
}

void LineWriter::Close() {
    if (file_ == nullptr) {
        return;
    }
    Flush();
    std::fclose(file_);
    file_ = nullptr;
    buffer_.reset();
}

}  // namespace plumo
