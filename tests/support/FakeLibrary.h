// A stand-in for the game library that unit tests bind: it records every
// load, release, draw and Rnd call, reads pads from an array and does real
// mathematics. One may be alive at a time; it unbinds on destruction.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace fake {

struct DrawCall {
    bool rotated = false;
    int64_t texture = 0;        // the id LoadTex gave out, 1, 2, 3, ...
    std::vector<double> args;   // the numbers after the texture, in argument order

    // Convenience views of the common arguments.
    double srcX() const { return args[0]; }
    double srcY() const { return args[1]; }
    double srcW() const { return args[2]; }
    double srcH() const { return args[3]; }
    double dstX() const { return args[4]; }
    double dstY() const { return args[5]; }
    double dstW() const { return args[6]; }
    double dstH() const { return args[7]; }
    double alpha() const { return args.back(); }
};

std::ostream& operator<<(std::ostream& out, const DrawCall& call);

struct RndCall {
    int64_t min;
    int64_t max;
    int64_t result;
};

class FakeLibrary {
public:
    FakeLibrary();
    ~FakeLibrary();
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    // File name of the texture with that id.
    std::string TextureName(int64_t id) const;
    // Draws whose texture was loaded from that file.
    std::vector<DrawCall> DrawsOf(const std::string& fileName) const;
    int64_t LiveTextures() const { return liveTextures; }

    std::vector<std::string> loads;      // file names, index = id - 1
    std::vector<int64_t> released;       // ids, in release order
    std::vector<DrawCall> draws;
    std::vector<RndCall> rndCalls;
    std::deque<int64_t> rndResults;      // scripted results; min when empty
    std::array<int64_t, 16> pad{};       // hold counts of pad 0
    int64_t acts = 0;
    int64_t actLimit = -1;               // Act number that ends the run, -1 none
    int64_t liveTextures = 0;
};

}  // namespace fake
