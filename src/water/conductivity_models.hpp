#pragma once
// The seven conductivity models, evaluated for one compartment at a time:
// unsaturated hydraulic conductivity (m/s) from the water content theta and
// the positive suction h (m). Model codes:
//   1 Campbell power of theta / theta_s      5 van Genuchten-Mualem, free m
//   2 Campbell, two pore systems             6 Gardner
//   3, 4 van Genuchten-Mualem, m = 1 - 1/n   7 GHM power of theta / theta_s

#include "state/model_state.hpp"

namespace soilcolumn {

// Conductivity of compartment c at water content theta and suction h by its
// conductivity model. An unknown model code returns `unchanged`.
float unsaturated_conductivity_at(const ModelState& st, int c, float h, float theta, float unchanged);

// The exponent m = 1 - 1/n of the Mualem conductivities (models 3, 4), and
// the exponent (l + 2) m of their denominator (1 + (alpha h)^n)^((l + 2) m).
float mualem_conductivity_m(const ModelState& st, int c);
float mualem_denominator_exponent(const ModelState& st, int c, float m);

// Ks ((1 + x_n)^m - x_n^((n-1)/n))^2 / denominator: the Mualem conductivity
// of compartment c from its powers.
inline float mualem_from_powers(const ModelState& st, int c, float x_n_1, float bracket_power, float denominator)
{
    const float bracket = bracket_power - x_n_1;
    return st.saturated_conductivity(c) * (bracket * bracket) / denominator;
}

// The Mualem conductivity of compartment c at suction h > 0 from its three
// powers x_n = (alpha h)^n, (1 + x_n)^m and the denominator, with
// (alpha h)^(n-1) = x_n / (alpha h) (the fast arithmetic).
inline float mualem_conductivity_from(const ModelState& st, int c, float h, float x_n, float bracket_power,
                                      float denominator)
{
    return mualem_from_powers(st, c, x_n / (st.conductivity_vg_alpha(c) * h), bracket_power, denominator);
}

// The fast arithmetic: the third power of the Mualem conductivities (models
// 3, 4) of compartments 2..N at the suctions of `state` that the van
// Genuchten column (water/van_genuchten_column.hpp) does not hold, raised
// in one batch by the vector powf and handed to the compartments' kept powers.
void prepare_mualem_powers(const ModelState& st, const SpeciesTable& state);

}  // namespace soilcolumn
