#include "main/file_set.hpp"

namespace soilcolumn {

void connect_fixed_files(FileSet& files)
{
    files.vekin.open_existing();
    files.aus1.create_file();
    files.aus2.create_file();
    files.aus3.create_file();
    files.aus4.create_file();
    files.chemvek.open_existing();
    files.chemdat.open_existing();
    files.plant.open_existing();
}

}  // namespace soilcolumn
