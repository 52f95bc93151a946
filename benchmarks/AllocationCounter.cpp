#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

int64_t gAllocations = 0;  // the counted programs allocate on one thread

void* Allocate(std::size_t size) {
    ++gAllocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
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

namespace morva::test {

int64_t AllocationCount() {
    return gAllocations;
}

}  // namespace morva::test
