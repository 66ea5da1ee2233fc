#pragma once
// The model's time loop (run_simulation), one step at a time: a 64-bit clock in seconds that
// starts at -1 s and advances by the time step until it has passed the end
// of the simulated period.

#include "driver/file_set.hpp"
#include "driver/result_files.hpp"
#include "driver/run_observer.hpp"
#include "driver/run_record.hpp"
#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Clears the per-step solute terms of every compartment and substance slot
// before the input is read, as a run starts.
void clear_solute_step_terms(ModelState& st);

// Refuses run settings that make the run impossible, writes the result
// headings and sets the clock, the balances and the start-of-step copy.
void start_simulation(ModelState& st, FileSet& files);

struct StepResult {
    StageResult predictor;
    StageResult corrector;
};

// The water and substances of one time step, with the boundary data in
// force: predictor over half the step from the current state, then the
// corrector over the whole step from the start-of-step copy with the
// mid-step coefficients, the irreversibly sorbed stores, the lower boundary
// and the ponded water; the end of the step becomes the current state.
StepResult advance_water_and_substances(ModelState& st);

// One time step: dated inputs and boundaries, predictor and corrector,
// balances, due output. Returns whether another step follows; after the
// last one the end message has been written. The observers are told of
// every record written, right after it.
bool simulate_step(ModelState& st, FileSet& files, ObservationSeries& observations, RunRecord& record,
                   const RunObservers& observers = {});

}  // namespace soilcolumn
