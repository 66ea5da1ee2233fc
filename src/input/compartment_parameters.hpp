#pragma once
// The per-compartment derivations of the control input: bulk density,
// saturated conductivity and the parameters of the retention and
// conductivity models chosen by the soil type, then the initial suction.

#include <cstdint>

#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Bulk density, saturated conductivity and hydraulic parameters of
// compartment c; stops the run when a derived value is not finite.
void parameterise_compartment(ModelState& st, records::OutputUnit& console, std::int32_t c);

// The initial suction of compartment c: where the conductivity of a single
// Campbell pore system equals the mean annual recharge under unit gradient,
// at most 10 m.
void set_initial_matric_potential(ModelState& st, records::OutputUnit& console, std::int32_t c);

}  // namespace soilcolumn
