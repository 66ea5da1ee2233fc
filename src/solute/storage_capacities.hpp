#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Storage capacities of the mobile and immobile regions (mobile_capacity,
// immobile_capacity) for compartments 2..N-1 at the concentrations of
// columns 1..S of `state` and of `immobile`.
void compute_storage_capacities(ModelState& st, const SpeciesTable& state,
                                const SubstanceTable& immobile);

// Keeps the storage capacities just computed for `state` and `immobile`
// with the concentrations and water contents they came from.
void keep_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile);

// compute_storage_capacities, taking the kept capacities instead where
// every concentration and water content has the bits they were kept with.
void reuse_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile);

}  // namespace soilcolumn
