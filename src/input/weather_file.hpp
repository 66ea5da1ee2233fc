#pragma once

#include <istream>
#include <string>

#include "driver/file_set.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Connects unit 13 to the weather file named in vekin.txt (trailing blanks
// trimmed), found in the input directory. A blank name is asked for on the
// console when the file set's name source can answer; when nobody can, the
// run ends with an open-error report instead. Throws OpenError when the file
// cannot be opened.
void connect_weather_file(ModelState& st, FileSet& files);

// The console prompt for a missing file name: repeated while the answer is
// empty; the answer keeps at most 260 characters, trailing blanks removed.
// Throws OpenError when the input ends without a name.
std::string ask_for_file_name(records::OutputUnit& console, std::istream& answers,
                              int unit_number);

}  // namespace soilcolumn
