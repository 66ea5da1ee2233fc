// STUB: placeholder until this operation is built; replace the whole file.
#include "driver/time_loop.hpp"

#include <stdexcept>

namespace soilcolumn {

void run_simulation(ModelState&, FileSet&)
{
    throw std::logic_error("run_simulation is not built yet");
}

}  // namespace soilcolumn
