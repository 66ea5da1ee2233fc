#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Effective dispersion and diffusion coefficient of the interior faces
// 3..N-1 for every substance, from the water contents and the half face
// fluxes.
void compute_dispersion_coefficients(ModelState& st);

}  // namespace soilcolumn
