#pragma once
// The fixed set of files of a run and the units by which the model addresses
// them. File names are relative to the working directory; the weather file's
// name comes from vekin.txt.

#include "records/input_unit.hpp"
#include "records/output_unit.hpp"

namespace soilcolumn {

struct FileSet {
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
// files, then chemvek.txt, chemdat.txt and plant.txt. Throws OpenError at
// the first file that cannot be opened; nothing is read here.
void connect_fixed_files(FileSet& files);

}  // namespace soilcolumn
