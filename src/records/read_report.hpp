#pragma once
// The reports of a failed read: they name the unit, the file, the record and
// the kind of error, in the model's German.

#include <string_view>

#include "records/input_unit.hpp"

namespace soilcolumn::records {

// The file ended before the read found what it needed.
[[noreturn]] void throw_end_of_file(const InputUnit& unit);

// `token` (in the record last read) is not a valid value for its target.
[[noreturn]] void throw_invalid_number(const InputUnit& unit, std::string_view token);

}  // namespace soilcolumn::records
