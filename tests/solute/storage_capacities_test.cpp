// Storage capacities of the mobile and immobile regions. Expected values
// computed by hand with python3 from
//   Rm  = Kd rho g (1 - r) + (porosity - theta) H + (theta - theta_im)
//   Rim = Kd rho g r + theta_im,  r = aggregate porosity / porosity,
//   g = n C^(n-1) above 0.001 g/m3, else 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

#include "solute/storage_capacities.hpp"

namespace soilcolumn {
namespace {

struct Case {
    const char* name;
    float theta, theta_im, aggregate, exponent, mobile_conc, immobile_conc, henry;
    double mobile_capacity, immobile_capacity;
};

// Porosity 0.4, bulk density 1500 kg/m3, Kd 0.002 throughout.
const Case cases[] = {
    {"Freundlich slopes at both concentrations", 0.3f, 0.1f, 0.1f, 0.9f, 2.0f, 0.5f, 0.01f,
     2.0903918079, 0.82344708721},
    {"water only in the aggregates", 0.1f, 0.1f, 0.1f, 0.9f, 2.0f, 0.5f, 0.01f, 0.0, 0.82344708721},
    {"concentrations at or below 0.001 sorb linearly", 0.3f, 0.1f, 0.1f, 0.9f, 0.0005f, 0.001f, 0.01f,
     2.451, 0.85},
    {"exponent 1 is linear at any concentration", 0.3f, 0.1f, 0.1f, 1.0f, 2.0f, 0.5f, 0.01f, 2.451, 0.85},
    {"no aggregates: all sorbent is mobile", 0.3f, 0.0f, 0.0f, 0.9f, 2.0f, 0.5f, 0.01f, 2.8201890771, 0.0},
    {"no soil-air term without Henry constant", 0.3f, 0.1f, 0.1f, 0.9f, 2.0f, 0.5f, 0.0f,
     2.0893918079, 0.82344708721},
};

TEST(StorageCapacities, SorbedDissolvedAndGaseousShares)
{
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto st = std::make_unique<ModelState>();
        st->compartment_count = 3;
        st->substance_count = 1;
        st->porosity(2) = 0.4f;
        st->bulk_density(2) = 1500.0f;
        st->sorption_coefficient(2, 1) = 0.002f;
        st->aggregate_porosity(2) = k.aggregate;
        st->water_content(2) = k.theta;
        st->immobile_water_content(2) = k.theta_im;
        st->sorption_exponent(2, 1) = k.exponent;
        st->state(2, 1) = k.mobile_conc;
        st->immobile_concentration(2, 1) = k.immobile_conc;
        st->henry_constant(1) = k.henry;
        compute_storage_capacities(*st, st->state, st->immobile_concentration);
        EXPECT_NEAR(st->mobile_capacity(2, 1), k.mobile_capacity, 2e-6 * k.mobile_capacity);
        EXPECT_NEAR(st->immobile_capacity(2, 1), k.immobile_capacity, 2e-6 * k.immobile_capacity);
    }
}

TEST(StorageCapacities, FillsOnlySoilCompartmentsAndPresentSubstances)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 5;
    st->substance_count = 2;
    for (int c = 1; c <= 5; ++c) {
        st->porosity(c) = 0.4f;
        st->water_content(c) = 0.3f;
        for (int s = 1; s <= 3; ++s) {
            st->sorption_exponent(c, s) = 1.0f;
            st->mobile_capacity(c, s) = -1.0f;
            st->immobile_capacity(c, s) = -1.0f;
        }
    }
    compute_storage_capacities(*st, st->state, st->immobile_concentration);
    for (int c = 1; c <= 5; ++c) {
        for (int s = 1; s <= 3; ++s) {
            const bool filled = c >= 2 && c <= 4 && s <= 2;
            // Without sorbent, air term or immobile water only the mobile water remains.
            EXPECT_EQ(st->mobile_capacity(c, s), filled ? 0.3f : -1.0f) << "c " << c << " s " << s;
            EXPECT_EQ(st->immobile_capacity(c, s), filled ? 0.0f : -1.0f) << "c " << c << " s " << s;
        }
    }
}

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

