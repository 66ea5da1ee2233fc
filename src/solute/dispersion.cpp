#include "solute/dispersion.hpp"

#include <array>
#include <cmath>
#include <span>

#include "state/bit_select.hpp"
#include "state/power_batch.hpp"

namespace soilcolumn {
namespace {

constexpr float tortuosity_exponent = 3.333f;
constexpr float numerical_dispersion_offset = 0.57f;  // times the centre distance

constexpr int first_face = 3;

// Thickness-weighted harmonic mean of a compartment property over the faces
// first_face .. first_face + count - 1, one face per element of `mean`. Two
// zero values give zero (two compartments without aggregates have no face
// aggregate porosity), not 0/0. Written without branches, so that the
// compiler evaluates several faces at once: a vanishing denominator is
// replaced by 1 for the division, and its quotient's bits are then masked
// to those of +0.
void face_means(const ModelState& st, const CompartmentColumn& x, int count, float* mean)
{
    // Face f lies between compartments f - 1 and f, stored at f - 2 and f - 1.
    const float* dz = st.compartment_thickness.data() + (first_face - 2);
    const float* value = x.data() + (first_face - 2);
    for (int i = 0; i < count; ++i) {
        const float d1 = dz[i];
        const float d2 = dz[i + 1];
        const float x1 = value[i];
        const float x2 = value[i + 1];
        const float denominator = d2 * x1 + d1 * x2;
        // (A bool variable for the test would keep the compiler from vectorising.)
        const float quotient = (d1 + d2) * x1 * x2 / (denominator + static_cast<float>(denominator == 0.0f));
        mean[i] = select_bits(mask_of(denominator != 0.0f), quotient, 0.0f);
    }
}

// Dispersivity reduced by the numerical dispersion of the grid at face c.
float effective_dispersivity(const ModelState& st, int c)
{
    const float lambda = st.dispersivity - numerical_dispersion_offset * st.centre_distance(c);
    return lambda < 0.0f ? 0.0f : lambda;
}

// The water and pore space of face c.
struct FaceWater {
    float theta;         // water content
    float phi;           // porosity
    float mobile_water;  // water outside the aggregates
    float air;           // air-filled pores

    // No mobile water (this includes a dry face and a face without pore
    // space): neither liquid nor gas diffusion, for every substance.
    bool diffuses() const { return mobile_water > 0.0f && phi > 0.0f; }
};

// The water and pore space of the faces first_face.., one element per face.
struct FaceColumns {
    std::array<float, max_compartments> theta;
    std::array<float, max_compartments> phi;
    std::array<float, max_compartments> aggregate;

    FaceWater face(int i) const
    {
        const auto k = static_cast<std::size_t>(i);
        return {theta[k], phi[k], theta[k] - aggregate[k], phi[k] - theta[k]};
    }
};

void face_columns(const ModelState& st, int count, FaceColumns& faces)
{
    face_means(st, st.water_content, count, faces.theta.data());
    face_means(st, st.porosity, count, faces.phi.data());
    face_means(st, st.aggregate_porosity, count, faces.aggregate.data());
}

// Face c's coefficients from its water and the powers theta^a and air^a of
// the tortuosity (air^a is not read where the face has no air-filled pores).
inline void set_face_coefficients(ModelState& st, int c, const FaceWater& w, float theta_power, float air_power)
{
    if (!w.diffuses()) {
        for (int s = 1; s <= st.substance_count; ++s) {
            st.dispersion_coefficient(c, s) = 0.0f;
        }
        return;
    }

    const float phi_squared = w.phi * w.phi;
    const float liquid_tortuosity = theta_power / phi_squared;
    // A face with no air-filled pores has no gas diffusion.
    const float gas_tortuosity = w.air > 0.0f ? air_power / phi_squared : 0.0f;
    const float pore_water_speed = std::fabs(2.0f * st.half_face_flux(c) / w.theta);
    const float mechanical = pore_water_speed * effective_dispersivity(st, c);

    for (int s = 1; s <= st.substance_count; ++s) {
        const float liquid = st.water_diffusion_coefficient(s) * liquid_tortuosity;
        const float gas = st.air_diffusion_coefficient(s) * gas_tortuosity;
        st.dispersion_coefficient(c, s) = w.air * st.henry_constant(s) * gas + w.mobile_water * (liquid + mechanical);
    }
}

// Face by face, each power where it is read.
void compute_face_by_face(ModelState& st, const FaceColumns& faces, int count)
{
    for (int i = 0; i < count; ++i) {
        const FaceWater w = faces.face(i);
        const bool powers_read = w.diffuses();
        const float theta_power = powers_read ? std::pow(w.theta, tortuosity_exponent) : 0.0f;
        const float air_power = powers_read && w.air > 0.0f ? std::pow(w.air, tortuosity_exponent) : 0.0f;
        set_face_coefficients(st, first_face + i, w, theta_power, air_power);
    }
}

// The powers of all faces in two batches (state/power_batch.hpp), then the
// coefficients. A face without air-filled pores raises 0.
void compute_with_batched_powers(ModelState& st, const FaceColumns& faces, int count)
{
    std::array<float, max_compartments> theta_powers;
    std::array<float, max_compartments> air_powers;
    for (int i = 0; i < count; ++i) {
        const FaceWater w = faces.face(i);
        theta_powers[i] = w.theta;
        air_powers[i] = w.air > 0.0f ? w.air : 0.0f;
    }
    static const std::array<float, max_compartments> exponents = [] {
        std::array<float, max_compartments> a;
        a.fill(tortuosity_exponent);
        return a;
    }();
    const auto n = static_cast<std::size_t>(count);
    const std::span<const float> exponent_of_each = std::span(exponents).first(n);
    raise_each(std::span(theta_powers).first(n), exponent_of_each, true);
    raise_each(std::span(air_powers).first(n), exponent_of_each, true);
    for (int i = 0; i < count; ++i) {
        set_face_coefficients(st, first_face + i, faces.face(i), theta_powers[i], air_powers[i]);
    }
}

}  // namespace

void compute_dispersion_coefficients(ModelState& st)
{
    const int count = st.compartment_count - first_face;
    if (count <= 0) return;
    FaceColumns faces;
    face_columns(st, count, faces);
    if (st.vector_powers) {
        compute_with_batched_powers(st, faces, count);
    } else {
        compute_face_by_face(st, faces, count);
    }
}

}  // namespace soilcolumn
