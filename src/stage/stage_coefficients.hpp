#pragma once

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Every coefficient of the water and solute rows of one stage of length
// stage.stage_step, evaluated from the current state (st.state,
// st.immobile_concentration, whichever copy the stage advances); sets
// st.surface_excess.
void assemble_step_coefficients(ModelState& st, const StageContext& stage);

}  // namespace soilcolumn
