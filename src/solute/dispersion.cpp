// STUB: placeholder until this operation is built; replace the whole file.
#include "solute/dispersion.hpp"

#include <stdexcept>

namespace soilcolumn {

void compute_dispersion_coefficients(ModelState&)
{
    throw std::logic_error("compute_dispersion_coefficients is not built yet");
}

}  // namespace soilcolumn
