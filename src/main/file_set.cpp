// STUB: placeholder until this operation is built; replace the whole file.
#include "main/file_set.hpp"

#include <stdexcept>

namespace soilcolumn {

void connect_fixed_files(FileSet&)
{
    throw std::logic_error("connect_fixed_files is not built yet");
}

}  // namespace soilcolumn
