#include "solute/transport_coefficients.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "state/bit_select.hpp"

namespace soilcolumn {
namespace {

constexpr float mobile_water_margin = 0.001f;  // m3/m3 above the aggregate porosity
constexpr float irreversible_rate_share = 0.1f;  // of the dissolved mass, per second
constexpr int surface_compartment = 2;

// The substance input of the surface enters the mobile region of the top
// compartment when it holds mobile water, its immobile region otherwise.
void assemble_surface_input(ModelState& st, int s)
{
    const int c = surface_compartment;
    if (st.aggregate_porosity(c) < st.water_content(c)) {
        st.immobile_source(c, s) = 0.0f;
        st.source_term(c, s) = st.surface_input_flux(s);
    } else {
        st.immobile_source(c, s) = st.surface_input_flux(s);
        st.source_term(c, s) = 0.0f;
    }
}

// Mass (g/m2) removed per second by first-order degradation of the dissolved
// and Freundlich-sorbed substance of a region, as a negative number.
// power is the concentration's Freundlich power C^n (the sorbed
// concentration over Kd).
float degradation(float k, float kd, float bulk_density, float sorbent_share, float power, float concentration,
                  float water, float thickness)
{
    return -k * (kd * bulk_density * sorbent_share * power + water * concentration) * thickness;
}

// Removal into the irreversibly sorbed store at a tenth of the dissolved mass
// per second, capped so that over the stage it takes neither more than the
// dissolved mass there is nor more than the room left under the store's cap
// (irreversible_share times the reversibly sorbed concentration).
float capped_irreversible_rate(float dissolved_mass, float room, float stage_step)
{
    const float rate = dissolved_mass * irreversible_rate_share;
    return std::min(std::min(rate, dissolved_mass / stage_step), room / stage_step);
}

}  // namespace

// Substance by substance down the column, one coupling at a time: loops the
// compiler vectorises.
void assemble_solute_couplings(ModelState& st)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            st.upper_coupling(c, s) = 0.5f * st.dispersion_coefficient(c, s) / st.centre_distance(c);
        }
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            st.lower_coupling(c, s) = 0.5f * st.dispersion_coefficient(c + 1, s) / st.centre_distance(c + 1);
        }
    }
}

namespace {

// What the substance terms of compartments 2..N-1 share over their
// substances (stored at c - 2): the immobile share r of the sorbent and
// masks of the compartments whose mobile region holds water, holds clearly
// more than the aggregates, and exchanges with aggregates. A compartment
// without aggregates has no immobile region to exchange with: a transfer
// there would remove mass into nothing.
struct ColumnRegions {
    std::array<float, max_compartments> r;
    std::array<std::uint32_t, max_compartments> has_mobile_water;
    std::array<std::uint32_t, max_compartments> clearly_mobile;
    std::array<std::uint32_t, max_compartments> transfers;
};

// The soil's water contents, thicknesses and bulk densities from
// compartment 2 down (compartment c is stored at c - 1 in the state's
// tables).
struct SoilColumn {
    const float* theta;
    const float* theta_im;
    const float* dz;
    const float* rho;

