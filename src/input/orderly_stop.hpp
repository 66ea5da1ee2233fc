#pragma once
// The two kinds of message the model writes about its input: an orderly stop
// on input it cannot simulate, and a warning after which the run continues.
// Both go to the console; the stop then unwinds to the caller of the run,
// carrying its text, and every warning is kept in the run's record.

#include <initializer_list>
#include <string_view>

#include "records/output_unit.hpp"

namespace soilcolumn {

[[noreturn]] void stop_run(records::OutputUnit& console, std::string_view format,
                           std::initializer_list<records::FormatValue> values = {});

// The record's text must begin with "WARNUNG:" (after line control and
// blanks) to be kept as a warning.
void write_warning(records::OutputUnit& console, std::string_view format,
                   std::initializer_list<records::FormatValue> values = {});

}  // namespace soilcolumn
