// The pause panel's page of controls: the player moves between them with the
// arrows, the d-pad or the stick and changes, adds or removes their keys and
// controller inputs, or puts them all back to their defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Bindings.h"
#include "Panel.h"

namespace plumo {

class ControlsPage {
public:
    explicit ControlsPage(const Bindings& bindings) : bindings(bindings) {}

    enum class Outcome { kNothing, kRedraw, kRebound, kResume };
    // What a press while paused does. After kRebound the caller applies
    // Current() and tells Saved() how writing it went.
    Outcome Handle(const Press& press, uint64_t nowMs);
    void Saved(const std::string& failure);
    // True when a notice has just run out, so the page must be drawn again.
    bool Expire(uint64_t nowMs);
    // The first control chosen, nothing waited for, no notice: each pause starts so.
    void Reset();

    const Bindings& Current() const { return bindings; }
    std::vector<PanelLine> Lines() const;
    // The panel's least width in characters: its box never changes size.
    static int Columns();

private:
    enum class Choice { kChange, kAdd, kRemove };

    void Notify(std::string text, uint64_t nowMs);
    Outcome Confirm(const Press& press, uint64_t nowMs);
    Outcome Take(const Press& press, uint64_t nowMs);

    Bindings bindings;
    size_t row = 0;
    Choice choice = Choice::kChange;
    bool waiting = false;  // for the input that becomes the binding
    std::string notice;
    uint64_t noticeEndsMs = 0;
    std::string failure;  // why the last change was not saved
};

}  // namespace plumo
