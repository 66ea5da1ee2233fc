#pragma once

#include "state/tables.hpp"

namespace soilcolumn {

// Van Genuchten-Mualem parameters by one set of regressions for all soils.
// Results: dry-end suction hx, water content at hx, residual water content,
// alpha (1/m), n, Mualem l, water content at 160 m suction.
void estimate_vg_parameters_general(const TextureVector& texture, float bulk_density,
                                    float porosity, float organic_matter_fraction,
                                    float topsoil_indicator, float& dry_end_suction,
                                    float& dry_end_water_content, float& residual_water_content,
                                    float& vg_alpha, float& vg_n, float& vg_l,
                                    float& water_content_160m);

// The same parameters by separate regressions for sandy (sand fraction above
// 0.5) and for loamy or clayey soils.
void estimate_vg_parameters_sand_loam(const TextureVector& texture, float bulk_density,
                                      float porosity, float organic_matter_fraction,
                                      float topsoil_indicator, float& dry_end_suction,
                                      float& dry_end_water_content,
                                      float& residual_water_content, float& vg_alpha,
                                      float& vg_n, float& vg_l, float& water_content_160m);

}  // namespace soilcolumn
