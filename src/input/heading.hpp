#pragma once

namespace soilcolumn {

// Heading lines of the input files are kept as texts of this many characters
// (blank-padded) and echoed whole.
inline constexpr int heading_length = 100;

}  // namespace soilcolumn
