// STUB: placeholder until this operation is built; replace the whole file.
#include "soil/saturated_conductivity.hpp"

#include <stdexcept>

namespace soilcolumn {

void estimate_saturated_conductivity(const TextureVector&, float, float, float&, float&, std::int32_t, float, float)
{
    throw std::logic_error("estimate_saturated_conductivity is not built yet");
}

}  // namespace soilcolumn
