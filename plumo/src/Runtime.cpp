#include "Runtime.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace plumo {
namespace {

int64_t gAllocations = 0;
int64_t gFrees = 0;

// The game asks for a number's text record every frame it shows the number,
// so small blocks go back to a free list instead of the heap. Sanitizer
// builds take every block from the heap, where a block freed twice or never
// is reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif
// IToS's longest record (20 digits and a sign) is 60 bytes.
constexpr size_t kSmallBlockBytes = 64;
constexpr size_t kMaxRecycled = 256;

// Before every block; keeps the block 16-byte aligned like malloc's.
struct alignas(16) BlockHeader {
    uint64_t state;
    uint64_t small;
};
constexpr uint64_t kLive = 0x4C495645'504C554DULL;
constexpr uint64_t kFreed = 0x46524545'504C554DULL;

class Recycled {
public:
    ~Recycled() {
        while (count > 0) {
            std::free(blocks[--count]);
        }
    }
    BlockHeader* Take() { return count > 0 ? blocks[--count] : nullptr; }
    bool Keep(BlockHeader* block) {
        if (count == blocks.size()) {
            return false;
        }
        blocks[count++] = block;
        return true;
    }

private:
    std::array<BlockHeader*, kMaxRecycled> blocks{};
    size_t count = 0;
};
Recycled gRecycled;

}  // namespace

std::string ToUtf8(const String* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    out.reserve(static_cast<size_t>(text->length));
    for (int64_t i = 0; i < text->length; ++i) {
        uint32_t code = text->units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text->length &&
            text->units[i + 1] >= 0xDC00 && text->units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text->units[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

void ReportMemory() {
    std::fprintf(stderr, "plumo: %lld blocks allocated, %lld freed\n",
                 static_cast<long long>(gAllocations), static_cast<long long>(gFrees));
}

namespace impl {

void* AllocMem(int64_t size) {
    if (size < 0) {
        Raise(kLibraryFailure, "AllocMem was asked for " + std::to_string(size) + " bytes");
    }
    const auto outOfMemory = [size] {
        return "out of memory allocating " + std::to_string(size) + " bytes";
    };
    if (!kRecycle) {
        // A zero-size block is still a distinct block the program may free.
        void* block = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
        if (block == nullptr) {
            Raise(kLibraryFailure, outOfMemory());
        }
        ++gAllocations;
        return block;
    }
    const auto bytes = static_cast<uint64_t>(size);
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) {
        Raise(kLibraryFailure, outOfMemory());
    }
    const bool small = bytes <= kSmallBlockBytes;
    BlockHeader* header = small ? gRecycled.Take() : nullptr;
    if (header == nullptr) {
        header = static_cast<BlockHeader*>(
            std::malloc(sizeof(BlockHeader) + (small ? kSmallBlockBytes : bytes)));
    }
    if (header == nullptr) {
        Raise(kLibraryFailure, outOfMemory());
    }
    *header = {kLive, small};
    ++gAllocations;
    return header + 1;
}

void FreeMem(void* block) {
    if (block == nullptr) {
        return;
    }
    if (!kRecycle) {
        ++gFrees;
        std::free(block);
        return;
    }
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->state == kFreed) {
        Raise(kLibraryFailure, "FreeMem was given a block that was freed already");
    }
    if (header->state != kLive) {
        Raise(kLibraryFailure, "FreeMem was given a block that AllocMem did not make");
    }
    header->state = kFreed;
    ++gFrees;
    if (header->small == 0 || !gRecycled.Keep(header)) {
        std::free(header);
    }
}

String* IToS(int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const int64_t length = result.ptr - digits;
    auto* text = static_cast<String*>(AllocMem(static_cast<int64_t>(
        offsetof(String, units) + static_cast<size_t>(length + 1) * sizeof(char16_t))));
    text->refCount = 1;
    text->length = length;
    for (int64_t i = 0; i < length; ++i) {
        text->units[i] = static_cast<char16_t>(digits[i]);
    }
    text->units[length] = u'\0';
    return text;
}

}  // namespace impl
}  // namespace plumo
