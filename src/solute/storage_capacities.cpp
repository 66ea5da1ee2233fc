#include "solute/storage_capacities.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

namespace soilcolumn {

namespace {

// Below this concentration (g/m3) the Freundlich isotherm counts as linear.
constexpr float linear_sorption_limit = 0.001f;

// Slope of the Freundlich isotherm Kd C^n at concentration C, divided by Kd.
float freundlich_slope_factor(PowerMemo& memo, float concentration, float exponent)
{
    if (concentration > linear_sorption_limit) return exponent * memo.pow(concentration, exponent - 1.0f);
    return 1.0f;
}

bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

}  // namespace

StorageCapacity storage_capacity_at(const ModelState& st, int c, int s, float mobile, float immobile)
{
    const float porosity = st.porosity(c);
    const float aggregate = st.aggregate_porosity(c);
    const float theta = st.water_content(c);
    const float theta_im = st.immobile_water_content(c);
    const float sorbent = st.sorption_coefficient(c, s) * st.bulk_density(c);
    const float exponent = st.sorption_exponent(c, s);
    // The aggregates own the share r of the soil matrix, the mobile region the rest.
    const float r = aggregate / porosity;

    StorageCapacity capacity;
    if (aggregate >= theta) {
        capacity.mobile = 0.0f;  // no mobile water
    } else {
        const float g = freundlich_slope_factor(st.powers.solute(c, s, SolutePower::mobile_slope), mobile, exponent);
        // sorbed + dissolved in the soil air + dissolved in the mobile water
        capacity.mobile = sorbent * g * (1.0f - r) + (porosity - theta) * st.henry_constant(s) + (theta - theta_im);
    }
    const float g_im = freundlich_slope_factor(st.powers.solute(c, s, SolutePower::immobile_slope), immobile, exponent);
    capacity.immobile = sorbent * g_im * r + theta_im;
    return capacity;
}

namespace {

void set_storage_capacity(ModelState& st, int c, int s, float mobile, float immobile)
{
    const StorageCapacity capacity = storage_capacity_at(st, c, s, mobile, immobile);
    st.mobile_capacity(c, s) = capacity.mobile;
    st.immobile_capacity(c, s) = capacity.immobile;
}

}  // namespace

void compute_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            set_storage_capacity(st, c, s, state(c, s), immobile(c, s));
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
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            if (same_bits(st.water_content(c), kept.water(c))
                && same_bits(st.immobile_water_content(c), kept.immobile_water(c))
                && same_bits(state(c, s), kept.mobile_concentration(c, s))
                && same_bits(immobile(c, s), kept.immobile_concentration(c, s))) {
                st.mobile_capacity(c, s) = kept.mobile_capacity(c, s);
                st.immobile_capacity(c, s) = kept.immobile_capacity(c, s);
            } else {
                set_storage_capacity(st, c, s, state(c, s), immobile(c, s));
            }
        }
    }
}

}  // namespace soilcolumn
