#pragma once
// The program's version and the source revision it was built from.

#include <string_view>

namespace soilcolumn::cli {

std::string_view program_version();
// "git describe" of the sources when the build was configured ("-dirty"
// when they held uncommitted changes), or "unknown" outside a repository.
std::string_view source_revision();

}  // namespace soilcolumn::cli
