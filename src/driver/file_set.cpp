#include "driver/file_set.hpp"

namespace soilcolumn {

std::string path_in(const std::filesystem::path& directory, const std::string& name)
{
    if (directory.empty()) {
        return name;
    }
    return (directory / name).string();
}

FileSet::FileSet(const std::filesystem::path& input_dir, const std::filesystem::path& output_dir)
    : input_directory(input_dir),
      output_directory(output_dir),
      vekin{7, path_in(input_dir, "vekin.txt")},
      aus1{8, path_in(output_dir, "aus1.txt")},
      aus2{9, path_in(output_dir, "aus2.txt")},
      aus3{10, path_in(output_dir, "aus3.txt")},
      chemvek{14, path_in(input_dir, "chemvek.txt")},
      chemdat{15, path_in(input_dir, "chemdat.txt")},
      plant{16, path_in(input_dir, "plant.txt")},
      aus4{20, path_in(output_dir, "aus4.txt")}
{
}

void connect_fixed_files(FileSet& files)
{
    files.vekin.open_existing();
    files.aus1.create_file();
    files.aus2.create_file();
    files.aus3.create_file();
    files.aus4.create_file();
    for (records::OutputUnit* unit : {&files.aus1, &files.aus2, &files.aus3, &files.aus4}) {
        unit->write_through(files.result_writer);
    }
    files.chemvek.open_existing();
    files.chemdat.open_existing();
    files.plant.open_existing();
}

}  // namespace soilcolumn
