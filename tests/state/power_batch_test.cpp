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

}  // namespace
}  // namespace soilcolumn
