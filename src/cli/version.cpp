#include "cli/version.hpp"

#include "cli/build_info.hpp"

namespace soilcolumn::cli {

std::string_view program_version() { return SOILCOLUMN_BUILD_VERSION; }
std::string_view source_revision() { return SOILCOLUMN_BUILD_REVISION; }

}  // namespace soilcolumn::cli
