#include "FakeGame.h"

#include <stdexcept>
#include <utility>

#include "frame/SceneSelector.h"
#include "frame/Scenes.h"
#include "frame/input/InputState.h"
#include "frame/library/Library.h"
#include "frame/text/BitmapFont.h"

namespace morva::game_test {
namespace {

constexpr int64_t kSpawnMin = 1;
constexpr int64_t kSpawnMax = 3;
constexpr const char* kFontFile = "font_128_64.zqtex";
constexpr const char* kBodyFile = "pelomar256.zqtex";

constexpr int64_t kSpareActs = 10;

FakeGame* gGame = nullptr;
std::vector<int64_t> gPendingSpawns;

struct StopPlay {};

// Generation draws come from the game's list, the stage's trees get min.
int64_t ScriptedRnd(int64_t min, int64_t max) {
    int64_t result = min;
    if (min == kSpawnMin && max == kSpawnMax && gGame != nullptr && !gGame->spawnLines.empty()) {
        result = gGame->spawnLines.front();
        gGame->spawnLines.pop_front();
    }
    if (min == kSpawnMin && max == kSpawnMax) {
        gPendingSpawns.push_back(result);
    }
    return result;
}

struct BannerShape {
    Text text;
    double y;
    double glyphW;
    double glyphH;
};
constexpr BannerShape kBannerShapes[] = {
    {Text::kStart, 200.0, 100.0, 200.0},
    {Text::kClear, 300.0, 100.0, 200.0},
    {Text::kRetry, 300.0, 75.0, 150.0},
    {Text::kPushSpace, 500.0, 75.0, 150.0},
};

Text Classify(const fake::DrawCall& draw) {
    for (const BannerShape& shape : kBannerShapes) {
        if (draw.dstY() == shape.y && draw.dstW() == shape.glyphW && draw.dstH() == shape.glyphH) {
            return shape.text;
        }
    }
    return Text::kOther;
}

}  // namespace

int64_t PlayedFrame::Glyphs(Text text) const {
    int64_t count = 0;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        if (drawFiles[i] == kFontFile && Classify(draws[i]) == text) {
            ++count;
        }
    }
    return count;
}

std::vector<fake::DrawCall> PlayedFrame::BodyDraws() const {
    std::vector<fake::DrawCall> result;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        if (drawFiles[i] == kBodyFile) {
            result.push_back(draws[i]);
        }
    }
    return result;
}

FakeGame::FakeGame() {
    gGame = this;
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Rnd)] =
        reinterpret_cast<void*>(&ScriptedRnd);
}

FakeGame::~FakeGame() {
    SetGameObserver({});
    gGame = nullptr;
}

void FakeGame::Play(const Script& script, int64_t maxFrames, HeldButtons held) {
    for (int64_t button = 0; button < kButtonCount; ++button) {
        library.pad[button] = held[button] ? 1 : 0;
    }
    // A scene that stops reporting still ends.
    library.actLimit = library.acts + maxFrames + kSpareActs;
    BitmapFont font;
    font.LoadDefault();
    InputState input;
    input.Init();
    SceneSelector selector;
    selector.SetScene(kGameScene);
    const std::size_t loadsBefore = library.loads.size();
    std::size_t drawMark = library.draws.size();
    gPendingSpawns.clear();

    auto takeFrame = [&](const GameFrameView& view) {
        PlayedFrame frame;
        frame.view = view;
        for (std::size_t i = drawMark; i < library.draws.size(); ++i) {
            frame.draws.push_back(library.draws[i]);
            frame.drawFiles.push_back(library.TextureName(library.draws[i].texture));
        }
        drawMark = library.draws.size();
        frame.spawnLines = std::exchange(gPendingSpawns, {});
        frames.push_back(std::move(frame));
    };

    SetGameObserver([&](const GameFrameView& view) {
        if (frames.empty()) {
            setUpLoads.assign(library.loads.begin() + static_cast<std::ptrdiff_t>(loadsBefore),
                              library.loads.end());
        }
        takeFrame(view);
        if (static_cast<int64_t>(frames.size()) >= maxFrames) {
            throw StopPlay{};
        }
        const HeldButtons next = script(view);
        for (int64_t button = 0; button < kButtonCount; ++button) {
            library.pad[button] = next[button] ? library.pad[button] + 1 : 0;
        }
    });
    try {
        RunGame(selector, input, font);
        returned = true;
        takeFrame(GameFrameView{});
    } catch (const StopPlay&) {
    } catch (const plumo::Failure&) {
    }
    SetGameObserver({});
    scene = selector.GetScene();
}

FakeGame::Script Timeline(std::vector<Step> steps) {
    return [steps = std::move(steps)](const GameFrameView& view) {
        HeldButtons held{};
        const int64_t nextFrame = view.frame + 1;
        for (const Step& step : steps) {
            if (step.fromFrame <= nextFrame) {
                held = {};
                for (int64_t button : step.held) {
                    held[button] = true;
                }
            }
        }
        return held;
    };
}

}  // namespace morva::game_test
