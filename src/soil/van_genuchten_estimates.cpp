// STUB: placeholder until this operation is built; replace the whole file.
#include "soil/van_genuchten_estimates.hpp"

#include <stdexcept>

namespace soilcolumn {

void estimate_vg_parameters_general(const TextureVector&, float, float, float, float, float&, float&, float&, float&, float&, float&, float&)
{
    throw std::logic_error("estimate_vg_parameters_general is not built yet");
}

void estimate_vg_parameters_sand_loam(const TextureVector&, float, float, float, float, float&, float&, float&, float&, float&, float&, float&)
{
    throw std::logic_error("estimate_vg_parameters_sand_loam is not built yet");
}

}  // namespace soilcolumn
