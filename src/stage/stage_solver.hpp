#pragma once

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Advances the stage's copy of the state (suction and mobile concentrations,
// immobile concentrations) in place by the stage step with the coefficients
// of the last assemble_step_coefficients; recomputes water contents and
// capacity for the new suctions. Returns how each phase's iteration ended;
// a phase that did not converge leaves the values its last sweep reached.
StageResult solve_step_equations(ModelState& st, const StageContext& stage);

}  // namespace soilcolumn
