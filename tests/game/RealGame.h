// The real program's scene loop in this process: the real game library
// loaded and bound by the program's own start-up code, with its Pad replaced
// by a controller that chooses the buttons frame by frame. Every change of a
// button is written as a replay line, so the same game can be run again by
// the program itself.
#pragma once

#include <cstdint>
#include <string>

#include "Bot.h"
#include "frame/GameScene.h"

namespace morva::game_test {

class Controller {
public:
    virtual ~Controller() = default;
    // Buttons held in the frame after this game frame.
    virtual HeldButtons OnGameFrame(const GameFrameView& view) = 0;
    // Buttons held in the frame after a title frame.
    virtual HeldButtons OnTitleFrame() = 0;
    // Asked after every Act; true ends the run quietly.
    virtual bool Done() const = 0;
};

struct RealRunOptions {
    int64_t seed = 1;
    std::string tracePath;  // PLUMO_TRACE, empty for none
    std::string video = "none";
    bool writeReplay = true;  // off where the test's own allocations would count
    // Counts the process's allocations, to tell the library's own inside Act
    // apart; null when nobody counts.
    int64_t (*allocationCount)() = nullptr;
};

struct RealRunResult {
    int exitCode = -1;
    int64_t acts = 0;
    std::string replay;  // `seed <n>` then `<frame> <button> down|up`
};

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options);

// Allocations made through the game library's AllocMem since the run began.
int64_t LibraryAllocations();
// Allocations counted by allocationCount while the library's Act ran.
int64_t AllocationsInsideAct();

}  // namespace morva::game_test
