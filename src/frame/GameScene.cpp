#include "frame/Scenes.h"
#include "frame/SceneSelector.h"
#include "frame/input/InputState.h"
#include "frame/library/Library.h"

namespace morva {

// Placeholder until the game scene lands: an empty field.
void RunGame(SceneSelector&, InputState& input, BitmapFont&) {
    for (;;) {
        input.Update();
        lib::Act();
    }
}

}  // namespace morva
