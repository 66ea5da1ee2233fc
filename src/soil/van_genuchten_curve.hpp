#pragma once

#include <cmath>

namespace soilcolumn {

// The fitted curves hand over to the log-linear dry end at this suction (m).
inline constexpr float dry_end_junction_suction = 1000.0f;
// The immobile region holds the water that the soil retains at this suction (m).
inline constexpr float aggregate_water_suction = 160.0f;

// Water content of a van Genuchten retention curve at suction h (m):
// theta_r + (theta_s - theta_r) / (1 + (alpha h)^n)^m.
inline float van_genuchten_water_content(float h, float porosity, float residual_water_content,
                                         float vg_alpha, float vg_n, float vg_m)
{
    const float bracket = 1.0f + std::pow(h * vg_alpha, vg_n);
    return residual_water_content
           + (porosity - residual_water_content) / std::pow(bracket, vg_m);
}

}  // namespace soilcolumn
