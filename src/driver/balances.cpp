#include "driver/balances.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "state/bit_select.hpp"

namespace soilcolumn {

namespace {

// Cumulative water that crossed the soil surface and left it by evaporation.
void book_surface_water(ModelState& st)
{
    const float dt = st.time_step;
    st.infiltration_total += st.gravity_flux(2) * dt;
    st.evaporation_total += dt * st.soil_evaporation;
}

// Water of compartments 2..N per m2, split into soil air, mobile and
// immobile water (m), and the aggregates' share f of the pore space, by
// compartment (stored at c - 2), in loops the compiler vectorises.
struct CompartmentVolumes {
    std::array<float, max_compartments> air;
    std::array<float, max_compartments> mobile;
    std::array<float, max_compartments> immobile;
    std::array<float, max_compartments> immobile_share;
};

void compartment_volumes(const ModelState& st, CompartmentVolumes& v)
{
    // Compartment c is stored at c - 1 in the state's tables.
    const float* dz = st.compartment_thickness.data() + 1;
    const float* porosity = st.porosity.data() + 1;
    const float* theta = st.water_content.data() + 1;
    const float* theta_im = st.immobile_water_content.data() + 1;
    const float* aggregate = st.aggregate_porosity.data() + 1;
    const int count = st.compartment_count - 1;
    for (int i = 0; i < count; ++i) {
        v.air[i] = (porosity[i] - theta[i]) * dz[i];
        v.mobile[i] = std::max(0.0f, (theta[i] - theta_im[i]) * dz[i]);
        v.immobile[i] = dz[i] * theta_im[i];
        v.immobile_share[i] = aggregate[i] / porosity[i];
    }
}

// Face fluxes of every substance through faces 2..N: upwind advection
// (water moving down carries the concentration above the face, water moving
// up that below) plus dispersion; the surface face adds the input. Down the
// column substance by substance, in a loop the compiler vectorises.
void book_solute_face_fluxes_of_step(ModelState& st)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count; ++c) {
            const float above = st.mobile_concentration(c - 1, s);
            const float below = st.mobile_concentration(c, s);
            st.dispersive_flux(c, s) = (above - below) * st.dispersion_coefficient(c, s) / st.centre_distance(c);
            st.solute_flux(c, s) =
                (above * st.downward_half_flux(c) + below * st.upward_half_flux(c)) * 2.0f + st.dispersive_flux(c, s);
        }
        st.solute_flux(2, s) += st.surface_input_flux(s);
    }
}

// The water fluxes and the stored water, summed from the top down.
void book_water_in_compartments(ModelState& st, const CompartmentVolumes& v)
{
    float storage = 0.0f;
    for (int c = 2; c <= st.compartment_count; ++c) {
        st.water_flux(c) = (st.upward_half_flux(c) + st.downward_half_flux(c)) * 2.0f;
        const auto i = static_cast<std::size_t>(c - 2);
        storage = storage + v.mobile[i] + v.immobile[i];
    }
    st.water_storage = storage;
}

// Substance s in compartments 2..N: dissolved, sorbed (the sorbent shared in
// proportion to the pore space), irreversibly sorbed and gaseous, summed
// from the top down, and what degradation transformed during the step.
void book_substance_in_compartments(ModelState& st, int s, const CompartmentVolumes& v)
{
    const float dt = st.time_step;
    float dissolved = 0.0f;
    float sorbed = 0.0f;
    float irreversible = 0.0f;
    float gaseous = 0.0f;
    float transformed = st.substance_transformed(s);
    for (int c = 2; c <= st.compartment_count; ++c) {
        const auto i = static_cast<std::size_t>(c - 2);
        const float cm = st.mobile_concentration(c, s);
        const float cim = st.immobile_concentration(c, s);
        const float dz = st.compartment_thickness(c);
        const float rho = st.bulk_density(c);
        const float f = v.immobile_share[i];

        dissolved = dissolved + cm * v.mobile[i] + cim * v.immobile[i];
        st.mobile_sorbed(c, s) = freundlich_sorbed(st.powers.solute(c, s, SolutePower::mobile_sorbed),
                                                   st.sorption_coefficient(c, s), cm, st.sorption_exponent(c, s));
        st.immobile_sorbed(c, s) = freundlich_sorbed(st.powers.solute(c, s, SolutePower::immobile_sorbed),
                                                     st.sorption_coefficient(c, s), cim, st.sorption_exponent(c, s));
        sorbed = sorbed + st.mobile_sorbed(c, s) * dz * rho * (1.0f - f) + st.immobile_sorbed(c, s) * dz * rho * f;
        irreversible = irreversible + st.immobile_irreversible_sorbed(c, s) * dz * rho * f
                       + st.mobile_irreversible_sorbed(c, s) * dz * rho * (1.0f - f);
        gaseous += cm * st.henry_constant(s) * v.air[i];
        transformed = transformed + st.mobile_degradation(c, s) * dt + st.immobile_degradation(c, s) * dt;
    }
    st.dissolved_amount(s) = dissolved;
    st.sorbed_amount(s) = sorbed;
    st.irreversible_amount(s) = irreversible;
    st.gaseous_amount(s) = gaseous;
    st.substance_transformed(s) = transformed;
}

