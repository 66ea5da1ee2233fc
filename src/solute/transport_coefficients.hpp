#pragma once
// The coefficients of the solute rows of one stage, evaluated from the
// current state (st.state, st.immobile_concentration): dispersive couplings,
// surface input, degradation, exchange between the regions and irreversible
// sorption.

#include "state/model_state.hpp"

namespace soilcolumn {

// Dispersive couplings of each soil compartment c to c-1 (through face c)
// and to c+1 (through face c+1) for every substance, with the Crank-Nicolson
// weight 0.5: each acts on old and new concentrations alike. Needs the
// dispersion coefficients of the stage.
void assemble_solute_couplings(ModelState& st);

// Surface input (compartment 2), degradation, transfer and irreversible
// sorption rates of every substance in the soil compartments over a stage
// of length stage_step; needs the half-life factors of the stage.
void assemble_substance_terms(ModelState& st, float stage_step);

}  // namespace soilcolumn
