// The two scenes Main alternates. Each runs its own frame loop and returns
// after it has chosen the next scene.
#pragma once

namespace morva {

class SceneSelector;
class InputState;
class BitmapFont;

void RunTitle(SceneSelector& selector, InputState& input, BitmapFont& font);
void RunGame(SceneSelector& selector, InputState& input, BitmapFont& font);

}  // namespace morva
