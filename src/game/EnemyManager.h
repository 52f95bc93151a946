// The rock enemies: six slots that come out of the generator hole, sink onto
// a line, walk and change lines as their AI decides, recoil when struck and
// break apart when their life is gone. The game scene passes the player in
// as plain numbers each frame; nothing here holds a reference to it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/Sprite.h"
#include "game/Body.h"
#include "game/Directions.h"
#include "game/EnemyAi.h"

namespace morva {

// The numbers are the rock's state codes; stand and walk follow the AI.
enum class RockState { Stand = 0, Walk = 1, Recoil = 5, Break = 6 };

inline constexpr int64_t kRockSlotCount = 6;
inline constexpr int64_t kRockMaxLife = 100;

// One slot of the table. A slot reused by Spawn keeps the facing and the
// push direction of its last rock.
struct Rock {
    Mover body;
    bool active = false;
    RockState state = RockState::Walk;
    Facing dir = Facing::Right;
    bool pushedRight = false;  // the way the last hit threw it
    LineMove lineMove = LineMove::Down;
    LineMove prevLineMove = LineMove::Down;
    int64_t timer = 0;        // frames; also the animation time
    int64_t targetLineY = 0;  // pixels
    int64_t lineIndex = 0;
    int64_t life = kRockMaxLife;
    int64_t aiTimer = 0;  // frames
    int64_t anime = 0;    // the animation id chosen when last drawn

    bool IsHurt() const { return state == RockState::Recoil || state == RockState::Break; }
};

class EnemyManager {
public:
    void Init();
    void SetLineCount(int64_t n);
    void SetLineY(int64_t index, int64_t y);
    void Load(double viewX, double viewY, double viewW, double viewH);

    // Takes the lowest free slot; a full table refuses silently.
    void Spawn(int64_t lineIndex, int64_t lineY);
    int64_t GetCount() const { return kRockSlotCount; }
    bool HitTest(int64_t slot, int64_t lineY, double x, double y, double radius) const;
    void Damage(int64_t slot, int64_t amount, bool pushRight);
    bool AnyActive() const;
    void Update(double playerX, int64_t playerLineY);
    void DrawHole(double viewX, double viewY);
    void DrawLine(double viewX, double viewY, int64_t lineY);

    const Rock& GetRock(int64_t slot) const;

private:
    Rock& Slot(int64_t slot);
    void ActAi(double playerX, int64_t playerLineY, int64_t slot);
    static void Stop(Rock& rock);
    static void Walk(Rock& rock);
    static void RecoilUpdate(Rock& rock);
    static void BreakUpdate(Rock& rock);
    void LineDown(Rock& rock) const;
    void LineUp(Rock& rock) const;
    static void MoveLineDown(Rock& rock);
    static void MoveLineUp(Rock& rock);
    static void ArriveOnLine(Rock& rock);

    EnemyAi ai;
    int64_t lineCount = 0;
    std::vector<int64_t> lineY;  // pixels, index 0 at the top
    std::array<Rock, kRockSlotCount> rocks;

    Sprite rockSprite;
    Sprite lifeSprite;
    Sprite gaugeSprite;
    Sprite holeSprite;
};

}  // namespace morva
