// Forwarders to the game library's mathematics and rotated drawing; game code
// reaches these library functions only through them.
#pragma once

#include "engine/Library.h"

namespace morva {

inline double Pow(double x, double y) {
    return lib::Pow(x, y);
}
inline double Sqrt(double x) {
    return lib::Sqrt(x);
}
inline double Hypot(double a, double b) {
    return lib::Hypot(a, b);
}
inline double Cos(double angle) {
    return lib::Cos(angle);
}
inline double Sin(double angle) {
    return lib::Sin(angle);
}
inline double InvRot(double x, double y) {
    return lib::InvRot(x, y);
}

inline void DrawTexRot(const lib::Texture& texture, double srcX, double srcY, double srcW,
                       double srcH, double dstX, double dstY, double dstW, double dstH,
                       double centreX, double centreY, double angle, double red, double green,
                       double blue, double alpha) {
    lib::DrawTexRot(texture, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, centreX, centreY,
                    angle, red, green, blue, alpha);
}

}  // namespace morva
