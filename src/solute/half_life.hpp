#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Depth and temperature factor on the reference half-life, per compartment
// and substance, from st.dew_point_temperature, and the first-order
// degradation rate of the effective half-life.
void compute_half_life_factors(ModelState& st);

}  // namespace soilcolumn