// The column's capacities are those of each compartment alone, to the bit,
// over a column that mixes mobile regions with and without water, linear
// and Freundlich concentrations and two substances.
TEST(StorageCapacities, ColumnGivesTheCapacitiesOfEachCompartmentAlone)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 12;
    st->substance_count = 2;
    st->henry_constant(1) = 0.01f;
    for (int c = 1; c <= 12; ++c) {
        const float k = static_cast<float>(c);
        st->porosity(c) = 0.35f + 0.01f * k;
        st->bulk_density(c) = 1400.0f + 10.0f * k;
        st->aggregate_porosity(c) = c % 4 == 0 ? 0.0f : 0.05f;
        st->water_content(c) = c % 3 == 0 ? 0.04f : 0.1f + 0.015f * k;  // every third: water only in the aggregates
        st->immobile_water_content(c) = std::min(st->water_content(c), st->aggregate_porosity(c));
        for (int s = 1; s <= 2; ++s) {
            st->sorption_coefficient(c, s) = 0.001f * static_cast<float>(s);
            st->sorption_exponent(c, s) = s == 1 ? 0.9f : 1.0f;
            st->state(c, s) = c % 2 == 0 ? 0.0004f * k : 0.3f * k;
            st->immobile_concentration(c, s) = c % 5 == 0 ? 0.0f : 0.2f * k;
        }
    }
    compute_storage_capacities(*st, st->state, st->immobile_concentration);
    for (int c = 2; c <= 11; ++c) {
        for (int s = 1; s <= 2; ++s) {
            const StorageCapacity alone =
                storage_capacity_at(*st, c, s, st->state(c, s), st->immobile_concentration(c, s));
            EXPECT_EQ(bits(st->mobile_capacity(c, s)), bits(alone.mobile)) << c << " " << s;
            EXPECT_EQ(bits(st->immobile_capacity(c, s)), bits(alone.immobile)) << c << " " << s;
        }
    }
}

// A stage start takes the kept capacities of a compartment and substance
// only when its concentrations and water contents have the bits they were
// kept with; the others are computed. Kept values are marked so that a
// taken one shows.
TEST(StorageCapacities, StageStartTakesKeptCapacitiesOnlyForTheSameInputs)
{
    constexpr float mark = 7.0f;
    struct Case {
        const char* what;
        bool keep;
        void (*change)(ModelState&);
        bool (*computed)(int c, int s);  // the capacities that must be computed afresh
    };
    const Case cases[] = {
        {"same inputs: the kept capacities", true, [](ModelState&) {}, [](int, int) { return false; }},
        {"a mobile concentration changed", true, [](ModelState& st) { st.state(3, 2) = 0.25f; },
         [](int c, int s) { return c == 3 && s == 2; }},
        {"an immobile concentration cleared to +0", true, [](ModelState& st) { st.immobile_concentration(4, 1) = 0.0f; },
         [](int c, int s) { return c == 4 && s == 1; }},
        {"a water content changed", true, [](ModelState& st) { st.water_content(2) = 0.31f; },
         [](int c, int) { return c == 2; }},
        {"an immobile water content changed", true, [](ModelState& st) { st.immobile_water_content(4) = 0.06f; },
         [](int c, int) { return c == 4; }},
        {"nothing kept", false, [](ModelState&) {}, [](int, int) { return true; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto st = std::make_unique<ModelState>();
        st->compartment_count = 5;
        st->substance_count = 2;
        for (int c = 1; c <= 5; ++c) {
            st->porosity(c) = 0.4f;
            st->bulk_density(c) = 1500.0f;
            st->aggregate_porosity(c) = 0.05f;
            st->water_content(c) = 0.3f;
            st->immobile_water_content(c) = 0.05f;
            for (int s = 1; s <= 2; ++s) {
                st->sorption_coefficient(c, s) = 0.002f;
                st->sorption_exponent(c, s) = 0.9f;
                st->state(c, s) = 0.5f * static_cast<float>(c + s);
                st->immobile_concentration(c, s) = 0.1f * static_cast<float>(c);
            }
        }
        compute_storage_capacities(*st, st->state, st->immobile_concentration);
        if (k.keep) keep_storage_capacities(*st, st->state, st->immobile_concentration);
        for (int c = 2; c <= 4; ++c) {
            for (int s = 1; s <= 2; ++s) {
                st->kept_capacities.mobile_capacity(c, s) = mark;
                st->kept_capacities.immobile_capacity(c, s) = mark;
            }
        }
        k.change(*st);
        ModelState fresh = *st;
        compute_storage_capacities(fresh, fresh.state, fresh.immobile_concentration);
        reuse_storage_capacities(*st, st->state, st->immobile_concentration);
        for (int c = 2; c <= 4; ++c) {
            for (int s = 1; s <= 2; ++s) {
                const bool computed = k.computed(c, s);
                EXPECT_EQ(st->mobile_capacity(c, s), computed ? fresh.mobile_capacity(c, s) : mark) << c << " " << s;
                EXPECT_EQ(st->immobile_capacity(c, s), computed ? fresh.immobile_capacity(c, s) : mark) << c << " " << s;
            }
        }
    }
}

}  // namespace
}  // namespace soilcolumn
