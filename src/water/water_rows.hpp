#pragma once
// The rows of the water equation of one stage: face fluxes of water and their
// upwind split, the limit on water entering a saturated compartment, the
// couplings, diagonals and source of the Crank-Nicolson water equation, and
// the water the soil surface does not accept.
//
// Face c lies between compartments c-1 and c; fluxes are positive downward.

#include "state/model_state.hpp"

namespace soilcolumn {

// Face fluxes of the stage from the current suctions: no gravity flux below
// a dry compartment, the half face fluxes F with their downward and upward
// parts P and Q, then the limit on saturated compartments, bottom up.
// Changes gravity_flux (faces 2..N-1) and face_conductivity where the limit
// acts.
void assemble_water_face_fluxes(ModelState& st);

// Water couplings of soil compartment c to c-1 (through face c) and to c+1
// (through face c+1), with the Crank-Nicolson weight 0.5.
void assemble_water_upper_coupling(ModelState& st, int c);
void assemble_water_lower_coupling(ModelState& st, int c);
// Both couplings of soil compartments 2..N-1.
void assemble_water_couplings(ModelState& st);

// New-time and old-time diagonals and the gravity source of soil
// compartment c over a stage of length stage_step; needs both couplings of c.
void assemble_water_diagonals(ModelState& st, int c, float stage_step);

// Water offered at the surface but not accepted during a stage of length
// stage_step, in m.
void assemble_surface_excess(ModelState& st, float stage_step);

}  // namespace soilcolumn
