// The scenery behind everything: a distant view fixed to the screen, an
// endless ground of repeated tiles and thirty trees scattered at random over
// the first stretch of the world.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Sprite.h"
#include "engine/Vec2.h"

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

private:
    Sprite ground;
    Vec2 groundPos;   // x: the tile grid origin of the last Draw; y: tile centre line
    Vec2 groundHalf;  // pixels on screen
    Sprite distantView;
    Vec2 distantHalf;  // pixels on screen
    double depthScale = 0.0;
    Sprite treeSprite;
    int64_t treeCount = 0;
    struct Tree {
        Vec2 pos;   // bottom-right corner, world pixels
        Vec2 half;  // pixels on screen
        double depth = 0.0;
        double factor = 0.0;  // share of the camera's shift
        int64_t kind = 0;     // animation id of the tree's image
    };
    std::vector<Tree> trees;
};

}  // namespace morva
