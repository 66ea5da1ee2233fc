#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "state/power_memo.hpp"

namespace soilcolumn {
namespace {

// The memo must give the bits powf gives, whatever it remembers; two NaNs
// count as the same result.
void expect_same_bits(float expected, float actual)
{
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual));
        return;
    }
    EXPECT_EQ(std::bit_cast<std::uint32_t>(expected), std::bit_cast<std::uint32_t>(actual))
        << expected << " vs " << actual;
}

struct PowerCase {
    const char* what;
    float x;
    float y;
};

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float tiny = std::numeric_limits<float>::denorm_min();

const PowerCase power_cases[] = {
    {"+0 to +0 (the initial pair)", 0.0f, 0.0f},
    {"+0 to a positive power", 0.0f, 0.9f},
    {"+0 to a negative power is infinite", 0.0f, -0.1f},
    {"-0 to an odd power keeps the sign", -0.0f, 3.0f},
    {"-0 to a non-integer power", -0.0f, 0.9f},
    {"-0 to a negative odd power", -0.0f, -1.0f},
    {"-0 to the first power", -0.0f, 1.0f},
    {"NaN to the zeroth power is 1", nan, 0.0f},
    {"NaN to the first power", nan, 1.0f},
    {"NaN to a power", nan, 0.9f},
    {"a power of NaN", 2.0f, nan},
    {"1 to a NaN power is 1", 1.0f, nan},
    {"a negative base to a non-integer power", -2.0f, 0.9f},
    {"a negative base to an integer power", -2.0f, 3.0f},
    {"a negative base to the first power", -2.5f, 1.0f},
    {"a negative exponent of zero", 7.0f, -0.0f},
    {"infinity to the first power", inf, 1.0f},
    {"infinity to a negative power", inf, -0.5f},
    {"minus infinity to an odd power", -inf, 3.0f},
    {"the smallest subnormal to the first power", tiny, 1.0f},
    {"a subnormal to a power", 1.0E-40f, 0.9f},
    {"a concentration to the Freundlich exponent", 0.0123f, 0.9f},
    {"a Freundlich slope", 0.0123f, -0.1f},
    {"a suction term", 1.2345f, 1.53f},
    {"an overflow", 1.0E30f, 3.333f},
    {"an underflow", 1.0E-30f, 3.333f},
};

TEST(PowerMemo, GivesTheBitsOfPowfOnFirstAndRepeatedCalls)
{
    for (const auto& tc : power_cases) {
        SCOPED_TRACE(tc.what);
        PowerMemo memo;
        const float expected = std::pow(tc.x, tc.y);
        expect_same_bits(expected, memo.pow(tc.x, tc.y));
        expect_same_bits(expected, memo.pow(tc.x, tc.y));  // remembered
        expect_same_bits(std::pow(0.5f, 0.5f), memo.pow(0.5f, 0.5f));
        expect_same_bits(expected, memo.pow(tc.x, tc.y));  // the second entry
    }
}

// A power handed to the memo is what the next call with its arguments
// returns, and it takes a place as a computed one would: of two handed
// over, both are kept; a third replaces the older.
TEST(PowerMemo, ReturnsWhatItIsHanded)
{
    PowerMemo memo;
    memo.remember(2.0f, 0.5f, 1.5f);
    memo.remember(3.0f, 0.5f, 2.5f);
    EXPECT_EQ(memo.pow(2.0f, 0.5f), 1.5f);
    EXPECT_EQ(memo.pow(3.0f, 0.5f), 2.5f);
    memo.remember(4.0f, 0.5f, 3.5f);
    EXPECT_EQ(memo.pow(3.0f, 0.5f), 2.5f);
    expect_same_bits(std::pow(2.0f, 0.5f), memo.pow(2.0f, 0.5f));
}

// A memo keyed on the value instead of the bits would return the result of
// +0 for -0, or miss NaN keys: pairs that compare equal but differ in bits
// must not share a result.
TEST(PowerMemo, TellsApartArgumentsThatCompareEqual)
{
    PowerMemo memo;
    expect_same_bits(std::pow(0.0f, -1.0f), memo.pow(0.0f, -1.0f));
    expect_same_bits(std::pow(-0.0f, -1.0f), memo.pow(-0.0f, -1.0f));
    expect_same_bits(std::pow(0.0f, -1.0f), memo.pow(0.0f, -1.0f));
    expect_same_bits(std::pow(-0.0f, 3.0f), memo.pow(-0.0f, 3.0f));
}

// Random sequences of arguments with many repeats, as a step makes them:
// every call gives powf's bits, whichever entry it hits or replaces.
TEST(PowerMemo, AgreesWithPowfOnRepeatingSequences)
{
    std::mt19937 random(16);
    std::uniform_real_distribution<float> base(0.0f, 3.0f);
    std::uniform_real_distribution<float> exponent(-2.0f, 4.0f);
    std::uniform_int_distribution<int> pick(0, 3);
    std::vector<std::pair<float, float>> pool(4);
    PowerMemo memo;
    for (int i = 0; i < 20000; ++i) {
        if (pick(random) == 0) {
            pool[static_cast<std::size_t>(pick(random))] = {base(random), exponent(random)};
        }
        const auto [x, y] = pool[static_cast<std::size_t>(pick(random))];
        expect_same_bits(std::pow(x, y), memo.pow(x, y));
    }
}

// The shortcuts hold for every float base: pow(x, 0) = 1, pow(x, 1) = x.
TEST(PowerMemo, ShortcutsAgreeWithPowfOverTheWholeFloatRange)
{
    for (std::uint64_t bits = 0; bits <= 0xffffffffu; bits += 65537u) {
        const float x = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        PowerMemo memo;
        expect_same_bits(std::pow(x, 0.0f), memo.pow(x, 0.0f));
        expect_same_bits(std::pow(x, 1.0f), memo.pow(x, 1.0f));
        expect_same_bits(std::pow(std::fabs(x), 0.9f), memo.pow(std::fabs(x), 0.9f));
    }
}

}  // namespace
}  // namespace soilcolumn