// Substance entering through the soil surface (water from above carries the
// concentration of compartment 1, plus the applied input) and leaving
// through the lower face of the soil.
void book_substance_boundaries(ModelState& st)
{
    const float dt = st.time_step;
    const int n = st.compartment_count;
    for (int s = 1; s <= st.substance_count; ++s) {
        st.substance_entered(s) +=
            (st.mobile_concentration(1, s) * st.downward_half_flux(2) * 2.0f +
             st.surface_input_flux(s)) *
            dt;
        st.substance_leached(s) +=
            st.mobile_concentration(n - 1, s) * st.downward_half_flux(n) * dt * 2.0f;
    }
}

// Recharge is the residual of the water balance: what entered at the surface
// minus the increase of storage, from the second step on (the first step has
// no previous storage).
void book_recharge(ModelState& st)
{
    if (st.previous_water_storage > 0.0f) {
        const float infiltrated = st.gravity_flux(2) * st.time_step;
        st.recharge_total = static_cast<double>(st.previous_water_storage) + st.recharge_total -
                            static_cast<double>(st.water_storage) +
                            static_cast<double>(infiltrated);
    }
    st.previous_water_storage = st.water_storage;
}

}  // namespace

float freundlich_sorbed(PowerMemo& memo, float coefficient, float concentration, float exponent)
{
    // A negative concentration has a real power only for an integer exponent.
    const float c = (concentration < 0.0f && std::trunc(exponent) != exponent) ? 0.0f : concentration;
    return memo.pow(c, exponent) * coefficient;
}

float freundlich_sorbed(float coefficient, float concentration, float exponent)
{
    PowerMemo memo;
    return freundlich_sorbed(memo, coefficient, concentration, exponent);
}

// Substance by substance down the column, in a loop g++ vectorises: a region
// without sorbent divides by 1 instead of its share, and a bit mask keeps its
// store as it was.
void update_irreversible_sorption(ModelState& st)
{
    const float dt = st.time_step;
    // Compartment c is stored at c - 1; the soil is 2..N-1.
    const float* aggregate = st.aggregate_porosity.data();
    const float* porosity = st.porosity.data();
    const float* rho = st.bulk_density.data();
    const float* dz = st.compartment_thickness.data();
    const int last = st.compartment_count - 2;
    for (int s = 1; s <= st.substance_count; ++s) {
        const float* mobile_rate = &st.mobile_irreversible_rate(1, s);
        const float* immobile_rate = &st.immobile_irreversible_rate(1, s);
        float* mobile_store = &st.mobile_irreversible_sorbed(1, s);
        float* immobile_store = &st.immobile_irreversible_sorbed(1, s);
        for (int i = 1; i <= last; ++i) {
            const float f = aggregate[i] / porosity[i];
            const float mobile_share = 1.0f - f;
            const std::uint32_t mobile_sorbent = mask_of(mobile_share > 0.0f);
            const std::uint32_t immobile_sorbent = mask_of(f > 0.0f);
            const float to_mobile = mobile_rate[i] * dt / rho[i] / dz[i] / select_bits(mobile_sorbent, mobile_share, 1.0f);
            mobile_store[i] = select_bits(mobile_sorbent, mobile_store[i] + to_mobile, mobile_store[i]);
            const float to_immobile = immobile_rate[i] * dt / rho[i] / dz[i] / select_bits(immobile_sorbent, f, 1.0f);
            immobile_store[i] = select_bits(immobile_sorbent, immobile_store[i] + to_immobile, immobile_store[i]);
        }
    }
}

void update_balances(ModelState& st)
{
    book_surface_water(st);
    book_solute_face_fluxes_of_step(st);
    CompartmentVolumes volumes;
    compartment_volumes(st, volumes);
    book_water_in_compartments(st, volumes);
    for (int s = 1; s <= st.substance_count; ++s) {
        book_substance_in_compartments(st, s, volumes);
    }
    book_substance_boundaries(st);
    book_recharge(st);
}

}  // namespace soilcolumn
