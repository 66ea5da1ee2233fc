#include "input/orderly_stop.hpp"

#include "records/run_errors.hpp"

namespace soilcolumn {

void stop_run(records::OutputUnit& console, std::string_view format,
              std::initializer_list<records::FormatValue> values)
{
    throw OrderlyStop{console.write_message(format, values)};
}

void write_warning(records::OutputUnit& console, std::string_view format,
                   std::initializer_list<records::FormatValue> values)
{
    console.write_message(format, values);
}

}  // namespace soilcolumn
