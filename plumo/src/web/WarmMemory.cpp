#include "WarmMemory.h"

namespace plumo {

// A page draws with WebGL, which makes no large scaled copies in its heap.
void WarmMemory(size_t) {}

}  // namespace plumo
