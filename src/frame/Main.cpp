#include "frame/Main.h"

#include <stdexcept>
#include <string>

#include "frame/SceneSelector.h"
#include "frame/Scenes.h"
#include "frame/input/InputState.h"
#include "frame/text/BitmapFont.h"

namespace morva {

void Main() {
    BitmapFont font;
    font.LoadDefault();
    InputState input;
    input.Init();
    SceneSelector selector;
    selector.SetScene(kTitleScene);

    for (;;) {
        const int64_t scene = selector.GetScene();
        if (scene == kTitleScene) {
            RunTitle(selector, input, font);
        } else if (scene == kGameScene) {
            RunGame(selector, input, font);
        } else {
            // Looping on an unknown scene would hang with a frozen window.
            throw std::logic_error("unknown scene number " + std::to_string(scene));
        }
    }
}

}  // namespace morva
