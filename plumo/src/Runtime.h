// What the program gets from the library outside a session: text records,
// memory blocks and maths.
#pragma once

#include <cmath>
#include <string>

#include "Failures.h"

namespace plumo {

// A string record's UTF-16 as UTF-8; an unpaired surrogate is encoded as it is.
std::string ToUtf8(const String* text);

// The AllocMem and FreeMem counts so far, on standard error.
void ReportMemory();

namespace impl {

void* AllocMem(int64_t size);
void FreeMem(void* block);
String* IToS(int64_t value);

// The remainder takes the sign of x.
inline double Mod(double x, double y) {
    return std::fmod(x, y);
}
inline double Pow(double x, double y) {
    return std::pow(x, y);
}
inline double Sqrt(double x) {
    return std::sqrt(x);
}
inline double Cos(double x) {
    return std::cos(x);
}
inline double Sin(double x) {
    return std::sin(x);
}
inline double Hypot(double x, double y) {
    return std::hypot(x, y);
}
// The angle of (x, y), in radians.
inline double InvRot(double x, double y) {
    return std::atan2(y, x);
}

}  // namespace impl
}  // namespace plumo
