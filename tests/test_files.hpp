#pragma once
// The scenario folders of the source tree, and a whole file read as text.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace soilcolumn::testing {

inline const std::filesystem::path scenario_data =
    std::filesystem::path(SOILCOLUMN_SOURCE_DIR) / "tests" / "scenarios" / "data";

inline std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace soilcolumn::testing
