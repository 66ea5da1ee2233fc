#include <gtest/gtest.h>

#include <memory>

#include "solute/half_life.hpp"

namespace soilcolumn {
namespace {

// One soil compartment (N = 3) whose centre lies `depth` below the centre of
// compartment 1; substances with reference half-lives of 10 and 50 days.
std::unique_ptr<ModelState> column_at(float depth, float dew_point)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 3;
    st->substance_count = 2;
    st->centre_distance(2) = depth;
    st->centre_distance(3) = 0.1f;
    st->half_life(1) = 10.0f;
    st->half_life(2) = 50.0f;
    st->dew_point_temperature = dew_point;
    return st;
}

struct FactorCase {
    const char* what;
    float depth;      // m below the centre of compartment 1
    float dew_point;  // K
    float factor;     // of substance 1 (10 days)
};

// Expected factors by python3 in double precision from the anchor table
// (133, 8.33, 3, 1, 0.5 times the depth-adjusted half-life at 0, 5, 10, 20,
// 32 deg C, log-linear in between), with the temperature rounded to float as
// dew_point - 273.15f. Depth: e^(3 (z - 0.3)) from 0.3 m, e^1.8 from 0.9 m.
const FactorCase factor_cases[] = {
    {"just below 0 C halts degradation", 0.15f, 273.14f, 1.0E19f},  // 1e20 days / 10 days
    {"0 C is the 133 anchor", 0.15f, 273.15f, 133.0f},
    {"midway between 0 and 5 C", 0.15f, 275.65f, 33.284982f},  // sqrt(133 x 8.33)
    {"5 C opens the 5-10 interval", 0.15f, 278.15f, 8.33f},
    {"10 C", 0.15f, 283.15f, 3.0f},
    {"midway between 10 and 20 C", 0.15f, 288.15f, 1.7320508f},
    {"20 C: slope 0.08333 is not 1/12", 0.15f, 293.15f, 0.99997227f},
    {"32 C", 0.15f, 305.15f, 0.5f},
    {"above 32 C", 0.15f, 313.15f, 0.5f},
    {"exactly 0.3 m uses the exponential branch at factor 1", 0.3f, 283.15f, 3.0f},
    {"0.6 m: half-life grows by e^0.9", 0.6f, 283.15f, 7.3788093f},
    {"frost above 0.9 m is not scaled by depth", 0.6f, 273.14f, 1.0E19f},
    {"just above 0.9 m at 10 C nearly meets the deep value", 0.8999f, 283.15f, 18.143498f},
    {"exactly 0.9 m: 3 e^1.8 in frost", 0.9f, 273.14f, 18.148942f},
    {"exactly 0.9 m: 3 e^1.8 in heat", 0.9f, 313.15f, 18.148942f},
    {"deep: 3 e^1.8", 2.0f, 278.15f, 18.148942f},
};

// The factor does not depend on the substance, except in frost where the
// effective half-life is a fixed 1e20 days: then it scales with 1 / reference
// half-life (10 / 50 for substance 2).
TEST(HalfLifeFactor, FollowsDepthAndTemperatureAnchors)
{
    for (const auto& tc : factor_cases) {
        SCOPED_TRACE(tc.what);
        auto st = column_at(tc.depth, tc.dew_point);
        compute_half_life_factors(*st);
        EXPECT_NEAR(st->half_life_factor(2, 1), tc.factor, 2.0e-5f * tc.factor);
        const bool frost = tc.dew_point < 273.15f && tc.depth < 0.9f;
        const float second = frost ? tc.factor * 0.2f : tc.factor;
        EXPECT_NEAR(st->half_life_factor(2, 2), second, 2.0e-5f * second);
    }
}

}  // namespace
}  // namespace soilcolumn
