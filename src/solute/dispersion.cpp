#include "solute/dispersion.hpp"

#include <cmath>

namespace soilcolumn {
namespace {

constexpr float tortuosity_exponent = 3.333f;
constexpr float numerical_dispersion_offset = 0.57f;  // times the centre distance

// Thickness-weighted harmonic mean of a compartment property over face c.
// Two zero values give zero (two compartments without aggregates have no
// face aggregate porosity), not 0/0.
float face_mean(const CompartmentColumn& x, const ModelState& st, int c)
{
    const float d1 = st.compartment_thickness(c - 1);
    const float d2 = st.compartment_thickness(c);
    const float x1 = x(c - 1);
    const float x2 = x(c);
    const float denominator = d2 * x1 + d1 * x2;
    if (denominator == 0.0f) {
        return 0.0f;
    }
    return (d1 + d2) * x1 * x2 / denominator;
}

// Dispersivity reduced by the numerical dispersion of the grid at face c.
float effective_dispersivity(const ModelState& st, int c)
{
    const float lambda = st.dispersivity - numerical_dispersion_offset * st.centre_distance(c);
    return lambda < 0.0f ? 0.0f : lambda;
}

void set_face_coefficients(ModelState& st, int c)
{
    const float theta = face_mean(st.water_content, st, c);
    const float phi = face_mean(st.porosity, st, c);
    const float aggregate = face_mean(st.aggregate_porosity, st, c);
    const float mobile_water = theta - aggregate;
    const float air = phi - theta;

    // No mobile water (this includes a dry face and a face without pore
    // space): neither liquid nor gas diffusion, for every substance.
    if (mobile_water <= 0.0f || phi <= 0.0f) {
        for (int s = 1; s <= st.substance_count; ++s) {
            st.dispersion_coefficient(c, s) = 0.0f;
        }
        return;
    }

    const float phi_squared = phi * phi;
    const float liquid_tortuosity = std::pow(theta, tortuosity_exponent) / phi_squared;
    // A face with no air-filled pores has no gas diffusion.
    const float gas_tortuosity = air > 0.0f ? std::pow(air, tortuosity_exponent) / phi_squared : 0.0f;
    const float pore_water_speed = std::fabs(2.0f * st.half_face_flux(c) / theta);
    const float mechanical = pore_water_speed * effective_dispersivity(st, c);

    for (int s = 1; s <= st.substance_count; ++s) {
        const float liquid = st.water_diffusion_coefficient(s) * liquid_tortuosity;
        const float gas = st.air_diffusion_coefficient(s) * gas_tortuosity;
        st.dispersion_coefficient(c, s) = air * st.henry_constant(s) * gas + mobile_water * (liquid + mechanical);
    }
}

}  // namespace

void compute_dispersion_coefficients(ModelState& st)
{
    for (int c = 3; c <= st.compartment_count - 1; ++c) {
        set_face_coefficients(st, c);
    }
}

}  // namespace soilcolumn
