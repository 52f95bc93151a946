#pragma once

#include <cstdint>

namespace morva {

inline constexpr int64_t kTitleScene = 0;
inline constexpr int64_t kGameScene = 1;

class SceneSelector {
public:
    void SetScene(int64_t scene) { this->scene = scene; }
    int64_t GetScene() const { return scene; }

private:
    int64_t scene = kTitleScene;
};

}  // namespace morva
