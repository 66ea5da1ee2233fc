#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Depth and temperature factor on the reference half-life, per compartment
// and substance, from st.dew_point_temperature.
void compute_half_life_factors(ModelState& st);

}  // namespace soilcolumn
