// The 128-bit expansion of exact_decimal, and the rounding without any
// expansion of ExactValue, against the wide-integer expansion on random
// and edge values of both precisions: same digits, count, exponent and sign;
// and the F and G fields built on them, rounded half away from zero, follow.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "records/decimal.hpp"
#include "records/format.hpp"

namespace soilcolumn::records {
namespace {

void expect_same_expansion(double value)
{
    const DecimalDigits fast = exact_decimal(value);
    const DecimalDigits wide = exact_decimal_by_wide_integer(value);
    ASSERT_EQ(fast.count, wide.count) << value;
    ASSERT_EQ(fast.exponent, wide.exponent) << value;
    ASSERT_EQ(fast.negative, wide.negative) << value;
    for (int i = 0; i < fast.count; ++i) {
        ASSERT_EQ(fast.digits[static_cast<std::size_t>(i)], wide.digits[static_cast<std::size_t>(i)])
            << value << " digit " << i;
    }
}

std::vector<double> edge_values()
{
    std::vector<double> v = {0.0, -0.0, 1.0, -1.0, 0.5, 0.125, 0.0625, 1.5, 2.5, 0.25, 0.05, 0.005,
                             9.5, 99.5, 999.5, 0.95, 0.995, 1.0E7, 1.0E15, 1.0E16, 1.0E17, 1.0E19, 1.0E20,
                             1.0E38, 1.0E39, 3.4028234663852886e38, 0.1, 0.2, 0.3, 86400.0, 1096.0, 3600.0,
                             std::ldexp(1.0, 127), std::ldexp(1.0, 128), std::ldexp(1.0, 129),
                             std::ldexp(1.0, -55), std::ldexp(1.0, -56), std::ldexp(3.0, -55),
                             std::ldexp(1.0, -149), std::ldexp(1.0, -1074), std::ldexp(1.0, 1023),
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                             std::numeric_limits<float>::max(), std::numeric_limits<float>::min(),
                             std::numeric_limits<float>::denorm_min(), 0.1f, 0.3f, 1.235f, 1.2345f, 0.05f,
                             0.025f, 0.42f, 1.0E-6f, 1.0E-20f, 1.0E-30f, 1.0E-38f, 18446744073709551615.0,
                             9999999.5, 0.00049999999999999999, 12345678901234567890.0};
    // Ties at every position a record rounds at: k + 0.5 scaled by 10^-j
    // as floats and doubles (only the binary-exact ones are true ties).
    for (int j = 0; j <= 8; ++j) {
        for (int k = 0; k < 40; ++k) {
            const double tie = (k + 0.5) / std::pow(10.0, j);
            v.push_back(tie);
            v.push_back(static_cast<float>(tie));
            v.push_back(std::ldexp(2 * k + 1, -j - 1));
        }
    }
    return v;
}

TEST(ExactDecimal, AgreesWithTheWideIntegerOnEdgeValues)
{
    for (const double value : edge_values()) {
        expect_same_expansion(value);
        expect_same_expansion(-value);
    }
}

// Calls check(value) for random bit patterns of both precisions (every
// binary exponent; non-finite patterns are skipped), then for log-uniform
// values between 10^-decades and 10^decades as doubles and as floats.
template <typename Check>
void for_random_values(std::uint64_t seed, int count, double decades, Check check)
{
    std::mt19937_64 random(seed);
    for (int i = 0; i < count; ++i) {
        const std::uint64_t bits = random();
        const double as_double = std::bit_cast<double>(bits);
        const float as_float = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        if (std::isfinite(as_double)) {
            check(as_double);
        }
        if (std::isfinite(as_float)) {
            check(as_float);
        }
    }
    std::uniform_real_distribution<double> exponent(-decades, decades);
    for (int i = 0; i < count; ++i) {
        const double value = std::pow(10.0, exponent(random));
        check(value);
        check(static_cast<float>(value));
    }
}

// Random bit patterns cover every binary exponent of both precisions:
// the 128-bit path, the boundary of its range and the wide fallback; the
// log-uniform values are of the magnitudes the result files show.
TEST(ExactDecimal, AgreesWithTheWideIntegerOnRandomValues)
{
    for_random_values(1616, 200000, 12.0, [](double value) { expect_same_expansion(value); });
}

void expect_same_rounding(double value, int keep)
{
    const DecimalDigits direct = ExactValue(value).rounded(keep);
    const DecimalDigits reference = round_to_digits(exact_decimal_by_wide_integer(value), keep);
    ASSERT_EQ(direct.count, reference.count) << value << " keep " << keep;
    ASSERT_EQ(direct.exponent, reference.exponent) << value << " keep " << keep;
    ASSERT_EQ(direct.negative, reference.negative) << value << " keep " << keep;
    for (int i = 0; i < direct.count; ++i) {
        ASSERT_EQ(direct.digits[static_cast<std::size_t>(i)], reference.digits[static_cast<std::size_t>(i)])
            << value << " keep " << keep << " digit " << i;
    }
}

// Every rounding position a field can ask for, and beyond: none kept, the
// first digit alone, the 18 of the integer path, the capacity of 20.
void expect_same_rounding_at_every_position(double value)
{
    ASSERT_EQ(ExactValue(value).exponent(), exact_decimal_by_wide_integer(value).exponent) << value;
    for (int keep = -2; keep <= DecimalDigits::capacity + 1; ++keep) {
        expect_same_rounding(value, keep);
    }
}

// Values on both sides of the ties of short decimals (x.xx5 and the like)
// and of the powers of ten, at the float and the double nearest to each.
std::vector<double> near_ties()
{
    std::vector<double> v;
    for (int j = -40; j <= 40; ++j) {
        for (const double digits : {1.0, 5.0, 9.5, 9.95, 1.005, 2.675, 1.235, 9.9999995, 4.4999999999999995}) {
            const double x = digits * std::pow(10.0, j);
            const auto f = static_cast<float>(x);
            for (const double y : {x, std::nextafter(x, 0.0), std::nextafter(x, 1e308), static_cast<double>(f),
                                   static_cast<double>(std::nextafter(f, 0.0f)),
                                   static_cast<double>(std::nextafter(f, 1e38f))}) {
                v.push_back(y);
            }
        }
    }
    return v;
}

TEST(ExactValue, AgreesWithTheRoundedWideExpansionOnEdgeValuesAndNearTies)
{
    for (const std::vector<double>& values : {edge_values(), near_ties()}) {
        for (const double value : values) {
            expect_same_rounding_at_every_position(value);
            expect_same_rounding_at_every_position(-value);
        }
    }
}

// Random bit patterns reach every binary exponent: the shift, 64-bit and
// 128-bit divisions and the fallback to the expansion where 128 bits end.
TEST(ExactValue, AgreesWithTheRoundedWideExpansionOnRandomValues)
{
    for_random_values(2718, 20000, 15.0, [](double value) { expect_same_rounding_at_every_position(value); });
}

// Binary-exact ties round away from zero; a value stored just below a tie
// rounds down.
TEST(ExactDecimal, FieldsRoundTiesHalfAwayFromZero)
{
    struct FieldCase {
        const char* what;
        bool general;
        float value;
        int w;
        int d;
        const char* text;
    };
    const FieldCase cases[] = {
        {"0.25 in F6.1", false, 0.25f, 6, 1, "    .3"},
        {"-0.25 in F6.1", false, -0.25f, 6, 1, "   -.3"},
        {"0.125 in F6.2", false, 0.125f, 6, 2, "   .13"},
        {"1.005f lies below the tie", false, 1.005f, 6, 2, "  1.00"},
        {"2.5 in F6.0", false, 2.5f, 6, 0, "    3."},
        {"0.03125 in G10.3", true, 0.03125f, 10, 3, "  .313E-01"},
        {"-0.03125 in G10.3", true, -0.03125f, 10, 3, " -.313E-01"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.what);
        EXPECT_EQ(tc.general ? render_general(tc.value, tc.w, tc.d) : render_fixed(tc.value, tc.w, tc.d), tc.text);
    }
}

}  // namespace
}  // namespace soilcolumn::records
