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
};

// One phase of a stage's solve (the water rows, or the solute rows).
struct PhaseResult {
    int sweeps = 0;                 // relaxation sweeps made
    bool converged = false;         // the phase's stopping test was met
    double relative_residual = 0.0;  // last sweep's residual sum over the norm of the right-hand side
};

struct StageResult {
    PhaseResult water;
    PhaseResult solutes;  // converged with no sweep when there is no substance
};

}  // namespace soilcolumn
