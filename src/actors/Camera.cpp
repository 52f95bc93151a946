#include "actors/Camera.h"

#include <stdexcept>

#include "core/Checked.h"

namespace morva {
namespace {

// Without a delay the history still has a second entry for the previous view.
constexpr int64_t kUndelayedEntries = 2;

// Before Init the history is empty and this fails like any bad index.
const Vec2& Current(const std::vector<Vec2Ref>& history) {
    return *At(history, 0, "camera history");
}

}  // namespace

void Camera::Init(int64_t delay) {
    if (delay < 0) {
        throw std::invalid_argument("camera delay below 0 frames");
    }
    shift = NewVec2(0.0, 0.0);
    historyLength = delay + 1;
    delayed = historyLength > 1;
    const int64_t entries = delayed ? historyLength : kUndelayedEntries;
    history.assign(static_cast<std::size_t>(entries), nullptr);
    for (Vec2Ref& entry : history) {
        entry = NewVec2(0.0, 0.0);
    }
}

void Camera::SetView(double x, double y) {
    if (!delayed) {
        At(history, 1, "camera history") = At(history, 0, "camera history");
        At(history, 0, "camera history")->Set(x, y);
        const Vec2& previous = *At(history, 1, "camera history");
        const Vec2& current = *At(history, 0, "camera history");
        shift->Set(previous.GetX() - current.GetX(), previous.GetY() - current.GetY());
        return;
    }
    const int64_t last = historyLength - 1;
    for (int64_t k = last; k >= 1; --k) {
        At(history, k, "camera history") = At(history, k - 1, "camera history");
    }
    At(history, 0, "camera history")->Set(x, y);
    const Vec2& newer = *At(history, last - 1, "camera history");
    const Vec2& older = *At(history, last, "camera history");
    shift->Set(newer.GetX() - older.GetX(), newer.GetY() - older.GetY());
}

double Camera::GetViewX() const {
    return Current(history).GetX();
}

double Camera::GetViewY() const {
    return Current(history).GetY();
}

double Camera::GetShiftX() const {
    return shift->GetX();
}

double Camera::GetShiftY() const {
    return shift->GetY();
}

}  // namespace morva
