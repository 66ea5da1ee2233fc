// Water and substance balances, face fluxes, sorbed concentrations and the
// irreversible store on a hand-built four-compartment column.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "driver/balances.hpp"

namespace soilcolumn {
namespace {

// Compartments 1..4 of 0.1 m, porosity 0.4 with aggregates 0.1 (immobile
// share 0.25), bulk density 1500; one substance with linear sorption 0.002.
std::unique_ptr<ModelState> hand_built_column()
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 4;
    st->substance_count = 1;
    st->time_step = 3600.0f;
    st->henry_constant(1) = 0.01f;
    const float theta[] = {0.0f, 0.3f, 0.35f, 0.2f};
    const float mobile[] = {2.0f, 1.0f, 0.5f, 0.25f};
    const float immobile[] = {0.0f, 0.8f, 0.4f, 0.0f};
    for (int c = 1; c <= 4; ++c) {
        st->compartment_thickness(c) = 0.1f;
        st->centre_distance(c) = c == 1 ? 0.0f : 0.1f;
        st->porosity(c) = 0.4f;
        st->aggregate_porosity(c) = 0.1f;
        st->bulk_density(c) = 1500.0f;
        st->water_content(c) = theta[c - 1];
        st->immobile_water_content(c) = c == 1 ? 0.0f : 0.1f;
        st->mobile_concentration(c, 1) = mobile[c - 1];
        st->immobile_concentration(c, 1) = immobile[c - 1];
        st->sorption_coefficient(c, 1) = 0.002f;
        st->sorption_exponent(c, 1) = 1.0f;
    }
    st->dispersion_coefficient(3, 1) = 1e-6f;
    st->downward_half_flux(2) = 1e-8f;
    st->upward_half_flux(3) = -1e-8f;  // water rises through face 3
    st->downward_half_flux(4) = 5e-9f;
    st->mobile_degradation(2, 1) = -1e-9f;
    st->immobile_degradation(2, 1) = -2e-10f;
    st->mobile_degradation(3, 1) = -5e-10f;
    st->mobile_irreversible_sorbed(2, 1) = 1e-4f;
    st->immobile_irreversible_sorbed(2, 1) = 2e-4f;
    st->gravity_flux(2) = 2e-8f;
    st->soil_evaporation = 1e-9f;
    st->surface_input_flux(1) = 1e-6f;
    return st;
}

// Expected values worked out by hand from the column above (see the
// comments for the sums).
TEST(Balances, OneStepOfTheHandBuiltColumn)
{
    auto st = hand_built_column();
    update_balances(*st);
    EXPECT_NEAR(st->infiltration_total, 7.2e-5, 1e-11);  // 2e-8 m/s x 3600 s
    EXPECT_NEAR(st->evaporation_total, 3.6e-6, 1e-12);
    // mobile + immobile water: 0.02+0.01, 0.025+0.01, 0.01+0.01
    EXPECT_NEAR(st->water_storage, 0.085f, 1e-7f);
    EXPECT_EQ(st->recharge_total, 0.0);  // no previous storage in the first step
    EXPECT_NEAR(st->water_flux(2), 2e-8f, 1e-15f);
    EXPECT_NEAR(st->water_flux(3), -2e-8f, 1e-15f);
    // Face 2: water from compartment 1 (2 g/m3) plus the input 1e-6.
    EXPECT_NEAR(st->solute_flux(2, 1), 1.04e-6f, 1e-12f);
    // Face 3: rising water carries compartment 3's 0.5 g/m3; dispersion
    // (1 - 0.5) x 1e-6 / 0.1.
    EXPECT_NEAR(st->solute_flux(3, 1), 4.99e-6f, 1e-12f);
    EXPECT_NEAR(st->solute_flux(4, 1), 5e-9f, 1e-15f);
    // 1x0.02 + 0.8x0.01, 0.5x0.025 + 0.4x0.01, 0.25x0.01
    EXPECT_NEAR(st->dissolved_amount(1), 0.047f, 1e-7f);
    // sorbed x 0.1 m x 1500 kg/m3 x share: 0.225 + 0.06, 0.1125 + 0.03, 0.05625
    EXPECT_NEAR(st->sorbed_amount(1), 0.48375f, 1e-6f);
    EXPECT_NEAR(st->mobile_sorbed(2, 1), 0.002f, 1e-9f);
    EXPECT_NEAR(st->immobile_sorbed(3, 1), 0.0008f, 1e-9f);
    // 2e-4 x 150 x 0.25 + 1e-4 x 150 x 0.75
    EXPECT_NEAR(st->irreversible_amount(1), 0.01875f, 1e-8f);
    // C x H x air: 1e-4 + 2.5e-5 + 5e-5
    EXPECT_NEAR(st->gaseous_amount(1), 1.75e-4f, 1e-10f);
    EXPECT_NEAR(st->substance_transformed(1), -6.12e-6f, 1e-12f);
    EXPECT_NEAR(st->substance_entered(1), 3.744e-3f, 1e-9f);  // (4e-8 + 1e-6) x 3600
    EXPECT_NEAR(st->substance_leached(1), 1.8e-5f, 1e-11f);   // 0.5 x 5e-9 x 3600 x 2
}

TEST(Balances, RechargeIsInfiltrationLessStorageGainFromTheSecondStep)
{
    auto st = hand_built_column();
    const float theta_changes[] = {0.0f, 0.0f, 0.01f, -0.02f, 0.005f};
    const float surface_fluxes[] = {2e-8f, 2e-8f, 0.0f, -3e-8f, 1e-7f};
    float first_storage = 0.0f;
    double infiltration_after_first = 0.0;
    for (int step = 0; step < 5; ++step) {
        st->water_content(3) += theta_changes[step];
        st->gravity_flux(2) = surface_fluxes[step];
        update_balances(*st);
        if (step == 0) {
            first_storage = st->water_storage;
            infiltration_after_first = st->infiltration_total;
            EXPECT_EQ(st->recharge_total, 0.0);
            continue;
        }
        const double expected = (st->infiltration_total - infiltration_after_first) -
                                (static_cast<double>(st->water_storage) - first_storage);
        EXPECT_NEAR(st->recharge_total, expected, 1e-9) << "step " << step;
    }
    // Unchanged storage and no surface flux leave the recharge unchanged.
    const double before = st->recharge_total;
    st->gravity_flux(2) = 0.0f;
    update_balances(*st);
    EXPECT_EQ(st->recharge_total, before);
}

TEST(Balances, FreundlichSorptionOfNegativeConcentrations)
{
    struct Case { float coefficient, concentration, exponent, sorbed; };
    const Case cases[] = {
        {0.002f, 4.0f, 0.5f, 0.004f},    // 0.002 x sqrt(4)
        {0.5f, 8.0f, 1.0f / 3.0f, 1.0f},  // cube root
        {0.002f, 0.0f, 0.9f, 0.0f},
        {0.002f, -1e-6f, 0.9f, 0.0f},     // no real power: counts as 0
        {0.002f, -0.5f, 1.0f, -0.001f},   // an integer power is still defined
        {0.002f, -0.5f, 2.0f, 0.0005f},
    };
    for (const Case& c : cases) {
        const float sorbed = freundlich_sorbed(c.coefficient, c.concentration, c.exponent);
        EXPECT_TRUE(std::isfinite(sorbed));
        EXPECT_NEAR(sorbed, c.sorbed, 1e-7f) << c.concentration << " ^ " << c.exponent;
    }
}

TEST(Balances, IrreversibleStoreGrowsOnlyInRegionsWithSorbent)
{
    struct Case { float aggregate_porosity; float mobile_growth, immobile_growth; };
    // rate x 3600 s / 1500 kg/m3 / 0.1 m / share, rates 1e-6 (mobile) and
    // 2e-7 (immobile)
    const Case cases[] = {
        {0.1f, 3.2e-5f, 1.92e-5f},  // shares 0.75 and 0.25
        {0.0f, 2.4e-5f, 0.0f},      // no aggregates: no immobile sorbent
        {0.4f, 0.0f, 4.8e-6f},      // aggregates fill the pores: no mobile sorbent
    };
    for (const Case& c : cases) {
        auto st = hand_built_column();
        st->aggregate_porosity(2) = c.aggregate_porosity;
        // A store already holding some keeps it where its region has no sorbent.
        const float held = 1e-5f;
        st->mobile_irreversible_sorbed(2, 1) = held;
        st->immobile_irreversible_sorbed(2, 1) = held;
        st->mobile_irreversible_rate(2, 1) = 1e-6f;
        st->immobile_irreversible_rate(2, 1) = 2e-7f;
        st->mobile_irreversible_rate(4, 1) = 1e-6f;
        update_irreversible_sorption(*st);
        EXPECT_NEAR(st->mobile_irreversible_sorbed(2, 1), held + c.mobile_growth, 1e-11f)
            << c.aggregate_porosity;
        EXPECT_NEAR(st->immobile_irreversible_sorbed(2, 1), held + c.immobile_growth, 1e-11f)
            << c.aggregate_porosity;
        if (c.mobile_growth == 0.0f) EXPECT_EQ(st->mobile_irreversible_sorbed(2, 1), held);
        if (c.immobile_growth == 0.0f) EXPECT_EQ(st->immobile_irreversible_sorbed(2, 1), held);
        // Boundary compartments never take up anything.
        EXPECT_EQ(st->mobile_irreversible_sorbed(4, 1), 0.0f);
    }
}

}  // namespace
}  // namespace soilcolumn
