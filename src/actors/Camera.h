// The view position of the play field: the world point shown at the screen's
// top-left corner, and the shift the background layers scroll by.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Vec2.h"

namespace morva {

class Camera {
public:
    // delay 0 is the game's camera; n >= 1 keeps n older positions.
    void Init(int64_t delay);
    void SetView(double x, double y);
    double GetViewX() const;
    double GetViewY() const;
    double GetShiftX() const;
    double GetShiftY() const;

    bool IsDelayed() const { return delayed; }
    int64_t GetHistoryLength() const { return historyLength; }

private:
    // Entries are handed down by handle, so after a SetView entry 0 and
    // entry 1 are the same vector: the shift of the game's camera is always
    // zero and the background moves only through the view position.
    std::vector<Vec2Ref> history;
    int64_t historyLength = 0;
    bool delayed = false;
    Vec2Ref shift = NewVec2(0.0, 0.0);
};

}  // namespace morva
