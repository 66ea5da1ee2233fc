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

}  // namespace

void compute_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        const float henry = st.henry_constant(s);
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            const float porosity = st.porosity(c);
            const float aggregate = st.aggregate_porosity(c);
            const float theta = st.water_content(c);
            const float theta_im = st.immobile_water_content(c);
            const float sorbent = st.sorption_coefficient(c, s) * st.bulk_density(c);
            const float exponent = st.sorption_exponent(c, s);
            // The aggregates own the share r of the soil matrix, the mobile region the rest.
            const float r = aggregate / porosity;

            if (aggregate >= theta) {
                st.mobile_capacity(c, s) = 0.0f;  // no mobile water
            } else {
                const float g = freundlich_slope_factor(st.powers.solute(c, s, SolutePower::mobile_slope), state(c, s),
                                                        exponent);
                // sorbed + dissolved in the soil air + dissolved in the mobile water
                st.mobile_capacity(c, s) =
                    sorbent * g * (1.0f - r) + (porosity - theta) * henry + (theta - theta_im);
            }
            const float g_im =
                freundlich_slope_factor(st.powers.solute(c, s, SolutePower::immobile_slope), immobile(c, s), exponent);
            st.immobile_capacity(c, s) = sorbent * g_im * r + theta_im;
        }
    }
}

namespace {

bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// The capacities depend on nothing else that changes during a run.
bool inputs_are_kept(const ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    const ReusedResults::KeptCapacities& kept = st.kept_capacities;
    if (!kept.kept) return false;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        if (!same_bits(st.water_content(c), kept.water(c))
            || !same_bits(st.immobile_water_content(c), kept.immobile_water(c))) {
            return false;
        }
    }
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            if (!same_bits(state(c, s), kept.mobile_concentration(c, s))
                || !same_bits(immobile(c, s), kept.immobile_concentration(c, s))) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

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

void reuse_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    if (!inputs_are_kept(st, state, immobile)) {
        compute_storage_capacities(st, state, immobile);
        return;
    }
    const ReusedResults::KeptCapacities& kept = st.kept_capacities;
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            st.mobile_capacity(c, s) = kept.mobile_capacity(c, s);
            st.immobile_capacity(c, s) = kept.immobile_capacity(c, s);
        }
    }
}

}  // namespace soilcolumn
