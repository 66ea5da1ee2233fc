#pragma once
// Consistency checks of the control input. Each check that fails writes a
// German message naming the record position or compartment and the offending
// value to the console and stops the run (OrderlyStop); each is made before
// anything out of range is stored.

#include <cstdint>
#include <string_view>

#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Run and output control.
void check_compartment_count(records::OutputUnit& console, std::int32_t count);
void check_time_step(records::OutputUnit& console, float time_step);
void check_observation_depth_count(records::OutputUnit& console, std::int32_t count);

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
