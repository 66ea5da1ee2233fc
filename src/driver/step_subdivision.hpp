#pragma once
// The time step of the sound numerics: predictor and corrector by direct
// solves, checked, and redone as two half steps with the same boundary
// values where a check fails, down to 1/64 of the step.

#include "driver/file_set.hpp"
#include "driver/numerics_record.hpp"
#include "driver/run_record.hpp"
#include "driver/time_loop.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Predictor over half of st.time_step and corrector over the whole by
// direct solves; the water the wet limit would discard goes back to the
// surface as ponded water. The end of the step becomes the current state.
StepResult advance_soundly(ModelState& st);

// Why a piece of a step is not good enough to keep.
struct PieceCheck {
    bool non_finite = false;     // a suction, concentration or face flux is NaN or infinite
    bool oscillation = false;    // an interior suction exceeds ten times both neighbours' (new in the piece)
    bool water_balance = false;  // stored water changed by more than the faces let through
    bool substance_balance = false;  // its iteration did not converge, or clearing negatives added mass
    bool dry_limit = false;      // a suction reached the dry limit that was below it at the start
    bool evaporation = false;    // the soil evaporation at the end differs from the one the piece used
    bool passed() const
    {
        return !(non_finite || oscillation || water_balance || substance_balance || dry_limit || evaporation);
    }
};

// Local balance tolerances of a piece: water in m, substances in g/m2, each
// an absolute floor plus a share of what moved and was there.
inline constexpr double piece_water_tolerance = 1.0E-7;        // m
inline constexpr double piece_water_share = 1.0E-5;            // of the water through both faces
inline constexpr double piece_substance_share = 1.0E-5;        // of inventory and what crossed the faces
inline constexpr double piece_substance_tolerance = 1.0E-12;   // g/m2
// The soil evaporation follows the suction of the surface compartment, and
// a piece takes it at its start: a piece over which it changes by more than
// this share is too long for the drying it causes.
inline constexpr double piece_evaporation_share = 0.05;
inline constexpr double smallest_evaporation = 1.0E-10;  // m/s: below it changes do not count

// The checks of a piece advanced from `start` (whose substance inventories,
// g/m2, are given) to `st`; the boundary compartments do not count.
PieceCheck check_piece(const ModelState& start, const SubstanceTotals& inventory_before, const ModelState& st,
                       const StepResult& result);

// The step in force (boundaries prepared) in as many pieces as its checks
// ask for; `start` holds the state at the start of the piece being tried.
// The clock, balances and record advance piece by piece; st.time_step is the
// full step again at the end.
void simulate_subdivided_step(ModelState& st, ModelState& start, FileSet& files, RunRecord& record);

}  // namespace soilcolumn
