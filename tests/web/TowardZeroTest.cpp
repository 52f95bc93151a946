// The web build's toward-zero arithmetic, checked on the desktop against the
// processor's own toward-zero mode: the same bits for every operation, and the
// same invalid operations refused.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>

extern "C" {
double morva_rz_add(double a, double b);
double morva_rz_sub(double a, double b);
double morva_rz_mul(double a, double b);
double morva_rz_div(double a, double b);
double morva_rz_sqrt(double x);
int32_t morva_rz_to_i32(double x);
int64_t morva_rz_to_i64(double x);
}

namespace {

enum class Op { Add, Sub, Mul, Div, Sqrt };

// The processor's answer; volatile keeps the compiler from folding it.
double TowardZero(Op op, double a, double b) {
    volatile double x = a, y = b;
    std::fesetround(FE_TOWARDZERO);
    double result = 0;
    switch (op) {
        case Op::Add:
            result = x + y;
            break;
        case Op::Sub:
            result = x - y;
            break;
        case Op::Mul:
            result = x * y;
            break;
        case Op::Div:
            result = x / y;
            break;
        case Op::Sqrt:
            result = std::sqrt(x);
            break;
    }
    volatile double kept = result;
    std::fesetround(FE_TONEAREST);
    return kept;
}

double Exact(Op op, double a, double b) {
    switch (op) {
        case Op::Add:
            return morva_rz_add(a, b);
        case Op::Sub:
            return morva_rz_sub(a, b);
        case Op::Mul:
            return morva_rz_mul(a, b);
        case Op::Div:
            return morva_rz_div(a, b);
        case Op::Sqrt:
            return morva_rz_sqrt(a);
    }
    return 0;
}

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Case {
    Op op;
    double a, b;
};

// Where rounding to nearest and toward zero part: halfway and just-above
// errors of both signs, signed zeros, powers of two, overflow, and the game's
// everyday values.
constexpr Case kEdges[] = {
    {Op::Add, 0.1, 0.2},
    {Op::Add, -0.1, -0.2},
    {Op::Add, 1.0, 1e-16},
    {Op::Add, 1.0, -1e-17},
    {Op::Add, -1.0, 1e-17},
    {Op::Add, 0.0, -0.0},
    {Op::Add, -0.0, -0.0},
    {Op::Add, 5.0, -5.0},
    {Op::Add, kMax, kMax},
    {Op::Add, -kMax, -kMax},
    {Op::Add, kInf, 1.0},
    {Op::Sub, 1.0, 0.9},
    {Op::Sub, 0.3, 0.1},
    {Op::Sub, -kMax, kMax},
    {Op::Sub, 2.0, 2.0},
    {Op::Mul, 0.1, 3.0},
    {Op::Mul, -0.1, 3.0},
    {Op::Mul, 1.1, 1.1},
    {Op::Mul, kMax, 2.0},
    {Op::Mul, -kMax, 2.0},
    {Op::Mul, -0.0, 5.0},
    {Op::Mul, kInf, -2.0},
    {Op::Div, 1.0, 3.0},
    {Op::Div, -1.0, 3.0},
    {Op::Div, 2.0, -3.0},
    {Op::Div, 1.0, 0.0},
    {Op::Div, -1.0, 0.0},
    {Op::Div, kMax, 0.5},
    {Op::Div, 6.0, 3.0},
    {Op::Div, 1.0, kInf},
    {Op::Div, 1600.0, 60.0},
    {Op::Sqrt, 2.0, 0},
    {Op::Sqrt, 3.0, 0},
    {Op::Sqrt, 4.0, 0},
    {Op::Sqrt, -0.0, 0},
    {Op::Sqrt, kInf, 0},
    {Op::Sqrt, 1e300, 0},
    {Op::Add, 0.5, 0x1p-53},
    {Op::Add, 1.0, 0x1p-53},
    {Op::Add, 1.0, -0x1p-54},
    {Op::Mul, 0x1p-500, 0x1p-500},
};

void ExpectSameBits(const Case& c) {
    const double want = TowardZero(c.op, c.a, c.b), got = Exact(c.op, c.a, c.b);
    EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(want))
        << "op " << static_cast<int>(c.op) << " of " << c.a << " and " << c.b << ": got " << got
        << ", want " << want;
}

TEST(TowardZero, EdgesGiveTheProcessorsBits) {
    for (const Case& c : kEdges) {
        ExpectSameBits(c);
    }
}

TEST(TowardZero, RandomOperandsGiveTheProcessorsBits) {
    std::mt19937_64 random(23);
    std::uniform_real_distribution<double> mantissa(-2.0, 2.0);
    std::uniform_int_distribution<int> exponent(-60, 60);
    int mismatches = 0;
    for (int i = 0; i < 200'000 && mismatches < 5; ++i) {
        const Op op = static_cast<Op>(i % 5);
        const double a = std::ldexp(mantissa(random), exponent(random));
        const double b = std::ldexp(mantissa(random), exponent(random));
        const Case c{op, op == Op::Sqrt ? std::fabs(a) : a, b};
        const double want = TowardZero(c.op, c.a, c.b), got = Exact(c.op, c.a, c.b);
        if (std::bit_cast<uint64_t>(got) != std::bit_cast<uint64_t>(want)) {
            ++mismatches;
            ADD_FAILURE() << "op " << i % 5 << " of " << c.a << " and " << c.b;
        }
    }
}

// What traps on the desktop is refused here; what does not trap goes through.
TEST(TowardZero, InvalidOperationsAreRefused) {
    const struct {
        Case c;
        bool refused;
    } cases[] = {
        {{Op::Add, kInf, -kInf}, true}, {{Op::Sub, kInf, kInf}, true},
        {{Op::Mul, 0.0, kInf}, true},   {{Op::Div, 0.0, 0.0}, true},
        {{Op::Div, kInf, -kInf}, true}, {{Op::Sqrt, -1.0, 0}, true},
        {{Op::Add, NAN, 1.0}, false},   {{Op::Mul, NAN, 0.0}, false},
        {{Op::Div, 1.0, 0.0}, false},   {{Op::Sqrt, -0.0, 0}, false},
    };
    for (const auto& [c, refused] : cases) {
        bool threw = false;
        try {
            Exact(c.op, c.a, c.b);
        } catch (const std::domain_error& failure) {
            threw = std::string(failure.what()).starts_with("invalid floating-point operation");
        }
        EXPECT_EQ(threw, refused) << "op " << static_cast<int>(c.op) << " of " << c.a << ", "
                                  << c.b;
    }
    EXPECT_THROW(morva_rz_to_i32(3e9), std::domain_error);
    EXPECT_THROW(morva_rz_to_i64(NAN), std::domain_error);
    EXPECT_THROW(morva_rz_to_i64(1e19), std::domain_error);
    EXPECT_EQ(morva_rz_to_i32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(morva_rz_to_i64(-7.9), -7);
}

}  // namespace
