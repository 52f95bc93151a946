// The logical screen every picture is laid out on; the library scales it to
// the window.
#pragma once

namespace morva {

inline constexpr double kScreenWidth = 1600.0;  // pixels
inline constexpr double kScreenHeight = 900.0;  // pixels

// Every object loads its sprites for the whole screen.
struct ViewRect {
    double x, y, w, h;  // pixels
};
inline constexpr ViewRect kFullView = {0.0, 0.0, kScreenWidth, kScreenHeight};

}  // namespace morva
