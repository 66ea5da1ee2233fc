// STUB: placeholder until this operation is built; replace the whole file.
#include "soil/regression_parameters.hpp"

#include <stdexcept>

namespace soilcolumn {

void derive_porosity_regression_parameters(const TextureVector&, float, float, float&, float&, float&, float&, float&, float&, float&, float&, float&, float&, std::int32_t)
{
    throw std::logic_error("derive_porosity_regression_parameters is not built yet");
}

void derive_density_regression_parameters(const TextureVector&, float, float, float, float&, float&, float&, float&, float&, float&, float&, float, float&)
{
    throw std::logic_error("derive_density_regression_parameters is not built yet");
}

}  // namespace soilcolumn
