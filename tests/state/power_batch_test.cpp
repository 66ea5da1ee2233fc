#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "state/power_batch.hpp"

namespace soilcolumn {
namespace {

// Distance in units of the last place between two positive finite floats.
std::int64_t ulps_apart(float a, float b)
{
    return std::llabs(std::int64_t{std::bit_cast<std::int32_t>(a)} - std::bit_cast<std::int32_t>(b));
}

std::vector<float> bases(std::size_t count)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> base(0.0f, 2.0f);
    std::vector<float> values(count);
    for (float& v : values) v = base(generator);
    if (count > 0) values[0] = 0.0f;  // the dry face's base
    if (count > 2) values[2] = 1.0f;
    return values;
}

// Lengths around the vector width of eight: the last few values fill one more vector.
TEST(RaiseEach, ClassicIsPowfBitForBitAndVectorisedWithinOneUnit)
{
    for (std::size_t count : {0u, 1u, 7u, 8u, 9u, 16u, 23u, 98u}) {
        for (float exponent : {3.333f, 0.5f, -1.7f, 2.0f}) {
            SCOPED_TRACE(testing::Message() << count << " values to the power " << exponent);
            const std::vector<float> x = bases(count);
            // Every third exponent differs: each value is raised to its own.
            std::vector<float> exponents(count, exponent);
            for (std::size_t i = 1; i < count; i += 3) exponents[i] = exponent + 0.25f;
            std::vector<float> classic = x;
            std::vector<float> vectorised = x;
            raise_each(classic, exponents, false);
            raise_each(vectorised, exponents, true);
            for (std::size_t i = 0; i < count; ++i) {
                const float expected = std::pow(x[i], exponents[i]);
                EXPECT_EQ(std::bit_cast<std::uint32_t>(classic[i]), std::bit_cast<std::uint32_t>(expected)) << i;
                if (std::isinf(expected)) {
                    EXPECT_EQ(vectorised[i], expected) << i;
                } else {
                    EXPECT_LE(ulps_apart(vectorised[i], expected), vector_powers_available() ? 1 : 0) << i;
                }
            }
        }
    }
}

// Requests that a memo would answer itself, from what it holds or without
// powf, stay out of the batch; the others are raised and handed over.
TEST(PowerRequests, RaisesOnlyWhatTheMemosWouldRaise)
{
    struct Case {
        const char* name;
        float base, exponent;
        bool held, raised;
    };
    const Case cases[] = {
        {"new power", 2.5f, 0.9f, false, true},
        {"held power", 2.5f, 0.9f, true, false},
        {"exponent one", 2.5f, 1.0f, false, false},
        {"exponent zero", 2.5f, 0.0f, false, false},
        {"base zero", 0.0f, 0.9f, false, false},
        {"negative base", -2.5f, 0.9f, false, false},
        {"base whose power overflows", 1e30f, 3.0f, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        PowerMemo memo;
        if (k.held) memo.remember(k.base, k.exponent, 42.0f);
        PowerRequests requests;
        requests.add_unless_known(memo, k.base, k.exponent);
        ASSERT_EQ(requests.size(), k.raised ? 1 : 0);
        requests.raise_and_hand_over();
        const float expected = k.held ? 42.0f : std::pow(k.base, k.exponent);
        const float got = memo.pow(k.base, k.exponent);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(got));
        } else if (std::isinf(expected) || expected == 0.0f) {
            EXPECT_EQ(got, expected);
        } else {
            EXPECT_LE(ulps_apart(got, expected), 1);
        }
    }
}

}  // namespace
}  // namespace soilcolumn
