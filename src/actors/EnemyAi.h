// The rocks' decision table. Each slot remembers what it last saw and
// decided; the manager asks it to think and takes over the results. A slot
// reused for a new rock keeps the previous rock's results and latch.
#pragma once

#include <cstdint>
#include <vector>

namespace morva {

// Results of a thought, shared with the manager (which uses the walk flag
// as the rock's state code).
inline constexpr int64_t kEnemyFaceLeft = 0;  // towards -x
inline constexpr int64_t kEnemyFaceRight = 1;
inline constexpr int64_t kEnemyStand = 0;
inline constexpr int64_t kEnemyWalk = 1;
inline constexpr int64_t kEnemyLineStay = 0;
inline constexpr int64_t kEnemyLineUp = 1;  // to a smaller y
inline constexpr int64_t kEnemyLineDown = 2;

class EnemyAi {
public:
    void Init(int64_t n);
    void SeePlayer(double x, int64_t lineY, int64_t slot);
    void SeeSelf(double x, int64_t lineY, int64_t slot);
    int64_t GetDir(int64_t slot) const;
    int64_t GetWalk(int64_t slot) const;
    int64_t GetLineMove(int64_t slot) const;
    void Think(int64_t slot);

    bool IsLatched(int64_t slot) const;
    int64_t GetCount() const { return count; }

private:
    int64_t count = 0;
    std::vector<double> playerX;
    std::vector<int64_t> playerLineY;
    std::vector<double> selfX;
    std::vector<int64_t> selfLineY;
    std::vector<int64_t> walk;
    std::vector<int64_t> dir;
    std::vector<int64_t> lineMove;
    // Bytes rather than vector<bool> so that At can hand out a reference.
    std::vector<uint8_t> latched;
};

}  // namespace morva
