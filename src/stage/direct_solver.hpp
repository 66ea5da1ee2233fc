#pragma once
// The sound numerics of one stage: the water rows and the solute rows solved
// directly (Thomas algorithm) instead of by relaxation sweeps, so that the
// answer carries no stopping error of an iteration.
//
// The rows are those the stage's coefficients assemble. Two storage terms
// are taken in their conserving form, and iterated to convergence with a
// direct solve per iteration:
// - water (the corrector, which the balances book): the change of water
//   content theta(h_new) - theta(h_old) replaces the capacity at mid-step
//   times the change of suction. Both agree to first order in the step; the
//   first keeps the water the rows move equal to the water the column
//   stores (the modified Picard iteration of the mixed form of Richards'
//   equation). Its first iterate is the solution of the classic rows.
// - solutes: the change of the stored mass (dissolved, sorbed by the
//   Freundlich isotherm, in the soil air) replaces the storage capacity,
//   the isotherm's slope, times the concentration. For linear sorption they
//   are the same rows; for Freundlich exponents other than 1 the slope form
//   counts n Kd C^n where the soil holds Kd C^n. Newton's iteration with
//   the slope as derivative converges to the conserving solution.
// The immobile region exchanges with the mobile one through the explicit
// transfer term, so each compartment's immobile row stands alone and is
// solved (eliminated) per compartment.

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Tridiagonal rows first..last: lower(c) x(c-1) + diagonal(c) x(c) +
// upper(c) x(c+1) = rhs(c); lower(first) and upper(last) are not used.
struct TridiagonalRows {
    CompartmentArray<double> lower;
    CompartmentArray<double> diagonal;
    CompartmentArray<double> upper;
    CompartmentArray<double> rhs;
};

// Thomas algorithm without pivoting (the rows of a stage are diagonally
// dominant or nearly so). Overwrites rows.rhs with the solution; the
// caller turns a row with a zero diagonal into x(c) = value beforehand.
void solve_tridiagonal(TridiagonalRows& rows, int first, int last);

// Advances the stage's copy of the state in place like solve_step_equations,
// by direct solves. `conserve_water` takes the water storage in its
// conserving form (the corrector); otherwise the classic water rows are
// solved as they stand (the predictor, whose result only sets the mid-step
// coefficients). The suction limits' water is measured by the retention
// curve: limits.wet_water and limits.dry_water are the water contents lost
// and made up by holding the suctions.
StageResult solve_step_equations_directly(ModelState& st, const StageContext& stage, bool conserve_water);

}  // namespace soilcolumn
