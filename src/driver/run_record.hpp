#pragma once
// What a run learns about itself beside the model's results: the warnings it
// wrote and how its solver phases ended. Kept as data, so that a caller can
// read it between steps and after the end without parsing the console.

#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/run_diagnostics.hpp"
#include "endpoint/annual_balances.hpp"
#include "stage/stage_context.hpp"

namespace soilcolumn {

// The stages one solver phase (water or solutes) was called for.
struct PhaseStatistics {
    std::int64_t stages = 0;
    std::int64_t sweeps = 0;       // summed over all stages
    int most_sweeps = 0;           // of any one stage
    std::int64_t unconverged = 0;  // stages that ended without meeting the stopping test
    double largest_residual = 0.0; // largest relative residual left after a stage's last sweep

    void add(const PhaseResult& phase);
    double mean_sweeps() const { return stages == 0 ? 0.0 : static_cast<double>(sweeps) / stages; }
};

struct RunRecord {
    std::vector<std::string> warnings;  // every "WARNUNG:" message, as written to the console
    std::int64_t steps = 0;             // time steps completed
    PhaseStatistics water;
    PhaseStatistics solutes;
    RunDiagnostics diagnostics;
    AnnualBalances annual;
    int strong_warnings = 0;  // of the end-of-run warnings: the results are numerically unsafe

    bool numerically_unsafe() const { return strong_warnings > 0; }
};

}  // namespace soilcolumn
