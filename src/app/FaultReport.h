// What the fault handlers of every system share: a line built without the
// allocator or stdio, and what the loader is busy with. Both are safe to use
// inside a signal or exception handler.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace morva::platform {

class Line {
public:
    Line& operator<<(std::string_view text) {
        const std::size_t count = std::min(text.size(), text_.size() - size_);
        std::copy_n(text.data(), count, text_.data() + size_);
        size_ += count;
        return *this;
    }
    Line& Digits(uintptr_t value, unsigned base) {
        std::array<char, 64> digits{};
        std::size_t at = digits.size();
        do {
            digits[--at] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0);
        return *this << std::string_view(digits.data() + at, digits.size() - at);
    }
    Line& Hex(uintptr_t value) { return (*this << "0x").Digits(value, 16); }
    Line& Decimal(int value) {
        return (*this << (value < 0 ? "-" : ""))
            .Digits(value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value),
                    10);
    }
    std::string_view View() const { return {text_.data(), size_}; }

private:
    std::array<char, 1024> text_;
    std::size_t size_ = 0;
};

// Null unless a LoaderActivity lives; then what it said.
const char* LoaderBusyWith();

}  // namespace morva::platform
