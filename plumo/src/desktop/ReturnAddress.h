// Where the function that uses it will return to, as a number: the address
// a failure reports it was raised at.
#pragma once

#define PLUMO_RETURN_ADDRESS() reinterpret_cast<uint64_t>(__builtin_return_address(0))
