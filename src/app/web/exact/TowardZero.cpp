// The program's double arithmetic on the web, where WebAssembly rounds to
// nearest and never traps: each operation of the program's code becomes a
// call here (see toward-zero-cc.py), which gives the result rounded toward
// zero, exactly, and raises the failure the desktop's invalid-operation trap
// raises. A rounded-to-nearest result and its exact error say whether it was
// rounded away from zero; then its neighbour toward zero is the answer.
// Results in the subnormal range are not corrected (the game never has any).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void Invalid(const char* operation) {
    throw std::domain_error(std::string("invalid floating-point operation (") + operation + ")");
}

// For a non-zero finite value or an infinity: the next double toward zero
// (the largest finite one for an infinity).
double TowardZeroNeighbour(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    --bits;
    std::memcpy(&value, &bits, sizeof bits);
    return value;
}

// `rounded` with the exact error `error` of the operation that gave it.
double Corrected(double rounded, double error) {
    return error != 0 && std::signbit(error) != std::signbit(rounded) ? TowardZeroNeighbour(rounded)
                                                                      : rounded;
}

// An infinity from finite operands is an overflow: toward zero, the largest
// finite value of that sign.
double Overflowed(double result, bool exactInfinity) {
    return exactInfinity ? result : TowardZeroNeighbour(result);
}

}  // namespace

extern "C" {

double morva_rz_add(double a, double b) {
    const double sum = a + b;
    if (std::isnan(sum)) {
        if (!std::isnan(a) && !std::isnan(b)) {
            Invalid("infinities of opposite signs added");
        }
        return sum;
    }
    if (std::isinf(sum)) {
        return Overflowed(sum, std::isinf(a) || std::isinf(b));
    }
    const double bPart = sum - a;
    const double error = (a - (sum - bPart)) + (b - bPart);
    return Corrected(sum, error);
}

double morva_rz_sub(double a, double b) {
    return morva_rz_add(a, -b);
}

double morva_rz_mul(double a, double b) {
    const double product = a * b;
    if (std::isnan(product)) {
        if (!std::isnan(a) && !std::isnan(b)) {
            Invalid("zero times infinity");
        }
        return product;
    }
    if (std::isinf(product)) {
        return Overflowed(product, std::isinf(a) || std::isinf(b));
    }
    if (product == 0) {
        return product;
    }
    return Corrected(product, std::fma(a, b, -product));
}

double morva_rz_div(double a, double b) {
    const double quotient = a / b;
    if (std::isnan(quotient)) {
        if (!std::isnan(a) && !std::isnan(b)) {
            Invalid(b == 0 ? "zero divided by zero" : "infinity divided by infinity");
        }
        return quotient;
    }
    if (std::isinf(quotient)) {
        return Overflowed(quotient, std::isinf(a) || b == 0);
    }
    if (quotient == 0 || std::isinf(b)) {
        return quotient;
    }
    // The exact quotient is quotient + remainder / b.
    const double remainder = std::fma(-quotient, b, a);
    return remainder != 0 && (std::signbit(remainder) != std::signbit(b)) != std::signbit(quotient)
               ? TowardZeroNeighbour(quotient)
               : quotient;
}

double morva_rz_sqrt(double x) {
    const double root = std::sqrt(x);
    if (std::isnan(root)) {
        if (!std::isnan(x)) {
            Invalid("square root of a negative number");
        }
        return root;
    }
    if (root == 0 || std::isinf(root)) {
        return root;
    }
    return std::fma(-root, root, x) < 0 ? TowardZeroNeighbour(root) : root;
}

// Conversions to integers truncate anyway; out of range, or not a number, the
// desktop's conversion instruction raises the invalid operation.
int32_t morva_rz_to_i32(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) {
        Invalid("conversion to a 32-bit integer out of range");
    }
    return static_cast<int32_t>(x);
}

int64_t morva_rz_to_i64(double x) {
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) {
        Invalid("conversion to a 64-bit integer out of range");
    }
    return static_cast<int64_t>(x);
}

// The desktop converts through a signed 64-bit integer; a negative value wraps.
uint32_t morva_rz_to_u32(double x) {
    return static_cast<uint32_t>(morva_rz_to_i64(x));
}

uint64_t morva_rz_to_u64(double x) {
    constexpr double kHalfRange = 9223372036854775808.0;
    if (std::isnan(x) || x >= 2 * kHalfRange) {
        Invalid("conversion to an unsigned 64-bit integer out of range");
    }
    if (x < kHalfRange) {
        return static_cast<uint64_t>(morva_rz_to_i64(x));
    }
    return static_cast<uint64_t>(static_cast<int64_t>(x - kHalfRange)) ^ (uint64_t{1} << 63);
}

}  // extern "C"
