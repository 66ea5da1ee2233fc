#pragma once
// The plotting library every report carries inline: the minified builds of
// vega, vega-lite and vega-embed (npm packages pinned by
// third_party/vega/package-lock.json), compiled into the program by CMake
// (cmake/embed_scripts.cmake), so that a report needs no file and no
// network at all.

#include <string_view>

namespace soilcolumn::report::embedded {

std::string_view vega_script();
std::string_view vega_lite_script();
std::string_view vega_embed_script();
std::string_view plotting_versions();  // third_party/vega/VERSIONS: "vega 5.33.1\nvega-lite ...\n"

}  // namespace soilcolumn::report::embedded
