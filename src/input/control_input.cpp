// STUB: placeholder until this operation is built; replace the whole file.
#include "input/control_input.hpp"

#include <stdexcept>

namespace soilcolumn {

void read_input(ModelState&, FileSet&)
{
    throw std::logic_error("read_input is not built yet");
}

}  // namespace soilcolumn
