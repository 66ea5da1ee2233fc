#include "solute/transport_coefficients.hpp"

#include <algorithm>
#include <cmath>

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
float degradation(PowerMemo& memo, float k, float kd, float bulk_density, float sorbent_share, float concentration,
                  float exponent, float water, float thickness)
{
    return -k * (kd * bulk_density * sorbent_share * memo.pow(concentration, exponent) + water * concentration)
           * thickness;
}

// Removal into the irreversibly sorbed store at a tenth of the dissolved mass
// per second, capped so that over the stage it takes neither more than the
// dissolved mass there is nor more than the room left under the store's cap
// (irreversible_share times the reversibly sorbed concentration).
float capped_irreversible_rate(float dissolved_mass, float room, float stage_step)
{
    const float rate = dissolved_mass * irreversible_rate_share;
    return std::min({rate, dissolved_mass / stage_step, room / stage_step});
}

// Irreversible sorption from the water of each region while its store lies
// below irreversible_share times the reversibly sorbed concentration; r is
// the immobile share of the sorbent.
void assemble_irreversible_rates(ModelState& st, int c, int s, float r, bool clearly_mobile, float dt)
{
    const float theta = st.water_content(c);
    const float theta_im = st.immobile_water_content(c);
    const float dz = st.compartment_thickness(c);
    const float rho = st.bulk_density(c);
    const float cm = st.mobile_concentration(c, s);
    const float cim = st.immobile_concentration(c, s);
    const float share = st.irreversible_share(s);

    const float mobile_store = st.mobile_irreversible_sorbed(c, s);
    if (st.mobile_sorbed(c, s) * share > mobile_store && clearly_mobile) {
        const float room = (share * st.mobile_sorbed(c, s) - mobile_store) * rho * dz * (1.0f - r);
        st.mobile_irreversible_rate(c, s) = capped_irreversible_rate((theta - theta_im) * cm * dz, room, dt);
    } else {
        st.mobile_irreversible_rate(c, s) = 0.0f;
    }

    const float immobile_store = st.immobile_irreversible_sorbed(c, s);
    if (st.immobile_sorbed(c, s) * share > immobile_store) {
        const float room = (share * st.immobile_sorbed(c, s) - immobile_store) * rho * dz * r;
        st.immobile_irreversible_rate(c, s) = capped_irreversible_rate(cim * dz * theta_im, room, dt);
    } else {
        st.immobile_irreversible_rate(c, s) = 0.0f;
    }
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

// What the substance terms of a compartment share over its substances.
struct CompartmentRegions {
    float theta;
    float theta_im;
    float dz;
    float rho;
    float r;  // immobile share of the sorbent
    bool has_mobile_water;
    bool clearly_mobile;
    // A compartment without aggregates has no immobile region to exchange
    // with: a transfer there would remove mass into nothing.
    bool transfers;
};

CompartmentRegions compartment_regions(const ModelState& st, int c)
{
    const float theta = st.water_content(c);
    const bool clearly_mobile = st.aggregate_porosity(c) + mobile_water_margin < theta;
    return {theta,
            st.immobile_water_content(c),
            st.compartment_thickness(c),
            st.bulk_density(c),
            st.aggregate_porosity(c) / st.porosity(c),
            st.aggregate_porosity(c) < theta,
            clearly_mobile,
            clearly_mobile && st.aggregate_porosity(c) > 0.0f};
}

void assemble_terms_of_substance(ModelState& st, const CompartmentRegions& w, int c, int s, float stage_step)
{
    const float kd = st.sorption_coefficient(c, s);
    const float exponent = st.sorption_exponent(c, s);
    const float cm = st.mobile_concentration(c, s);
    const float cim = st.immobile_concentration(c, s);

    if (c == surface_compartment) {
        assemble_surface_input(st, s);
    }

    const float k = st.degradation_rate(c, s);
    st.mobile_degradation(c, s) =
        w.has_mobile_water ? degradation(st.powers.solute(c, s, SolutePower::mobile_sorbed), k, kd, w.rho,
                                         1.0f - w.r, cm, exponent, w.theta - w.theta_im, w.dz)
                           : 0.0f;
    st.immobile_degradation(c, s) = degradation(st.powers.solute(c, s, SolutePower::immobile_sorbed), k, kd, w.rho,
                                                w.r, cim, exponent, w.theta_im, w.dz);

    st.transfer_rate(c, s) = w.transfers ? (cm - cim) * st.transfer_coefficient(s) * w.dz : 0.0f;

    assemble_irreversible_rates(st, c, s, w.r, w.clearly_mobile, stage_step);
}

}  // namespace

void assemble_substance_terms(ModelState& st, int c, float stage_step)
{
    const CompartmentRegions regions = compartment_regions(st, c);
    for (int s = 1; s <= st.substance_count; ++s) {
        assemble_terms_of_substance(st, regions, c, s, stage_step);
    }
}

}  // namespace soilcolumn
