#include "frame/Scenes.h"
#include "frame/SceneSelector.h"
#include "frame/input/InputState.h"
#include "frame/library/Library.h"

namespace morva {

// Placeholder until the title screen lands: waits for the space key.
void RunTitle(SceneSelector& selector, InputState& input, BitmapFont&) {
    for (;;) {
        input.Update();
        if (input.ReleasedJump()) {
            selector.SetScene(kGameScene);
            return;
        }
        lib::Act();
    }
}

}  // namespace morva
