// WebAssembly code has no addresses to report: a failure names none.
#pragma once

#define PLUMO_RETURN_ADDRESS() uint64_t{0}
