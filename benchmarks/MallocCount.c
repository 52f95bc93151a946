/* LD_PRELOAD shim (scripts/bench.sh builds it): counts every heap allocation of the
 * process (malloc and its kin, whoever calls them) and writes the count to
 * the file MORVA_MALLOC_COUNT names when the process ends. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static unsigned long long allocations;

void* malloc(size_t size) {
    __atomic_add_fetch(&allocations, 1, __ATOMIC_RELAXED);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    __atomic_add_fetch(&allocations, 1, __ATOMIC_RELAXED);
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    __atomic_add_fetch(&allocations, 1, __ATOMIC_RELAXED);
    return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size) {
    __atomic_add_fetch(&allocations, 1, __ATOMIC_RELAXED);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** block, size_t alignment, size_t size) {
    *block = memalign(alignment, size);
    return *block == NULL ? 12 : 0;
}

static void __attribute__((destructor)) Report(void) {
    const char* path = getenv("MORVA_MALLOC_COUNT");
    FILE* file = path != NULL ? fopen(path, "w") : NULL;
    if (file != NULL) {
        fprintf(file, "%llu\n", allocations);
        fclose(file);
    }
}
