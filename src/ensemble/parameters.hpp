#pragma once
// The model inputs an ensemble may vary, named by their field names and
// 1-based indices as the model state names them:
//   time_step, simulation_end, dispersivity, ...         run and output control
//   observation_depths.I                                 depth I
//   half_life.S, sorption_per_organic_matter.S, ...      substance S (chemvek.txt)
//   soil_type.K.organic_matter_fraction, ...             soil type K (its number in vekin.txt)
//   soil_type.K.texture_fractions.J                      J = 1 clay, 2 silt, 3 sand, 4 gravel
//   compartment_thickness.C, porosity.C, ...             compartment C
//   mobile_concentration.C.S, sorption_coefficient.C.S, sorption_exponent.C.S
// Values are in the units of the input files (periods in days, the time
// step in seconds). A value is stored as the model's 32-bit number; a code
// (compartment_soil_type, retention_model, ...) must be a whole number.

#include <optional>
#include <string>
#include <vector>

#include "ensemble/input_set.hpp"

namespace soilcolumn::ensemble {

// Why `name` cannot be set in `set` (unknown field, index outside the
// scenario's), naming the valid ones; nullopt when it can.
std::optional<std::string> parameter_name_problem(const InputSet& set, const std::string& name);

// Sets the parameter; an English message when the value is not finite, not
// a whole number for a code, or outside the range the input checks accept
// for it (the checks of a run judge the combinations).
std::optional<std::string> set_parameter(InputSet& set, const std::string& name, double value);

// The valid names of `set`, with the index ranges written as in
// "half_life.S (S = 1..2)".
std::string valid_parameter_names(const InputSet& set);

}  // namespace soilcolumn::ensemble
