#pragma once
// Consistency checks of the control input. Each check that fails writes a
// German message naming the record position or compartment and the offending
// value to the console and stops the run (OrderlyStop); each is made before
// anything out of range is stored.

#include <cstdint>
#include <string>
#include <string_view>

#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Limits of the clock. A run makes at most max_step_count steps, and the
// weather start and the simulated period each span at most max_clock_days:
// the weather loop reads one record per day of both, so that a run reads at
// most twice that many weather records.
inline constexpr double max_step_count = 1.0e8;
inline constexpr float max_clock_days = 1.0e6f;

// The valid range of a physical input value: [lowest, highest], or
// (lowest, highest] when the lowest value itself has no meaning. `text`
// names the range in the message ("0 bis 10 m, ohne 0").
struct ValidRange {
    float lowest;
    float highest;
    bool lowest_included;
    std::string_view text;

    bool contains(float value) const
    {
        return (lowest_included ? value >= lowest : value > lowest) && value <= highest;
    }
};

// Stops the run when `value` lies outside `range`. The message names the
// place (file and record, compartment or substance) and the quantity in
// `where`, shows the value with its `unit` (blank first, or empty) and the range.
void check_within(records::OutputUnit& console, std::string_view where, float value,
                  std::string_view unit, const ValidRange& range);

// "Kompartiment   2", "Stoff   1": an ordinal of the model's tables as the
// messages show it (I4).
std::string numbered(std::string_view what, std::int32_t number);

// Run and output control.
void check_compartment_count(records::OutputUnit& console, std::int32_t count);
void check_time_step(records::OutputUnit& console, float time_step);
void check_observation_depth_count(records::OutputUnit& console, std::int32_t count);

// Times of the run control, checked after their conversion from days to
// seconds: the period from 0 to max_clock_days; a step that moves the clock
// at its start (-1 s) and at the end of the period; at most max_step_count
// steps. `end_days` is the value of the file, shown in the messages.
void check_simulated_period(records::OutputUnit& console, float end_days, float end_seconds);
void check_clock_advances(records::OutputUnit& console, float time_step, float end_seconds);
void check_step_count(records::OutputUnit& console, float time_step, float end_days,
                      float end_seconds);

// Output control: the dispersivity is a length of at least 0; the output
// interval at least 0 (0 writes after every step) and finite in seconds; the
// weather start at most max_clock_days (its lower end, 1 s, is checked
// before the first step).
void check_dispersivity(records::OutputUnit& console, float dispersivity);
void check_output_interval(records::OutputUnit& console, float interval_days,
                           float interval_seconds);
void check_weather_start_reachable(records::OutputUnit& console, float start_days,
                                   float start_seconds);

// The organic-matter mass fraction of the soil-type record at `position`.
void check_organic_matter(records::OutputUnit& console, std::int32_t position,
                          const SoilType& row);

// Thickness, initial concentrations, sorption coefficients and, where a
// coefficient is given, sorption exponents of compartment record c.
void check_compartment_values(records::OutputUnit& console, const ModelState& st,
                              std::int32_t c);

// Freundlich exponents, of a compartment and the substance default.
inline constexpr ValidRange freundlich_exponent_range{0.1f, 2.0f, true, "0.1 bis 2"};
// Sorption coefficients and the constants per organic matter and per clay.
inline constexpr ValidRange sorption_constant_range{0.0f, 1.0e6f, true, "0 bis 1E+06"};

// Soil-type record at position `position` of the table, naming row k.
void check_soil_type_number(records::OutputUnit& console, std::int32_t position, std::int32_t k);
void check_texture_sum(records::OutputUnit& console, std::int32_t position, const SoilType& row);
void check_reference_point(records::OutputUnit& console, std::int32_t position,
                           const SoilType& row);
void check_model_combination(records::OutputUnit& console, std::int32_t position,
                             const SoilType& row);

// Compartment record c.
void check_compartment_soil_type(records::OutputUnit& console, const ModelState& st,
                                 std::int32_t c);
void check_porosity(records::OutputUnit& console, std::int32_t c, float porosity);
void warn_outside_verified_range(records::OutputUnit& console, const ModelState& st,
                                 std::int32_t c);

// Derived values of compartment c.
void check_saturated_conductivity(records::OutputUnit& console, const ModelState& st,
                                  std::int32_t c);
void check_aggregate_pores(records::OutputUnit& console, const ModelState& st, std::int32_t c);
void check_finite(records::OutputUnit& console, const ModelState& st, std::int32_t c,
                  std::string_view quantity, float value);
void check_derived_parameters_finite(records::OutputUnit& console, const ModelState& st,
                                     std::int32_t c);

}  // namespace soilcolumn
