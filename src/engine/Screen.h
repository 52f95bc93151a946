// The logical screen every picture is laid out on; the library scales it to
// the window.
#pragma once

#include <plumo/Abi.h>

namespace morva {

inline constexpr double kScreenWidth = static_cast<double>(plumo::kScreenWidth);    // pixels
inline constexpr double kScreenHeight = static_cast<double>(plumo::kScreenHeight);  // pixels

// Every object loads its sprites for the whole screen.
struct ViewRect {
    double x, y, w, h;  // pixels
};
inline constexpr ViewRect kFullView = {0.0, 0.0, kScreenWidth, kScreenHeight};

}  // namespace morva
