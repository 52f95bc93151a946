// The rock enemies: six slots that come out of the generator hole, sink onto
// a line, walk and change lines as their AI decides, recoil when struck and
// break apart when their life is gone. The game scene passes the player in
// as plain numbers each frame; nothing here holds a reference to it.
#pragma once

#include <cstdint>
#include <vector>

#include "actors/Body.h"
#include "actors/EnemyAi.h"
#include "core/Sprite.h"

namespace morva {

// Rock states; stand and walk are the AI's walk flag.
inline constexpr int64_t kRockStand = kEnemyStand;
inline constexpr int64_t kRockWalk = kEnemyWalk;
inline constexpr int64_t kRockRecoil = 5;
inline constexpr int64_t kRockBreak = 6;

inline constexpr int64_t kRockSlotCount = 6;
inline constexpr int64_t kRockMaxLife = 100;

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

    bool IsActive(int64_t slot) const;
    double GetX(int64_t slot) const;
    double GetY(int64_t slot) const;
    int64_t GetState(int64_t slot) const;
    int64_t GetLife(int64_t slot) const;
    int64_t GetTargetLineY(int64_t slot) const;
    int64_t GetLineMove(int64_t slot) const;
    int64_t GetDir(int64_t slot) const;
    int64_t GetTimer(int64_t slot) const;
    // The animation id chosen when the slot was last drawn.
    int64_t GetAnime(int64_t slot) const;

private:
    void ActAi(double playerX, int64_t playerLineY, int64_t slot);
    void Stop(int64_t slot);
    void Walk(int64_t slot);
    void RecoilUpdate(int64_t slot);
    void BreakUpdate(int64_t slot);
    void LineDown(int64_t slot);
    void LineUp(int64_t slot);
    void MoveLineDown(int64_t slot);
    void MoveLineUp(int64_t slot);
    void ArriveOnLine(int64_t slot);

    EnemyAi ai;
    int64_t lineCount = 0;
    std::vector<int64_t> lineY;  // pixels, index 0 at the top

    // The slot table, one entry per slot in each column.
    std::vector<Mover> body;
    std::vector<uint8_t> active;  // bytes so that At can hand out a reference
    std::vector<int64_t> state;
    std::vector<int64_t> dir;
    std::vector<int64_t> recoilDir;  // 0 pushed towards +x, 1 towards -x
    std::vector<int64_t> lineMove;
    std::vector<int64_t> prevLineMove;
    std::vector<int64_t> timer;  // frames; also the animation time
    std::vector<int64_t> targetLineY;
    std::vector<int64_t> lineIndex;
    std::vector<int64_t> life;
    std::vector<int64_t> aiTimer;  // frames
    std::vector<int64_t> anime;

    Sprite rockSprite;
    Sprite lifeSprite;
    Sprite gaugeSprite;
    Sprite holeSprite;
};

}  // namespace morva
