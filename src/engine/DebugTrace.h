// The game's debug-trace sink. Texts handed to it are discarded; tests may
// watch them through an observer.
#pragma once

#include <functional>
#include <string_view>

namespace morva {

void DebugTrace(std::u16string_view text);

using DebugTraceObserver = std::function<void(std::u16string_view)>;
// Returns the previous observer; pass an empty one to stop watching.
DebugTraceObserver SetDebugTraceObserver(DebugTraceObserver observer);

}  // namespace morva
