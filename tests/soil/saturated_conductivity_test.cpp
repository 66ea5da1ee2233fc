#include <gtest/gtest.h>

#include <cmath>

#include "soil/saturated_conductivity.hpp"
#include "soil/texture.hpp"

namespace soilcolumn {
namespace {

// Expected conductivities come from an independent python3 evaluation of
// the estimation formulas in binary32 (every arithmetic step rounded to
// float, exp/log/pow from libm's float versions via ctypes).

constexpr float given_conductivity = 1.0e-6f;

struct Estimate {
    float conductivity;
    float organic_matter_fraction;
};

Estimate estimate(const TextureVector& texture, float bulk_density, float porosity,
                  float organic_matter_fraction, std::int32_t method)
{
    const SaturatedConductivityEstimate e =
        estimate_saturated_conductivity(texture, bulk_density, porosity, given_conductivity,
                                        organic_matter_fraction, method, 3.3f, 0.30f);
    return {e.saturated_conductivity, e.organic_matter_fraction};
}

TEST(SaturatedConductivity, EveryMethodOnALoam)
{
    // Loam, porosity 0.45, 2 % organic matter, bulk density
    // 0.55 * (2650 - 1150 * 0.02) = 1444.85 kg/m3, GHM point (3.3 m, 0.30).
    const TextureVector loam = texture_of(0.20f, 0.40f, 0.38f, 0.02f);
    struct Case { std::int32_t method; float expected; };
    const Case cases[] = {
        {1, given_conductivity},  {0, given_conductivity}, {9, given_conductivity},
        {-3, given_conductivity}, {2, 9.66963967e-07f},     {3, 1.98963153e-06f},
        {4, 3.97494568e-06f},     {5, 1.28059139e-06f},     {6, 1.62432912e-06f},
        {7, 1.20205314e-05f},     {8, 1.11659983e-05f},
    };
    for (const Case& c : cases) {
        const Estimate e = estimate(loam, 1444.85f, 0.45f, 0.02f, c.method);
        EXPECT_NEAR(e.conductivity, c.expected, 1e-5f * c.expected) << "method " << c.method;
        EXPECT_EQ(e.organic_matter_fraction, 0.02f) << "method " << c.method;
    }
}

TEST(SaturatedConductivity, SpecialCasesOfTheMethods)
{
    struct Case {
        const char* what;
        TextureVector texture;
        float bulk_density, porosity, organic_matter, expected, organic_matter_after;
        std::int32_t method;
    };
    const Case cases[] = {
        {"no organic matter is raised to 1e-5", texture_of(0.20f, 0.40f, 0.38f, 0.02f),
         1444.85f, 0.45f, 0.0f, 6.56517077e-05f, 1.0e-5f, 3},
        {"sand 0.5 takes the loam/clay regression", texture_of(0.2f, 0.28f, 0.5f, 0.02f),
         1500.0f, 0.43f, 0.01f, 5.85469479e-06f, 0.01f, 7},
        {"sand 0.51 takes the sandy regression", texture_of(0.2f, 0.27f, 0.51f, 0.02f),
         1500.0f, 0.43f, 0.01f, 8.20299101e-06f, 0.01f, 7},
        {"pure sand: sigma_g = 1, dg = 1.025 mm", texture_of(0.0f, 0.0f, 1.0f, 0.0f),
         1500.0f, 0.40f, 0.0f, 2.94403471e-05f, 0.0f, 2},
    };
    for (const Case& c : cases) {
        const Estimate e =
            estimate(c.texture, c.bulk_density, c.porosity, c.organic_matter, c.method);
        EXPECT_NEAR(e.conductivity, c.expected, 1e-5f * c.expected) << c.what;
        EXPECT_EQ(e.organic_matter_fraction, c.organic_matter_after) << c.what;
    }
}

TEST(SaturatedConductivity, TextureRegressionIgnoresPorosityDensityAndOrganicMatter)
{
    const TextureVector loam = texture_of(0.20f, 0.40f, 0.38f, 0.02f);
    const float reference = estimate(loam, 1444.85f, 0.45f, 0.02f, 4).conductivity;
    EXPECT_EQ(estimate(loam, 1200.0f, 0.55f, 0.0f, 4).conductivity, reference);
    EXPECT_EQ(estimate(loam, 1700.0f, 0.30f, 0.05f, 4).conductivity, reference);
}

}  // namespace
}  // namespace soilcolumn
