#pragma once

#include <cstdint>
#include <optional>

#include "state/tables.hpp"

namespace soilcolumn {

// The retention curve drawn log-linearly through three fixed points.
struct ThreePointCurve {
    float water_content_1m;
    float water_content_3_3m;
    float water_content_150m;
};

// The Brooks-Corey estimate in van Genuchten form and its dry-end junction.
struct BrooksCoreyCurve {
    float dry_end_suction;
    float dry_end_water_content;
    float residual_water_content;
    float vg_alpha;
    float vg_m;
    float vg_n;
};

// Exactly one of the two curves is set; the caller keeps what it had for
// the columns of the other.
struct PorosityRegressionParameters {
    std::optional<ThreePointCurve> three_point;   // model 3
    std::optional<BrooksCoreyCurve> brooks_corey;  // every other model
    float aggregate_porosity;                      // capacity of the immobile region
};

// Model 3: three fixed points of the retention curve; any other model:
// Brooks-Corey polynomials in clay, sand and porosity in van Genuchten form.
PorosityRegressionParameters derive_porosity_regression_parameters(
    const TextureVector& texture, float porosity, float organic_matter_fraction,
    std::int32_t model);

struct DensityRegressionParameters {
    float dry_end_suction;
    float dry_end_water_content;
    float residual_water_content;
    float vg_alpha;
    float vg_n;
    float gardner_a;
    float gardner_b;
    float aggregate_porosity;  // capacity of the immobile region
};

// Retention parameters from texture, organic matter and bulk density, and the
// Gardner conductivity parameters from the saturated conductivity.
DensityRegressionParameters derive_density_regression_parameters(
    const TextureVector& texture, float bulk_density, float porosity,
    float organic_matter_fraction, float saturated_conductivity);

}  // namespace soilcolumn
