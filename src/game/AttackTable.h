// The three steps of the sword combo and the sword's pictures. Ahead means
// towards +x when facing right and towards -x when facing left.
#pragma once

#include <array>
#include <cstdint>

namespace morva {

struct AttackStep {
    int64_t damage;          // life taken from a rock per hit
    int64_t score;           // points per hit, times the combo
    int64_t windowLength;    // frames
    int64_t windowStart;     // the window opens once the step timer exceeds this
    int64_t duration;        // frames; the step ends once its timer exceeds this
    int64_t swordAnimeBase;  // hundreds of the sword animation id
    double swordOffsetX;     // picture centre ahead of the body, pixels
    double swordOffsetY;     // picture centre below the body, pixels
    double swordHalfW;       // pixels
    double swordHalfH;       // pixels
    double hitOffsetX;       // hit circle centre ahead of the body, pixels
    double hitOffsetY;       // hit circle centre below the body, pixels
    double hitRadius;        // pixels

    constexpr int64_t WindowEnd() const { return windowStart + windowLength; }
};

inline constexpr std::array<AttackStep, 3> kAttackSteps = {{
    {18, 10, 6, 18, 38, 100, 30.0, 0.0, 300.0, 100.0, 200.0, 40.0, 40.0},
    {12, 15, 6, 18, 38, 200, 30.0, 30.0, 300.0, 100.0, 200.0, 40.0, 40.0},
    {25, 40, 6, 21, 45, 300, 100.0, 30.0, 300.0, 100.0, 280.0, 40.0, 40.0},
}};
static_assert(kAttackSteps.size() == 3, "a combo of three steps");

// Added to a step's animation base for the facing.
inline constexpr int64_t kSwordAnimeRight = 10;
inline constexpr int64_t kSwordAnimeLeft = 20;

inline constexpr int64_t kSwordFrameCount = 6;

// One sword swing; a negative source extent draws the texels mirrored.
struct SwordAnime {
    int64_t id;
    double srcX;                                      // texels
    std::array<double, kSwordFrameCount> srcY;        // texels
    double srcW;                                      // texels
    double srcH;                                      // texels
    std::array<int64_t, kSwordFrameCount> durations;  // frames
};

inline constexpr std::array<SwordAnime, 6> kSwordAnimes = {{
    {110, 0.0, {256, 512, 768, 1024, 1280, 1536}, 512.0, -256.0, {6, 3, 3, 3, 3, 20}},
    {120, 512.0, {256, 512, 768, 1024, 1280, 1536}, -512.0, -256.0, {6, 3, 3, 3, 3, 20}},
    {210, 0.0, {0, 256, 512, 768, 1024, 1280}, 512.0, 256.0, {6, 3, 3, 3, 3, 20}},
    {220, 512.0, {0, 256, 512, 768, 1024, 1280}, -512.0, 256.0, {6, 3, 3, 3, 3, 20}},
    {310, 512.0, {0, 256, 512, 768, 1024, 1280}, 512.0, 256.0, {6, 3, 3, 6, 12, 15}},
    {320, 1024.0, {0, 256, 512, 768, 1024, 1280}, -512.0, 256.0, {6, 3, 3, 6, 12, 15}},
}};
static_assert(kSwordAnimes.size() == kAttackSteps.size() * 2, "one swing per step and facing");

// Frames of the swing with that id; 0 for an id the table lacks.
constexpr int64_t SwordAnimeLength(int64_t id) {
    for (const SwordAnime& anime : kSwordAnimes) {
        if (anime.id == id) {
            int64_t total = 0;
            for (int64_t frames : anime.durations) {
                total += frames;
            }
            return total;
        }
    }
    return 0;
}

// A step lasts exactly as long as its swing, in both facings.
constexpr bool StepsMatchSwings() {
    for (const AttackStep& step : kAttackSteps) {
        if (SwordAnimeLength(step.swordAnimeBase + kSwordAnimeRight) != step.duration ||
            SwordAnimeLength(step.swordAnimeBase + kSwordAnimeLeft) != step.duration) {
            return false;
        }
    }
    return true;
}
static_assert(StepsMatchSwings(), "every step lasts as long as its sword swing");

}  // namespace morva
