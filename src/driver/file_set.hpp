#pragma once
// The fixed set of files of a run and the units by which the model addresses
// them. The input files (and the weather file named in vekin.txt) are found
// in the input directory, the result files are written to the output
// directory; an empty directory means the working directory, and then every
// file is named exactly as the model names it.

#include <filesystem>
#include <functional>
#include <istream>
#include <string>

#include "records/input_unit.hpp"
#include "records/output_unit.hpp"
#include "records/record_writer.hpp"

namespace soilcolumn {

// Where the answer comes from when vekin.txt leaves the weather file name
// blank: a stream to read it from, or nullptr when nobody can answer (no
// terminal). An empty function counts as nobody.
using FileNameSource = std::function<std::istream*()>;

// The path under which a file of the model is opened: the bare name in the
// working directory, else the name inside `directory` (an absolute name
// stays as it is).
std::string path_in(const std::filesystem::path& directory, const std::string& name);

struct FileSet {
    FileSet() = default;
    FileSet(const std::filesystem::path& input_directory,
            const std::filesystem::path& output_directory);

    std::filesystem::path input_directory;
    std::filesystem::path output_directory;
    FileNameSource file_name_source;
    // Formats and writes the result files' records beside the run; before
    // the units, so that it outlives their closing.
    records::RecordWriter result_writer;

    records::OutputUnit console{6, "standard output"};
    records::InputUnit vekin{7, "vekin.txt"};
    records::OutputUnit aus1{8, "aus1.txt"};
    records::OutputUnit aus2{9, "aus2.txt"};
    records::OutputUnit aus3{10, "aus3.txt"};
    records::InputUnit weather{13, ""};
    records::InputUnit chemvek{14, "chemvek.txt"};
    records::InputUnit chemdat{15, "chemdat.txt"};
    records::InputUnit plant{16, "plant.txt"};
    records::OutputUnit aus4{20, "aus4.txt"};
};

// Connects the fixed files in the model's order: vekin.txt, the four result
// files (written through result_writer), then chemvek.txt, chemdat.txt and
// plant.txt. Throws OpenError at the first file that cannot be opened;
// nothing is read here.
void connect_fixed_files(FileSet& files);

}  // namespace soilcolumn
