// The shortest decimal text that reads back as the same double.
#pragma once

#include <charconv>

namespace plumo {

// Writes at most 32 characters from `out`; returns the end.
inline char* DoubleText(char* out, double value) {
    return std::to_chars(out, out + 32, value).ptr;
}

}  // namespace plumo
