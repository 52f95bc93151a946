// How a failure leaves the library: as a plumo::Failure thrown through Raise.
#pragma once

#include <cstdint>
#include <string>

// Failure's type information has to match the program's, so the ABI header is
// seen with default visibility even though the library hides everything else.
#pragma GCC visibility push(default)
#include "plumo/Abi.h"
#pragma GCC visibility pop

namespace plumo {

// Where Raise reports the raising address; null until Init has seen a valid
// parameter record.
void SetFailureCell(uint64_t* cell);

// What writes out the open session's outputs before a failure leaves the
// library, so nothing written is lost; it raises when an output cannot be
// written out. Null for none.
void SetFailureFlush(void (*flush)());

[[noreturn]] void Raise(int64_t code, const std::string& message);

// One line on standard error about something the game goes on without: a
// settings line that cannot be read, a file that cannot be written.
void Warn(const std::string& message);

}  // namespace plumo
