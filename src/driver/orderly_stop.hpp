#pragma once
// Ends a run on input the model cannot simulate: the German message goes to
// the console, then the caller's stack unwinds to the entry point.

#include <initializer_list>
#include <string_view>

#include "records/format_value.hpp"
#include "records/output_unit.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {

[[noreturn]] inline void stop_run(records::OutputUnit& console, std::string_view format,
                                  std::initializer_list<records::FormatValue> values = {})
{
    console.write_record(format, values);
    throw OrderlyStop{};
}

}  // namespace soilcolumn
