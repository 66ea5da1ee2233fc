#pragma once

#include <cstdint>

#include "state/tables.hpp"

namespace soilcolumn {

// Model 3: three fixed points of the retention curve; any other model:
// Brooks-Corey polynomials in clay, sand and porosity in van Genuchten form.
void derive_porosity_regression_parameters(
    const TextureVector& texture, float porosity, float organic_matter_fraction,
    float& water_content_1m, float& water_content_3_3m, float& water_content_150m,
    float& dry_end_suction, float& dry_end_water_content, float& residual_water_content,
    float& vg_alpha, float& vg_m, float& vg_n, float& aggregate_porosity, std::int32_t model);

// Retention parameters from texture, organic matter and bulk density, and the
// Gardner conductivity parameters from the saturated conductivity.
void derive_density_regression_parameters(
    const TextureVector& texture, float bulk_density, float porosity,
    float organic_matter_fraction, float& dry_end_suction, float& dry_end_water_content,
    float& residual_water_content, float& vg_alpha, float& vg_n, float& gardner_a,
    float& gardner_b, float saturated_conductivity, float& aggregate_porosity);

}  // namespace soilcolumn
