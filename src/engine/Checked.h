// Index checks that turn a bad index into a failure for the top-level
// handler instead of undefined behaviour.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace morva {

template <typename Container>
auto& At(Container& container, int64_t index, const char* what) {
    if (index < 0 || static_cast<uint64_t>(index) >= container.size()) {
        throw std::out_of_range("index out of range: " + std::string(what) + "[" +
                                std::to_string(index) + "] of " + std::to_string(container.size()));
    }
    return container[static_cast<std::size_t>(index)];
}

}  // namespace morva
