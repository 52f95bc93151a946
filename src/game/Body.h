// Moving bodies: a position with a velocity kept also in polar form (Body),
// and a position moved each frame by a move vector (Mover). Owners decide the
// move vector every frame; nothing here knows about lines, hits or input.
#pragma once

#include "engine/Vec2.h"

namespace morva {

class Body {
public:
    virtual ~Body() = default;

    virtual void Init();
    void Set(double x, double y, double vx, double vy);
    void NormalizeVel();
    void SetPolar(double x, double y, double newAngle, double newSpeed);
    void UpdateAngle();
    void UpdateSpeed();
    void UpdateVel();
    void SetPos(double x, double y) { pos.Set(x, y); }
    void SetVel(double vx, double vy) { vel.Set(vx, vy); }
    void SetAngle(double a) { angle = a; }
    void AddAngle(double da) { angle += da; }
    void SetSpeed(double s) { speed = s; }
    const Vec2& GetPos() const { return pos; }
    const Vec2& GetVel() const { return vel; }
    double GetX() const { return pos.GetX(); }
    double GetY() const { return pos.GetY(); }
    double GetVX() const { return vel.GetX(); }
    double GetVY() const { return vel.GetY(); }
    double GetAngle() const { return angle; }
    double GetSpeed() const { return speed; }

protected:
    Vec2 pos;
    Vec2 vel;
    double angle = 0.0;  // radians
    double speed = 0.0;  // pixels per frame
};

class Mover : public Body {
public:
    void Init() override;
    void SetMove(double mx, double my);
    void AddMove(double dx, double dy);
    void UpdateMoveAngle();
    double GetMoveLength() const;
    double GetMoveLengthSq() const;
    double GetMoveX() const { return move.GetX(); }
    double GetMoveY() const { return move.GetY(); }
    double GetMoveAngle() const { return moveAngle; }
    void Move();

private:
    Vec2 move;               // pixels per frame
    double moveAngle = 0.0;  // radians
};

}  // namespace morva
