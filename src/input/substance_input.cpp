// STUB: placeholder until this operation is built; replace the whole file.
#include "input/substance_input.hpp"

#include <stdexcept>

namespace soilcolumn {

void read_substance_input(ModelState&, FileSet&)
{
    throw std::logic_error("read_substance_input is not built yet");
}

}  // namespace soilcolumn
