#pragma once

#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Advances `state` (suction and mobile concentrations) and `immobile` in
// place by st.stage_step with the coefficients of the last
// assemble_step_coefficients; recomputes water contents and capacity for the
// new suctions. Reports non-convergence on the console.
void solve_step_equations(ModelState& st, SpeciesTable& state, SubstanceTable& immobile,
                          records::OutputUnit& console);

}  // namespace soilcolumn
