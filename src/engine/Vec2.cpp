#include "engine/Vec2.h"

#include "engine/MathHelpers.h"

namespace morva {
namespace {

// Zero stays zero: the factor is the length itself when there is none.
double NormalizeFactor(double length) {
    return length > 0.0 ? 1.0 / length : length;
}

}  // namespace

void Vec2::Normalize() {
    const double f = NormalizeFactor(Length());
    x = x * f;
    y = y * f;
}

double Vec2::Length() const {
    return Sqrt(x * x + y * y);
}

Vec2 VecSub(const Vec2& a, const Vec2& b) {
    return {a.GetX() - b.GetX(), a.GetY() - b.GetY()};
}

double VecCross(const Vec2& a, const Vec2& b) {
    return a.GetX() * b.GetY() - a.GetY() * b.GetX();
}

double VecLength(const Vec2& v) {
    return Sqrt(Pow(v.GetX(), 2.0) + Pow(v.GetY(), 2.0));
}

Vec2 VecNormalized(const Vec2& v) {
    const double f = NormalizeFactor(v.Length());
    return {v.GetX() * f, v.GetY() * f};
}

std::ostream& operator<<(std::ostream& out, const Vec2& v) {
    return out << "(" << v.GetX() << ", " << v.GetY() << ")";
}

}  // namespace morva
