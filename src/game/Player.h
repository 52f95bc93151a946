// The hero: stands on one of the scene's lines, walks, dashes with smoke,
// jumps, changes lines, is thrown back and blinks when touched, and swings a
// three-step sword combo. The scene writes the controls through the accessors
// and then calls Update(lineY) and UpdateTimers() once per frame.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Sprite.h"
#include "game/AttackTable.h"
#include "game/Body.h"
#include "game/Directions.h"
#include "game/SmokeEmitter.h"

namespace morva {

enum class Motion { Stand, Walk, Dash, Attack, Hurt };

class Player {
public:
    void Init();
    void LoadSprites(double viewX, double viewY, double viewW, double viewH);
    void InitAttackTable();
    void InitSmoke();
    void LoadSmokeSprite(double viewX, double viewY, double viewW, double viewH);

    void SetLine(int64_t n) { line = n; }
    void AddLine(int64_t n) { line += n; }
    int64_t GetLine() const { return line; }
    void SetMotion(Motion m) { motion = m; }
    Motion GetMotion() const { return motion; }
    void SetFacing(Facing f) { facing = f; }
    Facing GetFacing() const { return facing; }
    void SetLanded(bool b) { landed = b; }
    bool IsLanded() const { return landed; }
    void SetStateChanged(bool b) { stateChanged = b; }
    void SetLineMove(LineMove m) { lineMove = m; }

    double GetX() const { return body.GetX(); }
    double GetY() const { return body.GetY(); }
    double GetHurtRadius() const { return hurtRadius; }
    double GetMoveX() const { return body.GetMoveX(); }
    void SetMove(double mx, double my) { body.SetMove(mx, my); }
    double GetWalkSpeed() const { return walkSpeed; }
    double GetJumpSpeed() const { return jumpSpeed; }
    int64_t GetLineY() const { return lineY; }

    // The sword's hit circle and what a hit is worth, for the current step.
    bool IsHitActive() const { return hitActive; }
    double GetHitX() const;
    double GetHitY() const;
    double GetHitRadius() const;
    int64_t GetHitDamage() const;
    int64_t GetHitScore() const;
    double GetSwordX() const;
    double GetSwordY() const;
    // Goes on to the next step, only inside the hit window of steps 1 and 2.
    void ChainAttack();

    bool IsVulnerable() const { return vulnerable; }
    // Thrown up and back; ends any attack, sword window included.
    void Hurt();

    void Update(int64_t newLineY);
    void UpdateTimers();
    // Draws only when lineY is the player's own line.
    void Draw(double viewX, double viewY, int64_t drawLineY);

private:
    const AttackStep& CurrentStep() const;
    void SetMoveXForMotion();
    void UpdateInvulnerability();
    void UpdateLineAndFloor();
    void UpdateAttackTiming();
    int64_t ChooseBodyAnime() const;

    Mover body;
    double walkSpeed = 0.0;   // pixels per frame, also of a line change
    double dashSpeed = 0.0;   // pixels per frame
    double size = 0.0;        // pixels; the body is drawn 2 * size around its centre
    double hurtRadius = 0.0;  // pixels
    bool vulnerable = true;
    int64_t invulnTimer = 0;   // frames
    int64_t invulnTime = 0;    // frames
    double gravity = 0.0;      // pixels per frame per frame
    double jumpSpeed = 0.0;    // pixels per frame
    double recoilSpeed = 0.0;  // pixels per frame
    bool visible = true;
    int64_t blinkInterval = 0;  // frames
    Motion motion = Motion::Stand;
    Facing facing = Facing::Right;
    int64_t animTime = 0;  // frames since the last state change
    bool landed = false;
    bool stateChanged = false;
    LineMove lineMove = LineMove::None;
    int64_t lineY = 0;  // pixels
    int64_t line = 0;   // index into the scene's line table

    int64_t step = 0;
    int64_t attackTime = 0;  // frames into the current step
    std::vector<AttackStep> attackSteps;
    bool hitActive = false;

    Sprite bodySprite;
    Sprite swordSprite;
    int64_t bodyAnime = 0;
    int64_t swordAnime = 0;  // facing part of the sword animation id
    SmokeEmitter smoke;
    Sprite smokeSprite;
    int64_t smokeInterval = 0;  // frames between puffs while dashing
    Sprite bulletSprite;        // loaded with the others; nothing draws it
};

}  // namespace morva
