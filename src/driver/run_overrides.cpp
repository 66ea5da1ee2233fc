#include "driver/run_overrides.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

std::string value_problem(const char* option, float value)
{
    if (!std::isfinite(value)) {
        return std::string(option) + " must be a finite number";
    }
    if (value <= 0.0f) {
        return std::string(option) + " must be greater than zero";
    }
    return {};
}

// The shortest text that reads back as the value.
std::string shortest(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return {text, end};
}

}  // namespace

std::string override_problem(const RunOverrides& overrides)
{
    if (overrides.time_step) {
        if (std::string problem = value_problem("--time-step", *overrides.time_step); !problem.empty()) {
            return problem;
        }
    }
    if (overrides.simulated_days) {
        if (std::string problem = value_problem("--days", *overrides.simulated_days); !problem.empty()) {
            return problem;
        }
        if (!std::isfinite(*overrides.simulated_days * seconds_per_day)) {
            return "--days is too large to be held in seconds";
        }
    }
    return {};
}

std::int64_t time_steps_of(float simulation_end, float time_step)
{
    // The clock starts at -1 s and steps while it has not passed the end.
    const double steps = std::floor((static_cast<double>(simulation_end) + 1.0) / time_step) + 1.0;
    if (!(steps < static_cast<double>(std::numeric_limits<std::int64_t>::max()))) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return steps < 1.0 ? 1 : static_cast<std::int64_t>(steps);
}

void apply_overrides(ModelState& st, const RunOverrides& overrides)
{
    if (overrides.empty()) {
        return;
    }
    if (const std::string problem = override_problem(overrides); !problem.empty()) {
        throw OverrideRejected(problem);
    }
    if (overrides.time_step) {
        st.time_step = *overrides.time_step;
    }
    if (overrides.simulated_days) {
        st.simulation_end = *overrides.simulated_days * seconds_per_day;
    }
    const std::int64_t steps = time_steps_of(st.simulation_end, st.time_step);
    if (steps > max_override_steps) {
        throw OverrideRejected("a period of " + shortest(st.simulation_end / seconds_per_day) +
                         " days in time steps of " + shortest(st.time_step) + " s makes " +
                         std::to_string(steps) + " time steps; at most " +
                         std::to_string(max_override_steps) +
                         " are allowed (check --days and --time-step)");
    }
}

}  // namespace soilcolumn
