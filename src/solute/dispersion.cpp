#include "solute/dispersion.hpp"

#include <array>
#include <cmath>
#include <cstdint>
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

// The water and pore space of the faces first_face.., one element per face:
// water content, porosity and the aggregates' water content.
struct FaceColumns {
    std::array<float, max_compartments> theta;
    std::array<float, max_compartments> phi;
    std::array<float, max_compartments> aggregate;
};

void face_columns(const ModelState& st, int count, FaceColumns& faces)
{
    face_means(st, st.water_content, count, faces.theta.data());
    face_means(st, st.porosity, count, faces.phi.data());
    face_means(st, st.aggregate_porosity, count, faces.aggregate.data());
}

// The powers theta^a and air^a of the tortuosity of each face; air^a is 0
// where the face has no air-filled pores, and neither is read where the
// face has no mobile water.
struct TortuosityPowers {
    std::array<float, max_compartments> theta;
    std::array<float, max_compartments> air;
};

// What the substances of a face share: a mask of the faces with mobile
// water (this excludes a dry face and a face without pore space, which
// have neither liquid nor gas diffusion), their tortuosities, mobile and
// air-filled pore space and the mechanical dispersion.
struct FaceTerms {
    std::array<std::uint32_t, max_compartments> diffuses;
    std::array<float, max_compartments> liquid_tortuosity;
    std::array<float, max_compartments> gas_tortuosity;
    std::array<float, max_compartments> mobile_water;
    std::array<float, max_compartments> air;
    std::array<float, max_compartments> mechanical;
};

// All bits where face i has mobile water and pore space, none elsewhere
// (two masks, not a && of the tests, so that loops vectorise).
std::uint32_t diffusion_mask(const FaceColumns& faces, int i)
{
    const auto k = static_cast<std::size_t>(i);
    return mask_of(faces.theta[k] - faces.aggregate[k] > 0.0f) & mask_of(faces.phi[k] > 0.0f);
}

// In a loop g++ vectorises; a face without mobile water gets values that
// are not read.
void face_terms(const ModelState& st, const FaceColumns& faces, const TortuosityPowers& powers, int count,
                FaceTerms& terms)
{
    // Face f is stored at f - 1 in the state's tables.
    const float* half_flux = st.half_face_flux.data() + (first_face - 1);
    const float* distance = st.centre_distance.data() + (first_face - 1);
    for (int i = 0; i < count; ++i) {
        const float theta = faces.theta[i];
        const float phi = faces.phi[i];
        const float mobile_water = theta - faces.aggregate[i];
        const float air = phi - theta;
        terms.diffuses[i] = diffusion_mask(faces, i);
        const float phi_squared = phi * phi;
        terms.liquid_tortuosity[i] = powers.theta[i] / phi_squared;
        // A face with no air-filled pores has no gas diffusion.
        terms.gas_tortuosity[i] = select_bits(mask_of(air > 0.0f), powers.air[i] / phi_squared, 0.0f);
        terms.mobile_water[i] = mobile_water;
        terms.air[i] = air;
        const float pore_water_speed = std::fabs(2.0f * half_flux[i] / theta);
        // The dispersivity reduced by the numerical dispersion of the grid.
        const float lambda = st.dispersivity - numerical_dispersion_offset * distance[i];
        terms.mechanical[i] = pore_water_speed * (lambda < 0.0f ? 0.0f : lambda);
    }
}

// Every substance's coefficients of the faces, in loops g++ vectorises.
void set_face_coefficients(ModelState& st, const FaceTerms& terms, int count)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        const float water_diffusion = st.water_diffusion_coefficient(s);
        const float air_diffusion = st.air_diffusion_coefficient(s);
        const float henry = st.henry_constant(s);
        float* coefficient = &st.dispersion_coefficient(first_face, s);
        for (int i = 0; i < count; ++i) {
            const float liquid = water_diffusion * terms.liquid_tortuosity[i];
            const float gas = air_diffusion * terms.gas_tortuosity[i];
            const float d = terms.air[i] * henry * gas + terms.mobile_water[i] * (liquid + terms.mechanical[i]);
            coefficient[i] = select_bits(terms.diffuses[i], d, 0.0f);
        }
    }
}

// Face by face, each power where it is read.
void raise_face_by_face(const FaceColumns& faces, int count, TortuosityPowers& powers)
{
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const float air = faces.phi[k] - faces.theta[k];
        const bool powers_read = diffusion_mask(faces, i) != 0;
        powers.theta[k] = powers_read ? std::pow(faces.theta[k], tortuosity_exponent) : 0.0f;
        powers.air[k] = powers_read && air > 0.0f ? std::pow(air, tortuosity_exponent) : 0.0f;
    }
}

// The powers of all faces in two batches (state/power_batch.hpp). A face
// without air-filled pores raises 0.
void raise_in_batches(const FaceColumns& faces, int count, TortuosityPowers& powers)
{
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const float air = faces.phi[k] - faces.theta[k];
        powers.theta[k] = faces.theta[k];
        powers.air[k] = air > 0.0f ? air : 0.0f;
    }
    static const std::array<float, max_compartments> exponents = [] {
        std::array<float, max_compartments> a;
        a.fill(tortuosity_exponent);
        return a;
    }();
    const auto n = static_cast<std::size_t>(count);
    const std::span<const float> exponent_of_each = std::span(exponents).first(n);
    raise_each(std::span(powers.theta).first(n), exponent_of_each, true);
    raise_each(std::span(powers.air).first(n), exponent_of_each, true);
}

}  // namespace

void compute_dispersion_coefficients(ModelState& st)
{
    const int count = st.compartment_count - first_face;
    if (count <= 0) return;
    FaceColumns faces;
    face_columns(st, count, faces);
    TortuosityPowers powers;
    if (st.vector_powers) {
        raise_in_batches(faces, count, powers);
    } else {
        raise_face_by_face(faces, count, powers);
    }
    FaceTerms terms;
    face_terms(st, faces, powers, count, terms);
    set_face_coefficients(st, terms, count);
}

}  // namespace soilcolumn
