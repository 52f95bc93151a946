// WebAssembly code has no addresses to report: a failure names none.
#pragma once

#define PLUMO_RETURN_ADDRESS() static_cast<uint64_t>(0)
