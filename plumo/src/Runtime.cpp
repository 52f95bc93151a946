#include "Runtime.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace plumo {
namespace {

int64_t gAllocations = 0;
int64_t gFrees = 0;

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
    // A zero-size block is still a distinct block the program may free.
    void* block = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
    if (block == nullptr) {
        Raise(kLibraryFailure, "out of memory allocating " + std::to_string(size) + " bytes");
    }
    ++gAllocations;
    return block;
}

void FreeMem(void* block) {
    if (block != nullptr) {
        ++gFrees;
        std::free(block);
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
