#include "WarmMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace plumo {

void WarmMemory(size_t bytes) {
#ifdef __GLIBC__
    static bool warmed = false;
    if (warmed) {
        return;
    }
    warmed = true;
    // Blocks this large would come from, and go back to, the system each
    // time; from the heap, freed memory stays touched for the next.
    // The allocator refuses a threshold above 32 MiB; the block stays below it.
    constexpr size_t kMostThreshold = size_t{32} << 20;
    bytes = std::min(bytes, kMostThreshold / 2);
    const int limit = static_cast<int>(2 * bytes);
    mallopt(M_MMAP_THRESHOLD, limit);
    mallopt(M_TRIM_THRESHOLD, 2 * limit);
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        // Not zero, which the compiler would turn into a calloc that skips
        // fresh pages; and kept, as the block is seen as used.
        std::memset(block, 1, bytes);
        asm volatile("" : : "r"(block) : "memory");
        std::free(block);
    }
#else
    (void)bytes;
#endif
}

}  // namespace plumo
