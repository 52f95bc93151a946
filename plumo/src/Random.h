// xoshiro256** seeded through splitmix64, with an unbiased mapping to ranges,
// so a seed gives the same numbers with any compiler or standard library.
#pragma once

#include <cstdint>

namespace plumo {

class Random {
public:
    explicit Random(uint64_t seed = 0) { Seed(seed); }

    void Seed(uint64_t seed) {
        for (uint64_t& word : state) {
            seed += 0x9E3779B97F4A7C15ULL;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }

    uint64_t Next() {
        const uint64_t result = Rotl(state[1] * 5, 7) * 9;
        const uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = Rotl(state[3], 45);
        return result;
    }

    // Inclusive; the bounds may come in either order.
    int64_t Between(int64_t min, int64_t max) {
        if (min > max) {
            const int64_t swap = min;
            min = max;
            max = swap;
        }
        const uint64_t span = static_cast<uint64_t>(max) - static_cast<uint64_t>(min) + 1;
        if (span == 0) {
            return static_cast<int64_t>(Next());
        }
        // Values below `floor` would make the low residues more likely.
        const uint64_t floor = (0 - span) % span;
        uint64_t value = Next();
        while (value < floor) {
            value = Next();
        }
        return static_cast<int64_t>(static_cast<uint64_t>(min) + value % span);
    }

private:
    static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    uint64_t state[4];
};

}  // namespace plumo
