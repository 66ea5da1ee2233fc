#pragma once
// The guard between the numbers of the run and the result files: a value
// that is not finite ends the run with a report instead of being printed.

#include <string_view>

#include "state/model_state.hpp"

namespace soilcolumn {

// Throws RunFailure naming the simulated time, the compartment (0: a column
// total), the substance (0: none) and the quantity when value is NaN or
// infinite.
void require_finite(const ModelState& st, float value, std::string_view quantity, int compartment,
                    int substance = 0);
void require_finite(const ModelState& st, double value, std::string_view quantity);

}  // namespace soilcolumn
