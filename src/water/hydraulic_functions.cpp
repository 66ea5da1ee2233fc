// STUB: placeholder until this operation is built; replace the whole file.
#include "water/hydraulic_functions.hpp"

#include <stdexcept>

namespace soilcolumn {

void compute_water_retention(ModelState&, SpeciesTable&)
{
    throw std::logic_error("compute_water_retention is not built yet");
}

void compute_hydraulic_properties(ModelState&, SpeciesTable&)
{
    throw std::logic_error("compute_hydraulic_properties is not built yet");
}

}  // namespace soilcolumn
