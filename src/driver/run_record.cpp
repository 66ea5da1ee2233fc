#include "driver/run_record.hpp"

#include <algorithm>

namespace soilcolumn {

void PhaseStatistics::add(const PhaseResult& phase)
{
    ++stages;
    sweeps += phase.sweeps;
    most_sweeps = std::max(most_sweeps, phase.sweeps);
    if (!phase.converged) {
        ++unconverged;
    }
    largest_residual = std::max(largest_residual, phase.relative_residual);
}

}  // namespace soilcolumn
