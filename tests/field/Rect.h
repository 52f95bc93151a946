// Rectangles of recorded draws, printable so that a mismatch reads plainly.
#pragma once

#include <ostream>

#include "FakeLibrary.h"

namespace morva {

struct Rect {
    double x, y, w, h;
    bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

inline Rect Source(const fake::DrawCall& call) {
    return {call.srcX(), call.srcY(), call.srcW(), call.srcH()};
}

inline Rect Destination(const fake::DrawCall& call) {
    return {call.dstX(), call.dstY(), call.dstW(), call.dstH()};
}

}  // namespace morva
