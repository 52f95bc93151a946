// The title scene in-process against the fake library: entering and leaving
// it repeatedly, which the real program only reaches after a whole game.
#include <gtest/gtest.h>

#include "FakeLibrary.h"
#include "frame/SceneSelector.h"
#include "frame/Scenes.h"
#include "frame/input/InputState.h"
#include "frame/text/BitmapFont.h"
#include "plumo/Abi.h"

namespace morva {
namespace {

constexpr std::size_t kDrawsPerEntry = 26 + 31 + 28 + 1 + 7;  // three credits, title, version
constexpr std::size_t kTitleDraw = 26 + 31 + 28;

// Three entries left by a release, then one that fails while space is held:
// every entry loads a fresh title texture, and every way out releases it.
TEST(TitleScene, EveryEntryDrawsWithAFreshTextureAndEveryExitReleasesIt) {
    fake::FakeLibrary library;
    BitmapFont font;
    font.LoadDefault();
    InputState input;
    SceneSelector selector;
    for (int64_t entry = 0; entry < 3; ++entry) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        selector.SetScene(kTitleScene);
        library.pad[0] = 3;  // space held on the last reading, up now
        input.Update();
        library.pad[0] = 0;
        RunTitle(selector, input, font);
        ASSERT_EQ(selector.GetScene(), kGameScene);
        EXPECT_EQ(library.acts, 0) << "the release leaves without an Act";
        EXPECT_EQ(library.LiveTextures(), 1) << "only the font stays";
        ASSERT_EQ(library.draws.size(), (entry + 1) * kDrawsPerEntry);
        const fake::DrawCall& title = library.draws[entry * kDrawsPerEntry + kTitleDraw];
        EXPECT_EQ(title.texture, entry + 2);
        EXPECT_EQ(title.args,
                  (std::vector<double>{0, 0, 600, 160, 200, 200, 1200, 320, 1, 1, 1, 1}));
    }
    selector.SetScene(kTitleScene);
    library.pad[0] = 1;
    library.actLimit = 6;
    EXPECT_THROW(RunTitle(selector, input, font), plumo::Failure);
    EXPECT_EQ(selector.GetScene(), kTitleScene);
    EXPECT_EQ(library.draws.size(), 9 * kDrawsPerEntry);
    EXPECT_EQ(library.loads,
              (std::vector<std::string>{"font_128_64.zqtex", "title.zqtex", "title.zqtex",
                                        "title.zqtex", "title.zqtex"}));
    EXPECT_EQ(library.released, (std::vector<int64_t>{2, 3, 4, 5}));
}

}  // namespace
}  // namespace morva
