// STUB: placeholder until this operation is built; replace the whole file.
#include "solute/transport_coefficients.hpp"

#include <stdexcept>

namespace soilcolumn {

void assemble_step_coefficients(ModelState&)
{
    throw std::logic_error("assemble_step_coefficients is not built yet");
}

}  // namespace soilcolumn
