// Counts the calls of the global operator new in a binary that links the
// morva_allocation_counter library, which replaces it for the whole binary.
#pragma once

#include <cstdint>

namespace morva::test {

// Allocations made through operator new since the program started.
int64_t AllocationCount();

}  // namespace morva::test
