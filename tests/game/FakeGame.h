// Runs RunGame on the fake library, one frame at a time: a script reads the
// game's snapshot after each frame and chooses the buttons held in the next,
// and the generation's Rnd(1, 3) answers come from a list.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Bot.h"
#include "FakeLibrary.h"
#include "frame/GameScene.h"

namespace morva::game_test {

// Which banner a draw of the font texture belongs to, from its place and size.
enum class Text { kOther, kStart, kClear, kRetry, kPushSpace };

struct PlayedFrame {
    GameFrameView view;  // empty for the frame that left the scene
    std::vector<fake::DrawCall> draws;
    std::vector<std::string> drawFiles;  // the texture file of each draw
    std::vector<int64_t> spawnLines;     // Rnd(1, 3) results drawn in the frame

    // Glyphs of that banner drawn in the frame.
    int64_t Glyphs(Text text) const;
    // The player's body draws (pelomar256) of the frame.
    std::vector<fake::DrawCall> BodyDraws() const;
};

class FakeGame {
public:
    using Script = std::function<HeldButtons(const GameFrameView&)>;

    FakeGame();
    ~FakeGame();

    // Plays until the scene returns or maxFrames frames have run; held is
    // what the pad shows in the first frame.
    void Play(const Script& script, int64_t maxFrames, HeldButtons held = {});

    fake::FakeLibrary library;
    std::deque<int64_t> spawnLines;       // answers to Rnd(1, 3); 1 when empty
    std::vector<PlayedFrame> frames;      // frames[0] is the game's first frame
    bool returned = false;                // the scene left by itself
    int64_t scene = -1;                   // the selector after the scene
    std::vector<std::string> setUpLoads;  // textures loaded before the first frame
};

// A script that holds the buttons of the latest entry whose frame is not past.
struct Step {
    int64_t fromFrame;  // the first game frame that sees these buttons
    std::vector<int64_t> held;
};
FakeGame::Script Timeline(std::vector<Step> steps);

}  // namespace morva::game_test
