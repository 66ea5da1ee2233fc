#include "input/orderly_stop.hpp"

#include "records/run_errors.hpp"

namespace soilcolumn {

void stop_run(records::OutputUnit& console, std::string_view format,
              std::initializer_list<records::FormatValue> values)
{
    console.write_record(format, values);
    throw OrderlyStop{};
}

}  // namespace soilcolumn
