#include "game/Camera.h"

#include <stdexcept>

#include "engine/Checked.h"

namespace morva {

void Camera::Init(int64_t delay) {
    if (delay < 0) {
        throw std::invalid_argument("camera delay below 0 frames");
    }
    shift = Vec2();
    historyLength = delay + 1;
    delayed = historyLength > 1;
    history.assign(static_cast<std::size_t>(historyLength), Vec2());
}

void Camera::SetView(double x, double y) {
    const int64_t last = historyLength - 1;
    for (int64_t k = last; k >= 1; --k) {
        At(history, k, "camera history") = At(history, k - 1, "camera history");
    }
    At(history, 0, "camera history").Set(x, y);
    // The game's camera keeps no older view to scroll by: its shift stays zero
    // and the background moves only through the view position.
    if (delayed) {
        const Vec2 step =
            VecSub(At(history, last - 1, "camera history"), At(history, last, "camera history"));
        shift.Set(step.GetX(), step.GetY());
    }
}

// Before Init the history is empty and these fail like any bad index.
double Camera::GetViewX() const {
    return At(history, 0, "camera history").GetX();
}

double Camera::GetViewY() const {
    return At(history, 0, "camera history").GetY();
}

}  // namespace morva
