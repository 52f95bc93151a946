// Stands in for the game library: records loads, releases, draws and Rnd
// calls and reads pad 0 from an array. One may be alive at a time; it
// unbinds everything when it goes.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fake {

using Rect = std::array<double, 4>;  // x, y, w, h

struct DrawCall {
    int64_t texture = 0;       // the id LoadTex gave out: 1, 2, 3, ...
    std::vector<double> args;  // after the texture: 12 for DrawTex, 15 for DrawTexRot

    Rect Src() const { return {args[0], args[1], args[2], args[3]}; }
    Rect Dst() const { return {args[4], args[5], args[6], args[7]}; }
};

struct RndCall {
    int64_t min, max;
    bool operator==(const RndCall&) const = default;
};

class FakeLibrary {
public:
    FakeLibrary();
    ~FakeLibrary();
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    // Draws of the texture loaded from that file, in call order.
    std::vector<DrawCall> DrawsOf(const std::string& file) const;

    std::vector<std::string> loads;  // file names; index = id - 1
    std::vector<int64_t> released;   // texture ids, in release order
    std::vector<DrawCall> draws;
    std::vector<RndCall> rndCalls;
    std::deque<int64_t> rndResults;  // scripted results; min once they run out
    std::array<int64_t, 16> pad{};   // hold counts of pad 0's buttons
};

}  // namespace fake
