#include "core/Vec2.h"

#include "core/MathHelpers.h"
#include "frame/library/Library.h"

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

Vec2Ref NewVec2(double x, double y) {
    auto v = std::make_shared<Vec2>();
    v->Set(x, y);
    return v;
}

Vec2Ref VecSub(const Vec2& a, const Vec2& b) {
    return NewVec2(a.GetX() - b.GetX(), a.GetY() - b.GetY());
}

double VecCross(const Vec2& a, const Vec2& b) {
    return a.GetX() * b.GetY() - a.GetY() * b.GetX();
}

double VecLength(const Vec2& v) {
    return Sqrt(lib::Pow(v.GetX(), 2.0) + lib::Pow(v.GetY(), 2.0));
}

Vec2Ref VecNormalized(const Vec2& v) {
    const double f = NormalizeFactor(v.Length());
    return NewVec2(v.GetX() * f, v.GetY() * f);
}

std::ostream& operator<<(std::ostream& out, const Vec2& v) {
    return out << "(" << v.GetX() << ", " << v.GetY() << ")";
}

}  // namespace morva
