#pragma once
// The warnings of the soil parameterisation: the derivations return their
// conditions, and this is where they become console records.

#include "records/output_unit.hpp"
#include "soil/campbell_ghm.hpp"

namespace soilcolumn {

// One warning per out-of-range condition of a Campbell derivation, compaction
// before grain-size spread, each followed by the note that the derived
// values may carry a large error. The warnings themselves go through
// write_warning, so the run keeps them.
void write_soil_warnings(records::OutputUnit& console, const CampbellParameters& parameters);

}  // namespace soilcolumn
