#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Fast arithmetic: the Freundlich powers C^n of both regions of compartments
// 2..N-1 and substances 1..S that their kept powers do not hold yet, raised
// in one vectorised batch (state/power_batch.hpp) and handed to the kept
// powers of the sorbed concentrations. The degradation terms, the balances
// and the storage capacities' slopes (C^(n-1) = C^n / C) then find them.
void prepare_freundlich_powers(const ModelState& st, const SpeciesTable& mobile, const SubstanceTable& immobile);

}  // namespace soilcolumn
