#include "engine/DebugTrace.h"

#include <utility>

namespace morva {
namespace {
DebugTraceObserver gObserver;
}

void DebugTrace(std::u16string_view text) {
    if (gObserver) {
        gObserver(text);
    }
}

DebugTraceObserver SetDebugTraceObserver(DebugTraceObserver observer) {
    return std::exchange(gObserver, std::move(observer));
}

}  // namespace morva
