#include "solute/storage_capacities.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "state/bit_select.hpp"
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

// The water of compartments 2..N-1 the capacities share over their
// substances (stored at c - 2), in a loop g++ vectorises: a mask of the
// compartments whose mobile region holds water, the aggregates' share, the
// soil air and the mobile water.
struct ColumnWater {
    std::array<std::uint32_t, max_compartments> mobile_water;
    std::array<float, max_compartments> r;
    std::array<float, max_compartments> air;
    std::array<float, max_compartments> mobile;
};

void column_water(const ModelState& st, int count, ColumnWater& water)
{
    // Compartment c is stored at c - 1 in the state's tables.
    const float* porosity = st.porosity.data() + 1;
    const float* aggregate = st.aggregate_porosity.data() + 1;
    const float* theta = st.water_content.data() + 1;
    const float* theta_im = st.immobile_water_content.data() + 1;
    for (int i = 0; i < count; ++i) {
        water.mobile_water[i] = mask_of(!(aggregate[i] >= theta[i]));
        water.r[i] = aggregate[i] / porosity[i];
        water.air[i] = porosity[i] - theta[i];
        water.mobile[i] = theta[i] - theta_im[i];
    }
}

// The Freundlich slope factors of substance s down the column; that of a
// mobile region without water is not asked for (its capacity is zero).
struct ColumnSlopes {
    std::array<float, max_compartments> mobile;
    std::array<float, max_compartments> immobile;
};

void column_slopes(const ModelState& st, const ColumnWater& water, int count, int s, const float* mobile,
                   const float* immobile, ColumnSlopes& slopes)
{
    for (int i = 0; i < count; ++i) {
        const int c = i + 2;
        const float exponent = st.sorption_exponent(c, s);
        slopes.mobile[i] = water.mobile_water[i] != 0 ? freundlich_slope_factor(st, c, s, true, mobile[i], exponent)
                                                       : 1.0f;
        slopes.immobile[i] = freundlich_slope_factor(st, c, s, false, immobile[i], exponent);
    }
}

// capacity_in for substance s down the column, in a loop g++ vectorises.
void set_column_capacities(ModelState& st, const ColumnWater& water, const ColumnSlopes& g, int count, int s)
{
    const float henry = st.henry_constant(s);
    const float* kd = &st.sorption_coefficient(2, s);
    const float* rho = st.bulk_density.data() + 1;
    const float* theta_im = st.immobile_water_content.data() + 1;
    float* mobile = &st.mobile_capacity(2, s);
    float* immobile = &st.immobile_capacity(2, s);
    for (int i = 0; i < count; ++i) {
        const float sorbent = kd[i] * rho[i];
        const float held = sorbent * g.mobile[i] * (1.0f - water.r[i]) + water.air[i] * henry + water.mobile[i];
        mobile[i] = select_bits(water.mobile_water[i], held, 0.0f);
        immobile[i] = sorbent * g.immobile[i] * water.r[i] + theta_im[i];
    }
}

}  // namespace

StorageCapacity storage_capacity_at(const ModelState& st, int c, int s, float mobile, float immobile)
{
    return capacity_in(st, compartment_water(st, c), c, s, mobile, immobile);
}

// The slope factors, which ask the kept powers, one by one; the rest for
// the whole column at once.
void compute_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    const int count = st.compartment_count - 2;
    if (count <= 0) return;
    ColumnWater water;
    column_water(st, count, water);
    ColumnSlopes slopes;
    for (int s = 1; s <= st.substance_count; ++s) {
        column_slopes(st, water, count, s, &state(2, s), &immobile(2, s), slopes);
        set_column_capacities(st, water, slopes, count, s);
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

namespace {

// For substance s down the column: the kept capacities wherever the water
// contents and concentrations have the bits they were kept with, in a loop
// g++ vectorises. Returns whether any compartment differs.
bool take_kept_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile, int s,
                          const std::array<std::uint32_t, max_compartments>& same_water, int count)
{
    const ReusedResults::KeptCapacities& kept = st.kept_capacities;
    const float* mobile = &state(2, s);
    const float* aggregate = &immobile(2, s);
    const float* kept_mobile = &kept.mobile_concentration(2, s);
    const float* kept_aggregate = &kept.immobile_concentration(2, s);
    const float* kept_mobile_capacity = &kept.mobile_capacity(2, s);
    const float* kept_immobile_capacity = &kept.immobile_capacity(2, s);
    float* mobile_capacity = &st.mobile_capacity(2, s);
    float* immobile_capacity = &st.immobile_capacity(2, s);
    std::uint32_t differs = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t same = same_water[i] & mask_of(same_bits(mobile[i], kept_mobile[i]))
                                   & mask_of(same_bits(aggregate[i], kept_aggregate[i]));
        mobile_capacity[i] = select_bits(same, kept_mobile_capacity[i], mobile_capacity[i]);
        immobile_capacity[i] = select_bits(same, kept_immobile_capacity[i], immobile_capacity[i]);
        differs |= ~same;
    }
    return differs != 0;
}

}  // namespace

// The capacities of a compartment and substance depend on nothing else that
// changes during a run than its concentrations and water contents. Where
// any of them differs from what they were kept with, the capacities are
// computed again, compartment by compartment.
void reuse_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile)
{
    const ReusedResults::KeptCapacities& kept = st.kept_capacities;
    if (!kept.kept) {
        compute_storage_capacities(st, state, immobile);
        return;
    }
    const int count = st.compartment_count - 2;
    std::array<std::uint32_t, max_compartments> same_water;
    for (int i = 0; i < count; ++i) {
        const int c = i + 2;
        same_water[i] = mask_of(same_bits(st.water_content(c), kept.water(c)))
                        & mask_of(same_bits(st.immobile_water_content(c), kept.immobile_water(c)));
    }
    for (int s = 1; s <= st.substance_count; ++s) {
        if (!take_kept_capacities(st, state, immobile, s, same_water, count)) continue;
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            const auto i = static_cast<std::size_t>(c - 2);
            if (same_water[i] == 0 || !same_bits(state(c, s), kept.mobile_concentration(c, s))
                || !same_bits(immobile(c, s), kept.immobile_concentration(c, s))) {
                set_capacity(st, compartment_water(st, c), c, s, state(c, s), immobile(c, s));
            }
        }
    }
}

}  // namespace soilcolumn
