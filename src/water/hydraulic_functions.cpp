#include "water/hydraulic_functions.hpp"

#include "state/bit_select.hpp"
#include "state/same_bits.hpp"
#include "water/conductivity_models.hpp"
#include "water/retention_models.hpp"
#include "water/van_genuchten_column.hpp"

namespace soilcolumn {

namespace {

// Faces within this depth of soil take the arithmetic mean of the two
// conductivities as gravity flux, deeper faces the harmonic face conductivity.
constexpr float shallow_depth = 0.5f;  // m

// The first compartment whose soil (counted from compartment 2) reaches below
// shallow_depth; the previous index when the whole column is shallower.
void update_shallow_index(ModelState& st)
{
    float depth = 0.0f;
    for (int c = 2; c <= st.compartment_count; ++c) {
        depth = depth + st.compartment_thickness(c);
        if (depth > shallow_depth) {
            st.shallow_index = c;
            return;
        }
    }
}

// Thickness-weighted harmonic mean of the conductivities on both sides of
// each face 3..N-1; a face next to a non-conducting compartment does not
// conduct. Written without branches, so that the compiler evaluates several
// faces at once: where the denominator is not positive, the quotient (of
// whatever the divisor then is) is masked to the bits of +0.
void compute_harmonic_face_conductivities(ModelState& st)
{
    // Face c lies between compartments c - 1 and c, stored at c - 2 and c - 1.
    const float* dz = st.compartment_thickness.data() + 1;
    const float* k = st.unsaturated_conductivity.data() + 1;
    float* face = st.face_conductivity.data() + 2;
    for (int i = 0; i < st.compartment_count - 3; ++i) {
        const float dz_above = dz[i];
        const float dz_below = dz[i + 1];
        const float k_above = k[i];
        const float k_below = k[i + 1];
        const float denominator = dz_above * k_below + k_above * dz_below;
        // (A select of the divisor would keep the compiler from vectorising.)
        const float quotient =
            (dz_above + dz_below) * k_above * k_below / (denominator + static_cast<float>(denominator <= 0.0f));
        face[i] = select_bits(mask_of(!(denominator <= 0.0f)), quotient, 0.0f);
    }
}

void compute_face_terms(ModelState& st)
{
    const int n = st.compartment_count;
    update_shallow_index(st);
    compute_harmonic_face_conductivities(st);
    for (int c = 3; c <= n - 1; ++c) {
        st.gravity_flux(c) = c <= st.shallow_index
                                 ? (st.unsaturated_conductivity(c - 1) + st.unsaturated_conductivity(c)) / 2.0f
                                 : st.face_conductivity(c);
    }
    // Unit hydraulic gradient below the last soil compartment.
    st.face_conductivity(n) = st.unsaturated_conductivity(n - 1);
    st.gravity_flux(n) = st.unsaturated_conductivity(n - 1);
    // The surface flux enters through gravity_flux(1), (2) alone.
    st.face_conductivity(2) = 0.0f;
}

void set_water_content(ModelState& st, int c, float theta)
{
    st.water_content(c) = theta;
    // The aggregates fill first: the immobile region holds the water up to
    // the aggregate porosity.
    const float aggregate = st.aggregate_porosity(c);
    st.immobile_water_content(c) = aggregate >= theta ? theta : aggregate;
}

void evaluate_water_retention(ModelState& st, SpeciesTable& state, int c)
{
    set_water_content(st, c, retention_water_content(st, c, state(c, 0), st.water_content(c)));
}

}  // namespace

void compute_water_retention(ModelState& st, SpeciesTable& state)
{
    if (st.vector_powers) {
        raise_column_powers(st, state);
    }
    for (int c = 2; c <= st.compartment_count; ++c) {
        if (column_holds(st, c, state(c, 0))) {
            set_water_content(st, c, column_water_content(st, c));
        } else {
            evaluate_water_retention(st, state, c);
        }
    }
}

void keep_water_retention(ModelState& st, const SpeciesTable& state)
{
    ReusedResults::KeptRetention& kept = st.kept_retention;
    for (int c = 2; c <= st.compartment_count; ++c) {
        kept.suction(c) = state(c, 0);
        kept.water(c) = st.water_content(c);
        kept.immobile_water(c) = st.immobile_water_content(c);
    }
    kept.kept = true;
}

// A curve's water content depends on its compartment's suction alone, so
// the same bits give the same result; the comparison is of bits, so that
// no value is taken for another that merely compares equal (-0 and +0).
void reuse_water_retention(ModelState& st, SpeciesTable& state)
{
    const ReusedResults::KeptRetention& kept = st.kept_retention;
    for (int c = 2; c <= st.compartment_count; ++c) {
        if (kept.kept && same_bits(state(c, 0), kept.suction(c))) {
            st.water_content(c) = kept.water(c);
            st.immobile_water_content(c) = kept.immobile_water(c);
        } else {
            evaluate_water_retention(st, state, c);
        }
    }
}

void compute_hydraulic_properties(ModelState& st, SpeciesTable& state)
{
    ColumnSettings column;
    if (st.vector_powers) {
        prepare_mualem_powers(st, state);
        column = set_column_capacities_and_conductivities(st, state);
    }
    for (int c = 2; c <= st.compartment_count; ++c) {
        const float h = state(c, 0);
        float& theta = st.water_content(c);
        if (!column.set_capacity(c)) {
            st.water_capacity(c) = retention_capacity(st, c, h, theta, st.water_capacity(c));
        }
        if (!column.set_conductivity(c)) {
            st.unsaturated_conductivity(c) = unsaturated_conductivity_at(st, c, h, theta, st.unsaturated_conductivity(c));
        }
    }
    compute_face_terms(st);
}

}  // namespace soilcolumn
