// Replaces the global operator new of the benchmark program to count calls;
// in its own file so that no caller sees new and free side by side.
#include "CountingNew.h"

#include <cstdlib>
#include <new>

namespace {

int64_t gAllocations = 0;

}  // namespace

int64_t AllocationCount() {
    return gAllocations;
}

void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
