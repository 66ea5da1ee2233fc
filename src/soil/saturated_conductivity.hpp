#pragma once

#include <cstdint>

#include "state/tables.hpp"

namespace soilcolumn {

// The compartment's saturated conductivity and organic matter fraction after
// the estimate; both stay with the compartment for everything computed later.
struct SaturatedConductivityEstimate {
    float saturated_conductivity;   // m/s
    float organic_matter_fraction;
};

// Replaces the saturated conductivity (m/s) by the estimate of the given
// method (2..8); method 1 or any unlisted number keeps it. Method 3 raises an
// organic matter fraction below 1.0E-5 to 1.0E-5; every other method keeps it.
SaturatedConductivityEstimate estimate_saturated_conductivity(
    const TextureVector& texture, float bulk_density, float porosity,
    float saturated_conductivity, float organic_matter_fraction, std::int32_t method,
    float reference_potential, float reference_water_content);

}  // namespace soilcolumn
