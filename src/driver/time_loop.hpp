#pragma once

#include "main/file_set.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Simulates the whole period: initialisation, the predictor-corrector steps
// with boundaries, balances and result records, and the end message.
void run_simulation(ModelState& st, FileSet& files);

}  // namespace soilcolumn
