#pragma once
// What travels into the operations of one stage (the predictor over half
// the time step, or the corrector over the whole step) and what comes back
// out of its solve.

#include "state/model_state.hpp"

namespace soilcolumn {

struct StageContext {
    float stage_step;           // s: half the time step (predictor) or the whole (corrector)
    SpeciesTable& state;        // the copy that advances: suctions and mobile concentrations
    SubstanceTable& immobile;   // its immobile concentrations
    bool ends_step = false;     // the corrector: its suctions are the step's last
};

// One phase of a stage's solve (the water rows, or the solute rows).
struct PhaseResult {
    int sweeps = 0;                 // relaxation sweeps made
    bool converged = false;         // the phase's stopping test was met
    double relative_residual = 0.0;  // last sweep's residual sum over the norm of the right-hand side
};

// Suctions the limits of 0.001 m and 95000 m moved after the water phase,
// and the water that moved with them by the stage's own rows (dz C times the
// change of suction): positive where the wet limit threw water away,
// negative where the dry limit made some up.
struct SuctionLimitTally {
    int wet = 0;
    int dry = 0;
    double wet_water = 0.0;  // m
    double dry_water = 0.0;  // m
    double wet_water_returned = 0.0;  // m the wet limit returned to the surface as ponded water (sound numerics)
};

// What crossed each face 2..N during the stage, as the solved rows carry it
// (the mean of the fluxes of the old and the new values), positive downward:
// water in m/s, substances in g/m2/s. Bookkeeping beside the model, 64-bit.
// Only faces 2..N of substances 1..S are written, so the tables are not
// zeroed; a stage that does not end the step (the predictor, whose fluxes
// nothing reads) may leave them unset.
struct FaceFluxes {
    CompartmentArray<double> water{left_unset};
    IndexedArray<CompartmentArray<double>, max_substances> substance{left_unset};
};

struct StageResult {
    PhaseResult water;
    PhaseResult solutes;  // converged after one sweep when there is no substance
    SuctionLimitTally limits;
    SubstanceTotals negative_mass_cleared;  // g/m2 added by setting negative concentrations to 0
    FaceFluxes fluxes;
};

}  // namespace soilcolumn
