#pragma once
// The fields of one line of the ensemble's tables (parameter tables and
// sampling plans): comma-separated, each without surrounding blanks, tabs
// or a carriage return. No quoting: names and numbers hold no commas.

#include <string>
#include <vector>

namespace soilcolumn::ensemble {

// `text` without leading and trailing blanks, tabs and carriage returns.
std::string trimmed(const std::string& text);

// The trimmed fields of `line`; a trailing comma ends an empty last field,
// so that a row with a missing last value has the length it claims.
std::vector<std::string> fields_of(const std::string& line);

}  // namespace soilcolumn::ensemble
