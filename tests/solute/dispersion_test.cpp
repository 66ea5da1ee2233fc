#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "solute/dispersion.hpp"

namespace soilcolumn {
namespace {

struct FaceCase {
    const char* what;
    float theta_above, theta_below;
    float porosity_above, porosity_below;
    float aggregate_above, aggregate_below;
    float dz_above, dz_below;
    float half_flux;     // m/s
    float dispersivity;  // m
    float centre_distance;
    float water_diffusion, air_diffusion, henry;
    double expected;  // m2/s
};

// Expected values by python3 in double precision: harmonic face means
// (d1 + d2) x1 x2 / (d2 x1 + d1 x2), tortuosities theta^3.333 / phi^2 and
// (phi - theta)^3.333 / phi^2, pore water speed |2 F / theta|, dispersivity
// reduced by 0.57 x centre distance; the coefficient is
// (phi - theta) H Da tau_g + (theta - a) (Dw tau_l + speed lambda), or 0
// when the face holds no mobile water.
const FaceCase face_cases[] = {
    {"equal thickness", 0.3f, 0.2f, 0.4f, 0.45f, 0.05f, 0.1f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 6.5790578e-09},
    {"unequal thickness", 0.3f, 0.2f, 0.4f, 0.45f, 0.05f, 0.1f, 0.1f, 0.3f, 1e-07f, 0.1f, 0.2f, 1e-09f, 1e-05f, 0.01f, 7.2134921e-10},
    {"upward flux disperses alike", 0.3f, 0.2f, 0.4f, 0.45f, 0.05f, 0.1f, 0.1f, 0.1f, -1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 6.5790578e-09},
    {"dispersivity below 0.57 x distance: diffusion only", 0.3f, 0.2f, 0.4f, 0.45f, 0.05f, 0.1f, 0.1f, 0.1f, 1e-07f, 0.05f, 0.1f, 1e-09f, 1e-05f, 0.01f, 3.6794665e-10},
    {"no flux: diffusion only", 0.3f, 0.2f, 0.4f, 0.45f, 0.05f, 0.1f, 0.1f, 0.1f, 0.0f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 3.6794665e-10},
    {"no mobile water: not even gas diffusion", 0.1f, 0.1f, 0.4f, 0.45f, 0.1f, 0.1f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 1.0f, 0.0},
    {"saturated: no gas diffusion", 0.4f, 0.4f, 0.4f, 0.4f, 0.05f, 0.1f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 7.2649375e-09},
    {"no aggregates on either side", 0.3f, 0.2f, 0.4f, 0.45f, 0.0f, 0.0f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 8.9711410e-09},
    {"both dry", 0.0f, 0.0f, 0.4f, 0.45f, 0.0f, 0.0f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 0.0},
    {"one dry", 0.0f, 0.2f, 0.4f, 0.45f, 0.0f, 0.0f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 0.0},
    {"no pore space", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.1f, 0.1f, 1e-07f, 0.1f, 0.1f, 1e-09f, 1e-05f, 0.01f, 0.0},
};

// Two soil compartments (N = 4): the interior face 3 between them.
std::unique_ptr<ModelState> two_compartments(const FaceCase& fc)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 4;
    st->substance_count = 1;
    st->water_content(2) = fc.theta_above;
    st->water_content(3) = fc.theta_below;
    st->porosity(2) = fc.porosity_above;
    st->porosity(3) = fc.porosity_below;
    st->aggregate_porosity(2) = fc.aggregate_above;
    st->aggregate_porosity(3) = fc.aggregate_below;
    st->compartment_thickness(2) = fc.dz_above;
    st->compartment_thickness(3) = fc.dz_below;
    st->half_face_flux(3) = fc.half_flux;
    st->dispersivity = fc.dispersivity;
    st->centre_distance(3) = fc.centre_distance;
    st->water_diffusion_coefficient(1) = fc.water_diffusion;
    st->air_diffusion_coefficient(1) = fc.air_diffusion;
    st->henry_constant(1) = fc.henry;
    return st;
}

// The surface and the lower boundary exchange nothing by dispersion: faces
// 2 and N keep the zero of program start (marker -1 at face N: never written).
TEST(DispersionCoefficient, CombinesDispersionAndDiffusionAtAFace)
{
    for (const auto& fc : face_cases) {
        SCOPED_TRACE(fc.what);
        auto st = two_compartments(fc);
        st->dispersion_coefficient(3, 1) = -1.0f;
        st->dispersion_coefficient(4, 1) = -1.0f;
        st->half_face_flux(2) = 1e-6f;
        st->half_face_flux(4) = 1e-6f;
        compute_dispersion_coefficients(*st);
        const float d = st->dispersion_coefficient(3, 1);
        ASSERT_TRUE(std::isfinite(d));
        EXPECT_NEAR(d, fc.expected, 2.0e-5 * fc.expected);
        EXPECT_EQ(st->dispersion_coefficient(2, 1), 0.0f);
        EXPECT_EQ(st->dispersion_coefficient(4, 1), -1.0f);
    }
}

// The fast arithmetic raises the faces' tortuosity powers in batches: the
// same coefficients within a few units of the last place, and exactly zero
// where a face holds no mobile water or no pore space.
TEST(DispersionCoefficient, BatchedPowersAgreeWithFaceByFace)
{
    auto classic = std::make_unique<ModelState>();
    classic->compartment_count = 40;
    classic->substance_count = 2;
    classic->dispersivity = 0.05f;
    for (int s = 1; s <= 2; ++s) {
        classic->water_diffusion_coefficient(s) = 1e-9f * s;
        classic->air_diffusion_coefficient(s) = 1e-5f;
        classic->henry_constant(s) = 0.01f * s;
    }
    for (int c = 1; c <= 40; ++c) {
        classic->compartment_thickness(c) = 0.025f;
        classic->centre_distance(c) = 0.025f;
        classic->porosity(c) = c == 20 || c == 21 ? 0.0f : 0.4f;  // face 21: no pore space
        classic->aggregate_porosity(c) = 0.05f;
        // Wet to saturated (no air), then down to below the aggregates (no mobile water).
        classic->water_content(c) = c < 10 ? 0.4f : 0.4f - 0.012f * static_cast<float>(c - 9);
        classic->half_face_flux(c) = 1e-7f * static_cast<float>(c % 3 - 1);
    }
    auto fast = std::make_unique<ModelState>(*classic);
    fast->vector_powers = true;
    compute_dispersion_coefficients(*classic);
    compute_dispersion_coefficients(*fast);
    int zeros = 0;
    for (int c = 3; c <= 39; ++c) {
        for (int s = 1; s <= 2; ++s) {
            SCOPED_TRACE(testing::Message() << "face " << c << ", substance " << s);
            const float expected = classic->dispersion_coefficient(c, s);
            if (expected == 0.0f) {
                ++zeros;
                EXPECT_EQ(fast->dispersion_coefficient(c, s), 0.0f);
            } else {
                EXPECT_NEAR(fast->dispersion_coefficient(c, s), expected, 1e-6f * expected);
            }
        }
    }
    EXPECT_GT(zeros, 0);
}

}  // namespace
}  // namespace soilcolumn
