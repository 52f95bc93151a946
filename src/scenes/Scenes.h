// The two scenes Main alternates. Each runs its own frame loop and returns
// after it has chosen the next scene.
#pragma once

#include <cstdint>

namespace morva {

class InputState;
class BitmapFont;

enum class Scene : int64_t { Title = 0, Game = 1 };

class SceneSelector {
public:
    void SetScene(Scene next) { scene = next; }
    Scene GetScene() const { return scene; }

private:
    Scene scene = Scene::Title;
};

void RunTitle(SceneSelector& selector, InputState& input, BitmapFont& font);
void RunGame(SceneSelector& selector, InputState& input, BitmapFont& font);

}  // namespace morva
