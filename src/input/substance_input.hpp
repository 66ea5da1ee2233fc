#pragma once

#include "driver/file_set.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Reads and echoes chemvek.txt: the substance count and table.
void read_substance_input(ModelState& st, FileSet& files);

}  // namespace soilcolumn
