#include "actors/Body.h"

#include "core/MathHelpers.h"

namespace morva {
namespace {
constexpr double kSquare = 2.0;  // exponent handed to the library's Pow
}  // namespace

void Body::Init() {
    pos = NewVec2();
    vel = NewVec2();
}

void Body::Set(double x, double y, double vx, double vy) {
    pos->Set(x, y);
    vel->Set(vx, vy);
    UpdateSpeed();
    UpdateAngle();
}

void Body::NormalizeVel() {
    vel = VecNormalized(*vel);
}

void Body::SetPolar(double x, double y, double newAngle, double newSpeed) {
    pos->Set(x, y);
    vel->Set(newSpeed * Cos(newAngle), newSpeed * Sin(newAngle));
    angle = newAngle;
    speed = newSpeed;
}

void Body::UpdateAngle() {
    angle = InvRot(vel->GetX(), vel->GetY());
}

void Body::UpdateSpeed() {
    speed = Sqrt(lib::Pow(vel->GetX(), kSquare) + lib::Pow(vel->GetY(), kSquare));
}

void Body::UpdateVel() {
    vel->Set(speed * Cos(angle), speed * Sin(angle));
}

void Mover::Init() {
    pos = NewVec2();
    vel = NewVec2();
    move = NewVec2();
}

void Mover::SetMove(double mx, double my) {
    move->SetX(mx);
    move->SetY(my);
}

void Mover::AddMove(double dx, double dy) {
    move->SetX(move->GetX() + dx);
    move->SetY(move->GetY() + dy);
}

void Mover::UpdateMoveAngle() {
    moveAngle = InvRot(move->GetX(), move->GetY());
}

double Mover::GetMoveLength() const {
    return Sqrt(GetMoveLengthSq());
}

double Mover::GetMoveLengthSq() const {
    return lib::Pow(move->GetX(), kSquare) + lib::Pow(move->GetY(), kSquare);
}

void Mover::Move() {
    pos->SetX(pos->GetX() + move->GetX());
    pos->SetY(pos->GetY() + move->GetY());
}

}  // namespace morva
