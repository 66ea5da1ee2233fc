#pragma once
// Which numerics a run uses, and what the sound numerics did: how often a
// time step was redone in smaller pieces, how deep, and why.

#include <cstdint>

#include "state/tables.hpp"

namespace soilcolumn {

enum class NumericsMode {
    classic,  // relaxation sweeps at the time step of vekin.txt, as the model always ran
    sound,    // direct solves, conserving storage terms, step subdivision
};

// "classic" or "sound".
const char* numerics_mode_name(NumericsMode mode);

// A time step whose pieces fail a check is redone as two halves, down to
// 1 / 2^finest_subdivision_level of the step.
inline constexpr int finest_subdivision_level = 6;  // 1/64

struct NumericsRecord {
    NumericsMode mode = NumericsMode::classic;
    std::int64_t subdivided_steps = 0;   // time steps taken in more than one piece
    std::int64_t pieces = 0;             // pieces taken in all, undivided steps included
    std::int64_t rejected_pieces = 0;    // pieces redone as two halves
    int deepest_level = 0;               // 0: never subdivided; k: a piece of 1/2^k of a step
    std::int64_t unresolved_pieces = 0;  // pieces at the finest level accepted though a check failed
    // Why pieces were redone (a piece can fail more than one check).
    std::int64_t oscillation_failures = 0;
    std::int64_t water_balance_failures = 0;
    std::int64_t substance_balance_failures = 0;
    std::int64_t dry_limit_failures = 0;
    std::int64_t non_finite_failures = 0;
    std::int64_t evaporation_failures = 0;
    double wet_limit_water_returned = 0.0;  // m the wet limit returned to the surface as ponded water
    // The model's running sums of substances, kept in 64-bit beside the
    // 32-bit values the result files print (g/m2).
    SubstanceTotals entered;
    SubstanceTotals leached;
    SubstanceTotals transformed;
};

}  // namespace soilcolumn
