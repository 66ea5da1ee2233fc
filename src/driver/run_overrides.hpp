#pragma once
// Run settings given by the caller instead of vekin.txt, so that a scenario
// can be run with another time step or period without editing its files.
// They replace the values read from the file before the run settings are
// checked, and every consequence (step count, output timing) follows as if
// the file had said so.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "state/model_state.hpp"

namespace soilcolumn {

struct RunOverrides {
    std::optional<float> time_step;       // s
    std::optional<float> simulated_days;  // d, the end of the simulated period

    bool empty() const { return !time_step && !simulated_days; }
};

// A run longer than this many time steps is refused when its period or step
// came from an override: a typing slip (0.001 for 1000) would otherwise run
// for days.
constexpr std::int64_t max_override_steps = 100'000'000;

// What is wrong with the overrides on their own (not positive, not finite),
// in English, naming the option; empty when nothing is.
std::string override_problem(const RunOverrides& overrides);

// Time steps the clock takes from -1 s until it has passed the end.
std::int64_t time_steps_of(float simulation_end, float time_step);

// Overrides that cannot be used; what() says why, in English.
class OverrideRejected : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the time step and the end of the period by the overrides given.
// Throws OverrideRejected when an override is unusable on its own or makes
// more than max_override_steps time steps.
void apply_overrides(ModelState& st, const RunOverrides& overrides);

}  // namespace soilcolumn
