#include "water/water_rows.hpp"

#include <algorithm>

#include "water/suction_limits.hpp"

namespace soilcolumn {
namespace {

constexpr float dry_water_content = 0.001f;     // m3/m3: below it no gravity flux leaves
constexpr int surface_face = 2;

// Splits the half face flux into its downward part P and its upward part Q.
// Water never leaves upward through the soil surface with solute, so Q(2)
// stays 0 whatever the sign.
void split_half_flux(ModelState& st, int c)
{
    const float f = st.half_face_flux(c);
    if (f > 0.0f) {
        st.downward_half_flux(c) = f;
        st.upward_half_flux(c) = 0.0f;
    } else {
        st.downward_half_flux(c) = 0.0f;
        st.upward_half_flux(c) = (c == surface_face) ? 0.0f : f;
    }
}

// Pressure part of the downward Darcy flux through face c (positive suction:
// a suction growing downward drives water down).
float pressure_flux(const ModelState& st, int c)
{
    return (st.matric_potential(c) - st.matric_potential(c - 1)) * st.face_conductivity(c)
           / st.centre_distance(c);
}

void cut_gravity_below_dry_compartments(ModelState& st)
{
    for (int c = 3; c <= st.compartment_count; ++c) {
        if (st.water_content(c - 1) < dry_water_content) {
            st.gravity_flux(c) = 0.0f;
        }
    }
}

void set_half_face_fluxes(ModelState& st)
{
    const int n = st.compartment_count;
    st.half_face_flux(surface_face) = 0.5f * st.gravity_flux(surface_face);
    split_half_flux(st, surface_face);
    for (int c = 3; c <= n; ++c) {
        st.half_face_flux(c) = 0.5f * (pressure_flux(st, c) + st.gravity_flux(c));
        split_half_flux(st, c);
    }
    // Water rising through the lower face brings no solute in.
    st.upward_half_flux(n) = 0.0f;
}

// A saturated compartment j takes in no more than drains at its bottom.
void limit_saturated_inflow(ModelState& st, int j)
{
    const float out = 2.0f * st.half_face_flux(j + 1);
    const float in = 2.0f * st.half_face_flux(j);
    if (in > out) {
        st.gravity_flux(j) = out - pressure_flux(st, j);  // full flux through face j becomes out
        st.half_face_flux(j) = 0.5f * out;
        split_half_flux(st, j);
        if (st.matric_potential(j - 1) <= wettest_suction) {
            st.face_conductivity(j) = 0.0f;  // two saturated compartments: only G(j) passes
        }
    }
}

// The loop runs upward, so a limited inflow is the outflow the compartment
// above sees next: a saturated zone passes on only what drains below it, and
// at the surface the accepted flux G(2) is cut (Kf(2) is 0 there).
void limit_inflow_of_saturated_compartments(ModelState& st)
{
    for (int j = st.compartment_count - 1; j >= surface_face; --j) {
        if (st.matric_potential(j) <= wettest_suction) {
            limit_saturated_inflow(st, j);
        }
    }
}

}  // namespace

void assemble_water_face_fluxes(ModelState& st)
{
    cut_gravity_below_dry_compartments(st);
    set_half_face_fluxes(st);
    limit_inflow_of_saturated_compartments(st);
}

void assemble_water_upper_coupling(ModelState& st, int c)
{
    st.upper_coupling(c, 0) = 0.5f * st.face_conductivity(c) / st.centre_distance(c);
}

void assemble_water_lower_coupling(ModelState& st, int c)
{
    st.lower_coupling(c, 0) = 0.5f * st.face_conductivity(c + 1) / st.centre_distance(c + 1);
}

void assemble_water_couplings(ModelState& st)
{
    // One coupling at a time down the column: loops the compiler vectorises.
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        assemble_water_upper_coupling(st, c);
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        assemble_water_lower_coupling(st, c);
    }
}

void assemble_water_diagonals(ModelState& st, int c, float stage_step)
{
    const float storage = st.compartment_thickness(c) * st.water_capacity(c) / stage_step;
    const float l = st.upper_coupling(c, 0);
    const float u = st.lower_coupling(c, 0);
    st.water_diag_new(c) = storage + l + u;
    st.water_diag_old(c) = storage - l - u;
    st.source_term(c, 0) = st.gravity_flux(c + 1) - st.gravity_flux(c);
}

void assemble_surface_excess(ModelState& st, float stage_step)
{
    // G(1) still holds the offered flux, G(2) the accepted one.
    st.surface_excess = std::max((st.gravity_flux(1) - st.gravity_flux(surface_face)) * stage_step, 0.0f);
}

}  // namespace soilcolumn
