#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Every coefficient of the water and solute equations of one stage of length
// st.stage_step, evaluated from the current state (st.state,
// st.immobile_concentration); sets st.surface_excess.
void assemble_step_coefficients(ModelState& st);

}  // namespace soilcolumn
