// The shortest decimal text that reads back as the same double, in the form
// the desktop's std::to_chars gives (this C++ library lacks it): fixed
// notation unless the exponent form is shorter.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plumo {

// Writes at most 32 characters from `out`; returns the end.
inline char* DoubleText(char* out, double value) {
    char* at = out;
    if (std::signbit(value)) {
        *at++ = '-';
        value = -value;
    }
    if (std::isnan(value) || std::isinf(value)) {
        std::memcpy(at, std::isnan(value) ? "nan" : "inf", 3);
        return at + 3;
    }
    if (value == 0) {
        *at++ = '0';
        return at;
    }
    // The fewest significant digits, correctly rounded, that read back alike.
    char scientific[40];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(scientific, sizeof scientific, "%.*e", precision, value);
        if (std::strtod(scientific, nullptr) == value) {
            break;
        }
    }
    char digits[20];
    int count = 0;
    const char* mark = scientific;
    for (; *mark != 'e'; ++mark) {
        if (*mark != '.') {
            digits[count++] = *mark;
        }
    }
    const int exponent = std::atoi(mark + 1);
    char fixed[40];
    int fixedLength = 0;
    if (exponent >= count - 1) {
        std::memcpy(fixed, digits, static_cast<size_t>(count));
        fixedLength = count;
        for (int zero = 0; zero < exponent - (count - 1); ++zero) {
            fixed[fixedLength++] = '0';
        }
    } else if (exponent >= 0) {
        std::memcpy(fixed, digits, static_cast<size_t>(exponent + 1));
        fixed[exponent + 1] = '.';
        std::memcpy(fixed + exponent + 2, digits + exponent + 1,
                    static_cast<size_t>(count - exponent - 1));
        fixedLength = count + 1;
    } else {
        fixed[0] = '0';
        fixed[1] = '.';
        fixedLength = 2;
        for (int zero = 0; zero < -exponent - 1; ++zero) {
            fixed[fixedLength++] = '0';
        }
        std::memcpy(fixed + fixedLength, digits, static_cast<size_t>(count));
        fixedLength += count;
    }
    char exponentText[8];
    const int exponentLength = std::snprintf(exponentText, sizeof exponentText, "e%c%02d",
                                             exponent < 0 ? '-' : '+', std::abs(exponent));
    const int scientificLength = count + (count > 1 ? 1 : 0) + exponentLength;
    if (fixedLength <= scientificLength) {
        std::memcpy(at, fixed, static_cast<size_t>(fixedLength));
        return at + fixedLength;
    }
    *at++ = digits[0];
    if (count > 1) {
        *at++ = '.';
        std::memcpy(at, digits + 1, static_cast<size_t>(count - 1));
        at += count - 1;
    }
    std::memcpy(at, exponentText, static_cast<size_t>(exponentLength));
    return at + exponentLength;
}

}  // namespace plumo
