// The game's one vector type, a plain value.
#pragma once

#include <ostream>

namespace morva {

class Vec2 {
public:
    Vec2() = default;
    Vec2(double x, double y) : x(x), y(y) {}

    void Set(double newX, double newY) {
        x = newX;
        y = newY;
    }
    void Add(double dx, double dy) {
        x += dx;
        y += dy;
    }
    void SetX(double newX) { x = newX; }
    void SetY(double newY) { y = newY; }
    void AddX(double dx) { x += dx; }
    void AddY(double dy) { y += dy; }
    void Scale(double k) {
        x *= k;
        y *= k;
    }
    void Normalize();
    double GetX() const { return x; }
    double GetY() const { return y; }
    double Length() const;
    double LengthSq() const { return x * x + y * y; }

private:
    double x = 0.0;
    double y = 0.0;
};

Vec2 VecSub(const Vec2& a, const Vec2& b);
double VecCross(const Vec2& a, const Vec2& b);
double VecLength(const Vec2& v);
Vec2 VecNormalized(const Vec2& v);

std::ostream& operator<<(std::ostream& out, const Vec2& v);

}  // namespace morva
