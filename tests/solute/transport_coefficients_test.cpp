#include <gtest/gtest.h>

#include <memory>

#include "stage/stage_coefficients.hpp"

namespace soilcolumn {
namespace {

constexpr float dew_point_10_celsius = 283.15f;  // with a shallow centre: half-life factor 3

// Three soil compartments of 0.1 m (N = 5) at rest (no water flux), one
// substance with Freundlich sorption and exchange between the regions.
// Compartment 2 carries the case under test.
std::unique_ptr<ModelState> resting_column()
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 5;
    st->substance_count = 1;
    st->dew_point_temperature = dew_point_10_celsius;
    st->half_life(1) = 10.0f;
    st->transfer_coefficient(1) = 1e-6f;
    st->irreversible_share(1) = 0.5f;
    st->surface_input_flux(1) = 1e-3f;
    for (int c = 1; c <= 5; ++c) {
        st->compartment_thickness(c) = 0.1f;
        st->centre_distance(c) = 0.1f;
        st->matric_potential(c) = 1.0f;
        st->porosity(c) = 0.4f;
        st->aggregate_porosity(c) = 0.1f;
        st->bulk_density(c) = 1500.0f;
        st->water_content(c) = 0.3f;
        st->immobile_water_content(c) = 0.1f;
        st->water_capacity(c) = 0.01f;
        st->sorption_coefficient(c, 1) = 0.5f;
        st->sorption_exponent(c, 1) = 0.9f;
        st->mobile_concentration(c, 1) = 2.0f;
        st->immobile_concentration(c, 1) = 1.0f;
        st->mobile_sorbed(c, 1) = 1.0f;
        st->immobile_sorbed(c, 1) = 0.5f;
    }
    st->centre_distance(2) = 0.05f;  // centre of compartment 2 lies 0.05 m deep
    return st;
}

// The coefficients of a stage that advances the current state.
void assemble(ModelState& st, float stage_step = 1.0f)
{
    assemble_step_coefficients(st, {stage_step, st.state, st.immobile_concentration});
}

// Expected values by python3: k = 0.69315 / (3 x 10 x 86400) = 2.6741898e-7 1/s;
// r = 0.1 / 0.4; Cm = 2, Cim = 1, n = 0.9, Kd rho = 750, dz = 0.1.
TEST(SoluteTerms, DegradationTransferAndIrreversibleRatesOfAWetCompartment)
{
    auto st = resting_column();
    assemble(*st);
    // -k (750 x 0.75 x 2^0.9 + 0.2 x 2) x 0.1
    EXPECT_NEAR(st->mobile_degradation(2, 1), -2.8080654e-05f, 2e-5f * 2.8080654e-05f);
    // -k (750 x 0.25 x 1 + 0.1 x 1) x 0.1
    EXPECT_NEAR(st->immobile_degradation(2, 1), -5.0167801e-06f, 2e-5f * 5.0167801e-06f);
    EXPECT_NEAR(st->transfer_rate(2, 1), 1e-7f, 1e-13f);  // (2 - 1) x 1e-6 x 0.1
    // A tenth of the dissolved mass per second: 0.2 x 2 x 0.1 x 0.1 and 1 x 0.1 x 0.1 x 0.1.
    EXPECT_NEAR(st->mobile_irreversible_rate(2, 1), 0.004f, 1e-9f);
    EXPECT_NEAR(st->immobile_irreversible_rate(2, 1), 0.001f, 1e-9f);
}

struct ThresholdCase {
    float aggregate_porosity;
    float theta;
    bool input_to_mobile;
    bool mobile_degradation;
    bool transfer;  // and irreversible sorption from mobile water
};

// Mobile water exists above the aggregate porosity; exchange with the
// immobile region and irreversible sorption from it need 0.001 more. Without
// aggregates there is no immobile region: a transfer into it would destroy
// mass, so there is none (checked with the transfer flag only).
const ThresholdCase threshold_cases[] = {
    {0.1f, 0.09f, false, false, false},
    {0.1f, 0.1f, false, false, false},
    {0.1f, 0.1005f, true, true, false},
    {0.1f, 0.1015f, true, true, true},
    {0.0f, 0.3f, true, true, false},
};

TEST(SoluteTerms, MobileWaterThresholds)
{
    for (const auto& tc : threshold_cases) {
        SCOPED_TRACE(tc.theta);
        auto st = resting_column();
        st->aggregate_porosity(2) = tc.aggregate_porosity;
        st->water_content(2) = tc.theta;
        st->immobile_water_content(2) = tc.theta < tc.aggregate_porosity ? tc.theta : tc.aggregate_porosity;
        assemble(*st);
        EXPECT_EQ(st->source_term(2, 1), tc.input_to_mobile ? 1e-3f : 0.0f);
        EXPECT_EQ(st->immobile_source(2, 1), tc.input_to_mobile ? 0.0f : 1e-3f);
        EXPECT_EQ(st->mobile_degradation(2, 1) < 0.0f, tc.mobile_degradation);
        EXPECT_EQ(st->transfer_rate(2, 1) > 0.0f, tc.transfer);
        if (tc.aggregate_porosity > 0.0f) {
            EXPECT_EQ(st->mobile_irreversible_rate(2, 1) > 0.0f, tc.transfer);
            EXPECT_LT(st->immobile_degradation(2, 1), 0.0f);  // always
        }
        EXPECT_EQ(st->source_term(3, 1), 0.0f);  // the surface input reaches compartment 2 only
    }
}

struct IrreversibleCase {
    const char* what;
    float stage_step;
    float aggregate_porosity;
    float sorbed;  // reversibly sorbed, both regions
    float store;   // irreversibly sorbed, both regions
    float mobile_rate;
    float immobile_rate;
};

// Dissolved mass: mobile 0.2 x 2 x 0.1 = 0.04, immobile 0.1 x 1 x 0.1 = 0.01
// g/m2 (aggregate porosity 0.1). Room under the cap: (0.5 sorbed - store)
// x 1500 x 0.1 x sorbent share (0.75 mobile, 0.25 immobile). The rate is the
// least of a tenth of the dissolved mass, dissolved mass / stage and
// room / stage (python3).
const IrreversibleCase irreversible_cases[] = {
    {"short stage: a tenth per second", 1.0f, 0.1f, 1.0f, 0.0f, 0.004f, 0.001f},
    {"long stage: no more than is dissolved", 3600.0f, 0.1f, 1.0f, 0.0f, 1.1111111e-05f, 2.7777778e-06f},
    {"little sorbed: no more than the room under the cap", 3600.0f, 0.1f, 1e-6f, 0.0f, 1.5625e-08f,
     5.2083333e-09f},
    {"store at its cap", 1.0f, 0.1f, 1.0f, 0.5f, 0.0f, 0.0f},
    {"no aggregates: the immobile region owns no sorbent", 1.0f, 0.0f, 1.0f, 0.0f, 0.004f, 0.0f},
};

TEST(SoluteTerms, IrreversibleSorptionNeverTakesMoreThanThereIsOrFits)
{
    for (const auto& tc : irreversible_cases) {
        SCOPED_TRACE(tc.what);
        auto st = resting_column();
        st->aggregate_porosity(2) = tc.aggregate_porosity;
        if (tc.aggregate_porosity == 0.0f) {
            // All water is mobile: 0.3 x 2 x 0.1 dissolved, a tenth of it per second.
            st->immobile_water_content(2) = 0.0f;
            st->water_content(2) = 0.2f;
        }
        st->mobile_sorbed(2, 1) = tc.sorbed;
        st->immobile_sorbed(2, 1) = tc.sorbed;
        st->mobile_irreversible_sorbed(2, 1) = tc.store;
        st->immobile_irreversible_sorbed(2, 1) = tc.store;
        assemble(*st, tc.stage_step);
        EXPECT_NEAR(st->mobile_irreversible_rate(2, 1), tc.mobile_rate, 1e-5f * tc.mobile_rate);
        EXPECT_NEAR(st->immobile_irreversible_rate(2, 1), tc.immobile_rate, 1e-5f * tc.immobile_rate);
    }
}

// A draining wet column with dispersion between the soil compartments.
TEST(SoluteTerms, DispersiveCouplingsStopAtSurfaceAndLowerBoundary)
{
    auto st = resting_column();
    st->dispersivity = 0.1f;
    st->water_diffusion_coefficient(1) = 1e-9f;
    for (int c = 3; c <= 5; ++c) {
        st->face_conductivity(c) = 1e-6f;
        st->gravity_flux(c) = 1e-6f;
    }
    st->substance_count = 1;
    st->upper_coupling(2, 2) = -1.0f;  // substance 2 is absent: its rows stay untouched
    st->mobile_degradation(3, 2) = -1.0f;
    assemble(*st);

    EXPECT_EQ(st->upper_coupling(2, 1), 0.0f);
    EXPECT_EQ(st->lower_coupling(4, 1), 0.0f);
    EXPECT_GT(st->upper_coupling(3, 1), 0.0f);
    // One face, one coupling: compartment 3 sees compartment 2 as 2 sees 3.
    EXPECT_EQ(st->upper_coupling(3, 1), st->lower_coupling(2, 1));
    EXPECT_EQ(st->upper_coupling(4, 1), st->lower_coupling(3, 1));
    EXPECT_EQ(st->upper_coupling(2, 2), -1.0f);
    EXPECT_EQ(st->mobile_degradation(3, 2), -1.0f);
}

}  // namespace
}  // namespace soilcolumn
