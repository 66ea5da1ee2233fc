// STUB: placeholder until this operation is built; replace the whole file.
#include "solute/half_life.hpp"

#include <stdexcept>

namespace soilcolumn {

void compute_half_life_factors(ModelState&)
{
    throw std::logic_error("compute_half_life_factors is not built yet");
}

}  // namespace soilcolumn
