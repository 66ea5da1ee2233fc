#pragma once
// The run's verdict on its own numbers: warnings at the end of the run, in
// the console and in the run's record, each saying what was found, with the
// figure and the day, and what to do. A run that crossed no threshold
// writes nothing.

#include "driver/run_record.hpp"
#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Thresholds, in % unless named otherwise.
inline constexpr double balance_warning = 1.0;
inline constexpr double balance_strong_warning = 5.0;
inline constexpr double unconverged_strong_share = 0.1;  // of all stages
inline constexpr double limit_water_warning = 0.1;       // of the water that entered

// Writes every warning whose threshold was crossed; counts the strong ones
// in the record (a run with one is numerically unsafe).
void write_end_of_run_warnings(const ModelState& st, RunRecord& record, records::OutputUnit& console);

}  // namespace soilcolumn
