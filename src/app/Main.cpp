#include "app/Main.h"

#include "engine/BitmapFont.h"
#include "engine/InputState.h"
#include "scenes/Scenes.h"

namespace morva {

void Main() {
    BitmapFont font;
    font.LoadDefault();
    InputState input;
    input.Init();
    SceneSelector selector;
    selector.SetScene(Scene::Title);

    for (;;) {
        switch (selector.GetScene()) {
            case Scene::Title:
                RunTitle(selector, input, font);
                break;
            case Scene::Game:
                RunGame(selector, input, font);
                break;
        }
    }
}

}  // namespace morva
