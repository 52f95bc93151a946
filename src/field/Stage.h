// The scenery behind everything: a distant view fixed to the screen, an
// endless ground of repeated tiles and thirty trees scattered at random over
// the first stretch of the world.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Sprite.h"
#include "core/Vec2.h"

namespace morva {

class Stage {
public:
    // Places the trees: four Rnd calls per tree, in a fixed order.
    void Init();
    void Load(double viewX, double viewY, double viewW, double viewH);
    // Moves each tree by its share of the camera's shift.
    void Scroll(double dx, double dy);
    // (viewX, viewY) is the world point at the screen's top-left corner.
    void Draw(double viewX, double viewY);

    int64_t GetTreeCount() const { return treeCount; }

private:
    Sprite ground;
    Vec2 groundPos;   // x: the tile grid origin of the last Draw; y: tile centre line
    Vec2 groundHalf;  // pixels on screen
    Sprite distantView;
    Vec2 distantHalf;  // pixels on screen
    double depthScale = 0.0;
    Sprite trees;
    int64_t treeCount = 0;
    std::vector<Vec2> treePos;   // bottom-right corner, world pixels
    std::vector<Vec2> treeHalf;  // pixels on screen
    std::vector<double> treeDepth;
    std::vector<double> treeFactor;  // share of the camera's shift
    std::vector<int64_t> treeKind;   // animation id of the tree's image
};

}  // namespace morva
