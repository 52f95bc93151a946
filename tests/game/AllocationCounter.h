// Counts every allocation made through the global operator new of the
// binary that links AllocationCounter.cpp.
#pragma once

#include <cstdint>

namespace morva::game_test {

int64_t ProgramAllocations();

}  // namespace morva::game_test
