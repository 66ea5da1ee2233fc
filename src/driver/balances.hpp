#pragma once
// Mass balances of water and substances after every time step, the face
// fluxes printed with them, the reversibly sorbed concentrations, and the
// growth of the irreversibly sorbed store.

#include "state/model_state.hpp"

namespace soilcolumn {

// Freundlich sorption: coefficient x concentration^exponent (g/kg). A
// slightly negative concentration left by the solver counts as 0 where the
// power would have no real value.
float freundlich_sorbed(float coefficient, float concentration, float exponent);
// The same, with the power kept for reuse in `memo`.
float freundlich_sorbed(PowerMemo& memo, float coefficient, float concentration, float exponent);

// Adds the irreversible sorption of the step to the stores of both regions,
// per kg of the region's sorbent. A region without sorbent (no aggregates,
// or no mobile pore space) keeps its store.
void update_irreversible_sorption(ModelState& st);

// Water balance, substance balances, face fluxes and sorbed concentrations
// of the step just completed (length st.time_step).
void update_balances(ModelState& st);

}  // namespace soilcolumn
