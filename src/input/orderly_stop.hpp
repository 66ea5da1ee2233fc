#pragma once
// Ends the run in an orderly way: the German message goes to the console,
// then the stop type unwinds to the entry point, which writes the stop line.

#include <initializer_list>
#include <string_view>

#include "records/output_unit.hpp"

namespace soilcolumn {

[[noreturn]] void stop_run(records::OutputUnit& console, std::string_view format,
                           std::initializer_list<records::FormatValue> values = {});

}  // namespace soilcolumn
