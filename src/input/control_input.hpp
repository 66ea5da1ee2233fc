#pragma once

#include "driver/file_set.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Reads chemvek.txt and vekin.txt with their echo, checks and parameterises
// every compartment, connects the weather file and sets the initial state.
void read_input(ModelState& st, FileSet& files);

}  // namespace soilcolumn
