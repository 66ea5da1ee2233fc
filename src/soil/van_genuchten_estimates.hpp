#pragma once

#include "state/tables.hpp"

namespace soilcolumn {

// Van Genuchten-Mualem parameters of a fitted curve (theta_r = 0,
// m = 1 - 1/n) and its points at the dry-end junction and at 160 m suction.
struct VanGenuchtenEstimate {
    float dry_end_suction;
    float dry_end_water_content;
    float residual_water_content;
    float vg_alpha;  // 1/m
    float vg_n;
    float vg_l;      // Mualem tortuosity
    float water_content_160m;
};

// By one set of regressions for all soils.
VanGenuchtenEstimate estimate_vg_parameters_general(const TextureVector& texture,
                                                    float bulk_density, float porosity,
                                                    float organic_matter_fraction,
                                                    float topsoil_indicator);

// By separate regressions for sandy (sand fraction above 0.5) and for loamy
// or clayey soils.
VanGenuchtenEstimate estimate_vg_parameters_sand_loam(const TextureVector& texture,
                                                      float bulk_density, float porosity,
                                                      float organic_matter_fraction,
                                                      float topsoil_indicator);

}  // namespace soilcolumn
