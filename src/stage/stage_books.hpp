#pragma once
// What a solved stage books beside the model, shared by the relaxation
// sweeps and the direct solve: the face fluxes of the solved rows and the
// mass added where negative concentrations are set to zero.

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Water through faces 2..N as the solved rows carry it: gravity flux plus the
// face conductance times the mean of the old and new suction differences.
void book_water_face_fluxes(const ModelState& st, const SpeciesTable& old_state, const SpeciesTable& state,
                            FaceFluxes& fluxes);

// Every substance through faces 2..N: dispersion and upwind advection at
// both times, as the solute rows hold them.
void book_solute_face_fluxes(const ModelState& st, const SpeciesTable& old_state, const SpeciesTable& state,
                             FaceFluxes& fluxes);

// Sets negative concentrations of both regions to zero; returns the mass
// (g/m2) that adds per substance.
SubstanceTotals clear_negative_concentrations(const ModelState& st, SpeciesTable& state, SubstanceTable& immobile);

}  // namespace soilcolumn
