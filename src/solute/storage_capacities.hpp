#pragma once

#include "state/model_state.hpp"

namespace soilcolumn {

// Storage capacities of the mobile and immobile regions (mobile_capacity,
// immobile_capacity) for compartments 2..N-1 at the concentrations of
// columns 1..S of `state` and of `immobile`.
void compute_storage_capacities(ModelState& st, const SpeciesTable& state,
                                const SubstanceTable& immobile);

struct StorageCapacity {
    float mobile;
    float immobile;
};

// The storage capacities of compartment c for substance s at the
// concentrations given, as compute_storage_capacities sets them.
StorageCapacity storage_capacity_at(const ModelState& st, int c, int s, float mobile, float immobile);

// Keeps the storage capacities just computed for `state` and `immobile`
// with the concentrations and water contents they came from.
void keep_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile);

// compute_storage_capacities, taking the kept capacities of a compartment
// and substance whose concentrations and water contents have the bits they
// were kept with.
void reuse_storage_capacities(ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile);

}  // namespace soilcolumn
