#include "solute/storage_capacities.hpp"

#include <cmath>

#include "state/same_bits.hpp"

namespace soilcolumn {

namespace {

// Below this concentration (g/m3) the Freundlich isotherm counts as linear.
constexpr float linear_sorption_limit = 0.001f;

// Slope of the Freundlich isotherm Kd C^n at concentration C, divided by Kd.
// The fast arithmetic takes C^(n-1) = C^n / C from the kept power of the
// sorbed concentration, which the degradation terms and balances ask for too.
float freundlich_slope_factor(const ModelState& st, int c, int s, bool mobile, float concentration,
                              float exponent)
{
    if (!(concentration > linear_sorption_limit)) return 1.0f;
    if (st.derived_powers) {
        const SolutePower sorbed = mobile ? SolutePower::mobile_sorbed : SolutePower::immobile_sorbed;
        const float c_n = st.powers.solute(c, s, sorbed).pow(concentration, exponent);
        if (std::isfinite(c_n)) return exponent * (c_n / concentration);
    }
    const SolutePower slope = mobile ? SolutePower::mobile_slope : SolutePower::immobile_slope;
    return exponent * st.powers.solute(c, s, slope).pow(concentration, exponent - 1.0f);
}

// What the capacities of a compartment share over its substances.
struct CompartmentWater {
    float porosity;
    float theta;
    float theta_im;
    float r;  // the aggregates' share of the soil matrix; the mobile region owns the rest
    bool mobile_water;
};

CompartmentWater compartment_water(const ModelState& st, int c)
{
    const float porosity = st.porosity(c);
    const float aggregate = st.aggregate_porosity(c);
    const float theta = st.water_content(c);
    return {porosity, theta, st.immobile_water_content(c), aggregate / porosity, !(aggregate >= theta)};
}

StorageCapacity capacity_in(const ModelState& st, const CompartmentWater& water, int c, int s, float mobile,
                            float immobile)
{
    const float sorbent = st.sorption_coefficient(c, s) * st.bulk_density(c);
    const float exponent = st.sorption_exponent(c, s);
    StorageCapacity capacity;
    if (!water.mobile_water) {
        capacity.mobile = 0.0f;
    } else {
        const float g = freundlich_slope_factor(st, c, s, true, mobile, exponent);
        // sorbed + dissolved in the soil air + dissolved in the mobile water
        capacity.mobile = sorbent * g * (1.0f - water.r) + (water.porosity - water.theta) * st.henry_constant(s)
                          + (water.theta - water.theta_im);
    }
    const float g_im = freundlich_slope_factor(st, c, s, false, immobile, exponent);
    capacity.immobile = sorbent * g_im * water.r + water.theta_im;
    return capacity;
}

void set_capacity(ModelState& st, const CompartmentWater& water, int c, int s, float mobile, float immobile)
{
    const StorageCapacity capacity = capacity_in(st, water, c, s, mobile, immobile);
    st.mobile_capacity(c, s) = capacity.mobile;
    st.immobile_capacity(c, s) = capacity.immobile;
}

}  // namespace

StorageCapacity storage_capacity_at(const ModelState& st, int c, int s, float mobile, float immobile)
{
    return capacity_in(st, compartment_water(st, c), c, s, mobile, immobile);
}

void compute_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const CompartmentWater water = compartment_water(st, c);
        for (int s = 1; s <= st.substance_count; ++s) {
            set_capacity(st, water, c, s, state(c, s), immobile(c, s));
        }
    }
}

void keep_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    ReusedResults::KeptCapacities& kept = st.kept_capacities;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        kept.water(c) = st.water_content(c);
        kept.immobile_water(c) = st.immobile_water_content(c);
    }
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            kept.mobile_concentration(c, s) = state(c, s);
            kept.immobile_concentration(c, s) = immobile(c, s);
            kept.mobile_capacity(c, s) = st.mobile_capacity(c, s);
            kept.immobile_capacity(c, s) = st.immobile_capacity(c, s);
        }
    }
    kept.kept = true;
}

// The capacities of a compartment and substance depend on nothing else that
// changes during a run than its concentrations and water contents.
void reuse_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    const ReusedResults::KeptCapacities& kept = st.kept_capacities;
    if (!kept.kept) {
        compute_storage_capacities(st, state, immobile);
        return;
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const CompartmentWater water = compartment_water(st, c);
        const bool same_water = same_bits(water.theta, kept.water(c)) && same_bits(water.theta_im, kept.immobile_water(c));
        for (int s = 1; s <= st.substance_count; ++s) {
            if (same_water && same_bits(state(c, s), kept.mobile_concentration(c, s))
                && same_bits(immobile(c, s), kept.immobile_concentration(c, s))) {
                st.mobile_capacity(c, s) = kept.mobile_capacity(c, s);
                st.immobile_capacity(c, s) = kept.immobile_capacity(c, s);
            } else {
                set_capacity(st, water, c, s, state(c, s), immobile(c, s));
            }
        }
    }
}

}  // namespace soilcolumn
