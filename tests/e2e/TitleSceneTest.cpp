// The title scene in-process against the fake library: entering and leaving
// it repeatedly, which the real program only reaches after a whole game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "frame/SceneSelector.h"
#include "frame/Scenes.h"
#include "frame/input/InputState.h"
#include "frame/text/BitmapFont.h"
#include "plumo/Abi.h"

namespace morva {
namespace {

constexpr int64_t kSpace = 0;
constexpr std::size_t kDrawsPerFrame = 26 + 31 + 28 + 1 + 7;  // three credits, title, version
constexpr std::size_t kTitleDrawIndex = 26 + 31 + 28;

class TitleSceneTest : public ::testing::Test {
protected:
    void SetUp() override { font.LoadDefault(); }

    // Space was held on the previous reading and is up now, as when the
    // player lets go while the title is shown.
    void ReleaseSpaceNow() {
        library.pad[kSpace] = 3;
        input.Update();
        library.pad[kSpace] = 0;
    }

    fake::FakeLibrary library;
    BitmapFont font;
    InputState input;
    SceneSelector selector;
};

TEST_F(TitleSceneTest, ReleaseLeavesWithinTheFrameAndDropsTheTitleTexture) {
    ReleaseSpaceNow();
    RunTitle(selector, input, font);
    EXPECT_EQ(selector.GetScene(), kGameScene);
    EXPECT_EQ(library.acts, 0);
    ASSERT_EQ(library.loads, (std::vector<std::string>{"font_128_64.zqtex", "title.zqtex"}));
    EXPECT_EQ(library.released, std::vector<int64_t>{2});
    EXPECT_EQ(library.LiveTextures(), 1);

    ASSERT_EQ(library.draws.size(), kDrawsPerFrame);
    const fake::DrawCall& title = library.draws[kTitleDrawIndex];
    EXPECT_EQ(library.TextureName(title.texture), "title.zqtex");
    EXPECT_EQ(title.args, (std::vector<double>{0, 0, 600, 160, 200, 200, 1200, 320, 1, 1, 1, 1}));
    EXPECT_EQ(library.DrawsOf("font_128_64.zqtex").size(), kDrawsPerFrame - 1);
}

TEST_F(TitleSceneTest, EveryEntryLoadsAFreshTitleTexture) {
    constexpr int kEntries = 3;
    for (int entry = 0; entry < kEntries; ++entry) {
        selector.SetScene(kTitleScene);
        ReleaseSpaceNow();
        RunTitle(selector, input, font);
        ASSERT_EQ(selector.GetScene(), kGameScene) << "entry " << entry;
    }
    EXPECT_EQ(library.loads, (std::vector<std::string>{"font_128_64.zqtex", "title.zqtex",
                                                       "title.zqtex", "title.zqtex"}));
    EXPECT_EQ(library.released, (std::vector<int64_t>{2, 3, 4}));
    // Each entry draws with its own texture.
    EXPECT_EQ(library.draws[kTitleDrawIndex].texture, 2);
    EXPECT_EQ(library.draws[kDrawsPerFrame + kTitleDrawIndex].texture, 3);
    EXPECT_EQ(library.draws[2 * kDrawsPerFrame + kTitleDrawIndex].texture, 4);
}

TEST_F(TitleSceneTest, HeldSpaceAndOtherButtonsWaitFrameAfterFrame) {
    constexpr int64_t kFrames = 6;
    library.pad[kSpace] = 1;
    library.pad[1] = 1;   // dash
    library.pad[2] = 1;   // attack
    library.pad[13] = 1;  // right
    library.actLimit = kFrames;
    EXPECT_THROW(RunTitle(selector, input, font), plumo::Failure);
    EXPECT_EQ(selector.GetScene(), kTitleScene);
    EXPECT_EQ(library.acts, kFrames);
    EXPECT_EQ(library.draws.size(), kFrames * kDrawsPerFrame);
    // The texture goes with the scene even when a failure ends it.
    EXPECT_EQ(library.released, std::vector<int64_t>{2});
}

TEST_F(TitleSceneTest, SpaceAlreadyUpOnEntryIsNotARelease) {
    constexpr int64_t kFrames = 3;
    library.actLimit = kFrames;
    EXPECT_THROW(RunTitle(selector, input, font), plumo::Failure);
    EXPECT_EQ(selector.GetScene(), kTitleScene);
    EXPECT_EQ(library.draws.size(), kFrames * kDrawsPerFrame);
}

}  // namespace
}  // namespace morva
