#pragma once
// Seconds in a day: the model's clock runs in seconds, while its inputs and
// outputs count days.

namespace soilcolumn {

// For the model's own float arithmetic (end of the run, output interval,
// weather and plant records, half-lives).
inline constexpr float seconds_per_day = 86400.0f;
// For the double clock of the run (ModelState::simulation_time).
inline constexpr double clock_seconds_per_day = 86400.0;

}  // namespace soilcolumn
