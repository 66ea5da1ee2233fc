// STUB: placeholder until this operation is built; replace the whole file.
#include "soil/campbell_ghm.hpp"

#include <stdexcept>

namespace soilcolumn {

void derive_campbell_parameters(records::OutputUnit&, const TextureVector&, float, float, float, float&, float&, float&, float&, float&, float&, float&, float&, float, float&, std::int32_t)
{
    throw std::logic_error("derive_campbell_parameters is not built yet");
}

void derive_ghm_parameters(float, float, float, float&, float&, float&, float&)
{
    throw std::logic_error("derive_ghm_parameters is not built yet");
}

}  // namespace soilcolumn
