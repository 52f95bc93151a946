// Heap allocations made through operator new since the program started.
#pragma once

#include <cstdint>

int64_t AllocationCount();
