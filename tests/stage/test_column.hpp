#pragma once
// A small homogeneous soil column built by hand for tests of the stage and
// of the bookkeeping beside it.

#include <memory>
#include <vector>

#include "state/model_state.hpp"
#include "water/hydraulic_functions.hpp"

namespace soilcolumn::testing {

inline constexpr float dew_point_10_celsius = 283.15f;

// A homogeneous column of compartments 0.2 m thick: van Genuchten retention
// (model 5: alpha 3 1/m, n 1.4, porosity 0.4, residual 0.05) and
// van Genuchten-Mualem conductivity (model 4), one substance.
struct ColumnSetup {
    std::vector<float> suction;  // compartments 1..N
    float saturated_conductivity = 1e-4f;  // m/s
    float aggregate_porosity = 0.05f;
    float sorption_coefficient = 0.01f;  // linear sorption
    float henry = 0.01f;
    float half_life = 1.0E20f;  // days: no degradation
    float irreversible_share = 0.0f;
    bool closed_bottom = true;  // the last soil compartment does not conduct
};

inline std::unique_ptr<ModelState> column(const ColumnSetup& setup)
{
    auto st = std::make_unique<ModelState>();
    const int n = static_cast<int>(setup.suction.size());
    st->compartment_count = n;
    st->substance_count = 1;
    st->dispersivity = 0.3f;
    st->dew_point_temperature = dew_point_10_celsius;
    st->water_diffusion_coefficient(1) = 1e-9f;
    st->air_diffusion_coefficient(1) = 1e-5f;
    st->henry_constant(1) = setup.henry;
    st->half_life(1) = setup.half_life;
    st->transfer_coefficient(1) = 1e-6f;
    st->irreversible_share(1) = setup.irreversible_share;
    for (int c = 1; c <= n; ++c) {
        st->compartment_thickness(c) = 0.2f;
        st->centre_distance(c) = 0.2f;
        st->porosity(c) = 0.4f;
        st->aggregate_porosity(c) = setup.aggregate_porosity;
        st->bulk_density(c) = 1500.0f;
        st->retention_model(c) = 5;
        st->conductivity_model(c) = 4;
        st->residual_water_content(c) = 0.05f;
        st->vg_alpha(c) = 3.0f;
        st->vg_n(c) = 1.4f;
        st->dry_end_suction(c) = 1.0E4f;
        st->dry_end_water_content(c) = 0.0557f;
        st->saturated_conductivity(c) = setup.saturated_conductivity;
        st->conductivity_vg_alpha(c) = 3.0f;
        st->conductivity_vg_n(c) = 1.4f;
        st->conductivity_vg_l(c) = 0.5f;
        st->sorption_coefficient(c, 1) = setup.sorption_coefficient;
        st->sorption_exponent(c, 1) = 1.0f;
        st->matric_potential(c) = setup.suction[static_cast<std::size_t>(c - 1)];
    }
    if (setup.closed_bottom) {
        st->saturated_conductivity(n - 1) = 0.0f;  // K(N-1) = 0: no flux through faces N-1 and N
    }
    compute_water_retention(*st, st->state);
    compute_hydraulic_properties(*st, st->state);
    return st;
}

}  // namespace soilcolumn::testing
