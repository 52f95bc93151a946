// Memory made ready while the title is shown. In software SDL allocates a new
// texture for each large scaled copy, and the first touch of fresh pages is
// most of its cost: a game's first frame makes several at once. Each system
// supplies its own.
#pragma once

#include <cstddef>

namespace plumo {

// Touches `bytes` of heap and keeps them for the allocations that follow.
// Once a session; nothing where the system's allocator cannot keep them.
void WarmMemory(size_t bytes);

}  // namespace plumo
