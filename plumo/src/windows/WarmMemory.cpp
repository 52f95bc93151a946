#include "WarmMemory.h"

namespace plumo {

// The process heap keeps freed blocks only up to its own limits.
void WarmMemory(size_t) {}

}  // namespace plumo
