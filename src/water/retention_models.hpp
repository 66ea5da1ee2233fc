#pragma once
// The eight retention models, evaluated for one compartment at a time:
// water content theta(h) and specific water capacity |d theta / d h| at the
// positive suction h (m of water). Model codes:
//   1 power law with a parabolic wet end    5 van Genuchten, m = 1 - 1/n
//   2 two power-law segments                 6 van Genuchten, free m
//   3 log-linear through three points        7 single power of (1 + alpha h)
//   4 van Genuchten, m = 1 - 1/n             8 GHM log-log line
// Models 1, 2 and 4 to 8 share a log-linear dry end that reaches zero water
// content at 10^5 m suction.

#include "state/model_state.hpp"

namespace soilcolumn {

// Water content of compartment c at suction h by its retention model.
// Model 8 first raises h to 0.001 m. An unknown model code returns
// `unchanged`.
float retention_water_content(const ModelState& st, int c, float& h, float unchanged);

// Specific water capacity (1/m) of compartment c at suction h, where `theta`
// is the water content for h. The wet-end parabola of model 1 recomputes
// `theta` in place. An unknown model code returns `unchanged`.
float retention_capacity(const ModelState& st, int c, float h, float& theta, float unchanged);

// The exponent m of the van Genuchten curves (models 4 to 6).
float van_genuchten_m(const ModelState& st, int c);

// The van Genuchten water content of compartment c (models 4 to 6, below
// the dry end) from its power (1 + (alpha h)^n)^m.
inline float van_genuchten_water_content_from(const ModelState& st, int c, float bracket)
{
    const float theta_r = st.residual_water_content(c);
    return theta_r + (st.porosity(c) - theta_r) / bracket;
}

// The van Genuchten capacity of compartment c at suction h > 0 (above the
// dry end's water content) from its exponent m and the powers
// x_n = (alpha h)^n and (1 + x_n)^m, by the power laws
// alpha^n h^(n-1) = (alpha h)^n / h and (1 + x)^(-m-1) = 1 / ((1 + x)^m (1 + x))
// (the fast arithmetic; see state/model_state.hpp, SolverChoice).
inline float derived_van_genuchten_capacity(const ModelState& st, int c, float h, float m, float x_n, float bracket)
{
    const float theta_r = st.residual_water_content(c);
    return (st.porosity(c) - theta_r) * m * st.vg_n(c) * (x_n / h) / (bracket * (1.0f + x_n));
}

}  // namespace soilcolumn