    explicit SoilColumn(const ModelState& st)
        : theta(st.water_content.data() + 1),
          theta_im(st.immobile_water_content.data() + 1),
          dz(st.compartment_thickness.data() + 1),
          rho(st.bulk_density.data() + 1)
    {
    }
};

void column_regions(const ModelState& st, int count, ColumnRegions& w)
{
    const float* theta = st.water_content.data() + 1;
    const float* porosity = st.porosity.data() + 1;
    const float* aggregate = st.aggregate_porosity.data() + 1;
    for (int i = 0; i < count; ++i) {
        w.r[i] = aggregate[i] / porosity[i];
        w.has_mobile_water[i] = mask_of(aggregate[i] < theta[i]);
        w.clearly_mobile[i] = mask_of(aggregate[i] + mobile_water_margin < theta[i]);
        w.transfers[i] = w.clearly_mobile[i] & mask_of(aggregate[i] > 0.0f);
    }
}

// The Freundlich powers C^n of substance s down the column from the kept
// powers, one by one; that of a mobile region without water is not asked
// for (it degrades nothing).
struct SorbedPowers {
    std::array<float, max_compartments> mobile;
    std::array<float, max_compartments> immobile;
};

void sorbed_powers(const ModelState& st, const ColumnRegions& w, int count, int s, SorbedPowers& powers)
{
    for (int i = 0; i < count; ++i) {
        const int c = i + 2;
        const float exponent = st.sorption_exponent(c, s);
        PowerMemo& mobile = st.powers.solute(c, s, SolutePower::mobile_sorbed);
        PowerMemo& immobile = st.powers.solute(c, s, SolutePower::immobile_sorbed);
        powers.mobile[i] = w.has_mobile_water[i] != 0 ? mobile.pow(st.mobile_concentration(c, s), exponent) : 0.0f;
        powers.immobile[i] = immobile.pow(st.immobile_concentration(c, s), exponent);
    }
}

// Degradation of both regions and the transfer between them, for substance
// s down the column in a loop g++ vectorises.
void assemble_degradation_and_transfer(ModelState& st, const ColumnRegions& w, const SorbedPowers& powers,
                                       int count, int s)
{
    const SoilColumn soil(st);
    const float* kd = &st.sorption_coefficient(2, s);
    const float* k = &st.degradation_rate(2, s);
    const float* cm = &st.mobile_concentration(2, s);
    const float* cim = &st.immobile_concentration(2, s);
    const float transfer_coefficient = st.transfer_coefficient(s);
    float* mobile_degradation = &st.mobile_degradation(2, s);
    float* immobile_degradation = &st.immobile_degradation(2, s);
    float* transfer = &st.transfer_rate(2, s);
    for (int i = 0; i < count; ++i) {
        const float mobile = degradation(k[i], kd[i], soil.rho[i], 1.0f - w.r[i], powers.mobile[i], cm[i],
                                         soil.theta[i] - soil.theta_im[i], soil.dz[i]);
        mobile_degradation[i] = select_bits(w.has_mobile_water[i], mobile, 0.0f);
        immobile_degradation[i] =
            degradation(k[i], kd[i], soil.rho[i], w.r[i], powers.immobile[i], cim[i], soil.theta_im[i], soil.dz[i]);
        transfer[i] = select_bits(w.transfers[i], (cm[i] - cim[i]) * transfer_coefficient * soil.dz[i], 0.0f);
    }
}

// Irreversible sorption from the water of each region while its store lies
// below irreversible_share times the reversibly sorbed concentration, for
// substance s down the column in a loop g++ vectorises; the mobile region
// only where it holds clearly more water than the aggregates.
void assemble_irreversible_rates(ModelState& st, const ColumnRegions& w, int count, int s, float dt)
{
    const SoilColumn soil(st);
    const float share = st.irreversible_share(s);
    const float* cm = &st.mobile_concentration(2, s);
    const float* cim = &st.immobile_concentration(2, s);
    const float* mobile_sorbed = &st.mobile_sorbed(2, s);
    const float* immobile_sorbed = &st.immobile_sorbed(2, s);
    const float* mobile_store = &st.mobile_irreversible_sorbed(2, s);
    const float* immobile_store = &st.immobile_irreversible_sorbed(2, s);
    float* mobile_rate = &st.mobile_irreversible_rate(2, s);
    float* immobile_rate = &st.immobile_irreversible_rate(2, s);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t mobile_takes = mask_of(mobile_sorbed[i] * share > mobile_store[i]) & w.clearly_mobile[i];
        const float mobile_room =
            (share * mobile_sorbed[i] - mobile_store[i]) * soil.rho[i] * soil.dz[i] * (1.0f - w.r[i]);
        const float mobile_water = (soil.theta[i] - soil.theta_im[i]) * cm[i] * soil.dz[i];
        mobile_rate[i] = select_bits(mobile_takes, capped_irreversible_rate(mobile_water, mobile_room, dt), 0.0f);

        const std::uint32_t immobile_takes = mask_of(immobile_sorbed[i] * share > immobile_store[i]);
        const float immobile_room =
            (share * immobile_sorbed[i] - immobile_store[i]) * soil.rho[i] * soil.dz[i] * w.r[i];
        const float immobile = capped_irreversible_rate(cim[i] * soil.dz[i] * soil.theta_im[i], immobile_room, dt);
        immobile_rate[i] = select_bits(immobile_takes, immobile, 0.0f);
    }
}

}  // namespace

// Substance by substance down the column: the kept powers one by one, the
// rest in loops the compiler vectorises.
void assemble_substance_terms(ModelState& st, float stage_step)
{
    const int count = st.compartment_count - 2;
    if (count <= 0) return;
    ColumnRegions regions;
    column_regions(st, count, regions);
    SorbedPowers powers;
    for (int s = 1; s <= st.substance_count; ++s) {
        assemble_surface_input(st, s);
        sorbed_powers(st, regions, count, s, powers);
        assemble_degradation_and_transfer(st, regions, powers, count, s);
        assemble_irreversible_rates(st, regions, count, s, stage_step);
    }
}

}  // namespace soilcolumn
