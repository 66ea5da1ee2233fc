// STUB: placeholder until this operation is built; replace the whole file.
#include "water/storage_capacities.hpp"

#include <stdexcept>

namespace soilcolumn {

void compute_storage_capacities(ModelState&, const SpeciesTable&, const SubstanceTable&)
{
    throw std::logic_error("compute_storage_capacities is not built yet");
}

}  // namespace soilcolumn
