#include "game/Body.h"

#include "engine/MathHelpers.h"

namespace morva {
namespace {
constexpr double kSquare = 2.0;  // exponent handed to the library's Pow
}  // namespace

void Body::Init() {
    pos = Vec2();
    vel = Vec2();
}

void Body::Set(double x, double y, double vx, double vy) {
    pos.Set(x, y);
    vel.Set(vx, vy);
    UpdateSpeed();
    UpdateAngle();
}

void Body::NormalizeVel() {
    vel = VecNormalized(vel);
}

void Body::SetPolar(double x, double y, double newAngle, double newSpeed) {
    pos.Set(x, y);
    vel.Set(newSpeed * Cos(newAngle), newSpeed * Sin(newAngle));
    angle = newAngle;
    speed = newSpeed;
}

void Body::UpdateAngle() {
    angle = InvRot(vel.GetX(), vel.GetY());
}

void Body::UpdateSpeed() {
    speed = Sqrt(Pow(vel.GetX(), kSquare) + Pow(vel.GetY(), kSquare));
}

void Body::UpdateVel() {
    vel.Set(speed * Cos(angle), speed * Sin(angle));
}

void Mover::Init() {
    Body::Init();
    move = Vec2();
}

void Mover::SetMove(double mx, double my) {
    move.Set(mx, my);
}

void Mover::AddMove(double dx, double dy) {
    move.Set(move.GetX() + dx, move.GetY() + dy);
}

void Mover::UpdateMoveAngle() {
    moveAngle = InvRot(move.GetX(), move.GetY());
}

double Mover::GetMoveLength() const {
    return Sqrt(GetMoveLengthSq());
}

double Mover::GetMoveLengthSq() const {
    return Pow(move.GetX(), kSquare) + Pow(move.GetY(), kSquare);
}

void Mover::Move() {
    pos.Set(pos.GetX() + move.GetX(), pos.GetY() + move.GetY());
}

}  // namespace morva
