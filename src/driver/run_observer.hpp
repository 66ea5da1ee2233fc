#pragma once
// A caller's window on a run while it proceeds: the run tells its observers
// when it has started and whenever it writes a record of its result files,
// with the state exactly as the records show it. Observers read, never
// write; what they throw ends the run like any failure of its own files.

#include <vector>

#include "driver/run_record.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

class ObservationSeries;

class RunObserver {
public:
    virtual ~RunObserver() = default;

    // The input has been read and checked, the clock is set; no step yet.
    virtual void on_open(const ModelState&) {}
    // Right after the blocks of aus1.txt, aus2.txt and aus3.txt at an output time.
    virtual void on_profile_output(const ModelState&, const RunRecord&) {}
    // Right after a record of aus4.txt, with the values it interpolated.
    virtual void on_observation_record(const ModelState&, const ObservationSeries&) {}
};

// Called in their order; the run does not own them.
using RunObservers = std::vector<RunObserver*>;

}  // namespace soilcolumn
