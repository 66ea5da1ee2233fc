// STUB: placeholder until this operation is built; replace the whole file.
#include "water/step_solver.hpp"

#include <stdexcept>

namespace soilcolumn {

void solve_step_equations(ModelState&, SpeciesTable&, SubstanceTable&, records::OutputUnit&)
{
    throw std::logic_error("solve_step_equations is not built yet");
}

}  // namespace soilcolumn
