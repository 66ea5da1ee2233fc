// Numbers in the exports: the shortest text that reads back to the same
// binary value, whatever the locale.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>

#include "exports/number_text.hpp"

namespace soilcolumn::exports {
namespace {

// Expected texts by hand: the fewest digits that identify the value among
// its neighbours of the same width.
struct TextCase {
    Number value;
    const char* expected;
};
const TextCase text_cases[] = {
    {0.1f, "0.1"},                       // a float is not widened to double digits
    {0.1, "0.1"},
    {static_cast<double>(0.1f), "0.10000000149011612"},  // the double of the float 0.1
    {3600.0f, "3600"},                   // no trailing ".0" or exponent
    {1.0e-5f, "1e-05"},
    {-2.5f, "-2.5"},
    {16777217.0f, "16777216"},           // 2^24 + 1 is not a float: it rounds to 2^24
    {1.0f / 3.0f, "0.33333334"},         // 8 digits are needed, not 9
    {-0.0f, "-0"},
    {std::numeric_limits<float>::quiet_NaN(), "NaN"},
    {std::numeric_limits<float>::infinity(), "Inf"},
    {-std::numeric_limits<double>::infinity(), "-Inf"},
    {std::int64_t{-42}, "-42"},
    {std::int64_t{9007199254740993}, "9007199254740993"},  // beyond the doubles' integers
};

TEST(NumberText, WritesTheShortestText)
{
    for (const TextCase& c : text_cases) {
        EXPECT_EQ(number_text(c.value), c.expected);
    }
}

// Floats that stress the shortest-digit search: the smallest subnormal,
// the largest finite, neighbours of powers of ten and of 2^24.
TEST(NumberText, EveryFloatReadsBackBitForBit)
{
    std::vector<float> values{std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::max(),
                              std::nextafter(1.0f, 2.0f),
                              std::nextafter(0.001f, 0.0f),
                              9.999999e-4f,
                              16777216.0f,
                              std::nextafter(16777216.0f, 0.0f),
                              95000.0f,
                              0.001f};
    // A sweep over the bit patterns of positive floats.
    for (std::uint32_t bits = 0x00000001u; bits < 0x7f800000u; bits += 0x000f4243u) {
        values.push_back(std::bit_cast<float>(bits));
    }
    for (const float value : values) {
        const std::string text = number_text(value);
        float parsed = 0.0f;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        ASSERT_EQ(error, std::errc{}) << text;
        ASSERT_EQ(end, text.data() + text.size()) << text;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(parsed), std::bit_cast<std::uint32_t>(value)) << text;
    }
}

// A decimal comma in the global locale must not reach the files.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(NumberText, IgnoresTheLocale)
{
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string text = number_text(0.25f);
    std::locale::global(before);
    EXPECT_EQ(text, "0.25");
}

}  // namespace
}  // namespace soilcolumn::exports
