// The view position of the play field: the world point shown at the screen's
// top-left corner, and the shift the background layers scroll by.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Vec2.h"

namespace morva {

class Camera {
public:
    // delay 0 is the game's camera; n >= 1 keeps n older positions.
    void Init(int64_t delay);
    void SetView(double x, double y);
    double GetViewX() const;
    double GetViewY() const;
    double GetShiftX() const { return shift.GetX(); }
    double GetShiftY() const { return shift.GetY(); }

private:
    std::vector<Vec2> history;  // entry 0 is the current view
    int64_t historyLength = 0;
    bool delayed = false;
    Vec2 shift;
};

}  // namespace morva
