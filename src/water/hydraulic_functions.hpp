#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Water content and immobile water content of compartments 2..N for the
// suctions in column 0 of `state` (the current state or the start-of-step
// copy). Retention model 8 raises a suction below 0.001 m in `state`.
void compute_water_retention(ModelState& st, SpeciesTable& state);

// Keeps what compute_water_retention gave for the suctions of `state`: the
// suctions a step ends with, from which both stages of the next step start.
void keep_water_retention(ModelState& st, const SpeciesTable& state);

// compute_water_retention at the start of a stage: a compartment whose
// suction is the kept one takes the kept water contents, the others are
// evaluated.
void reuse_water_retention(ModelState& st, SpeciesTable& state);

// Specific water capacity, conductivity, face conductivity and gravity flux
// for the suctions in column 0 of `state` and the water contents that
// compute_water_retention left for them.
void compute_hydraulic_properties(ModelState& st, SpeciesTable& state);

}  // namespace soilcolumn
