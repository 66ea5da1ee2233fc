// STUB: placeholder until the format interpreter is built; replace the whole file.
#include "records/format.hpp"

#include <stdexcept>

namespace soilcolumn::records {

void format_records(std::string_view, std::span<const FormatValue>, std::vector<std::string>&)
{
    throw std::logic_error("format_records is not built yet");
}
std::string render_integer(std::int32_t, int) { throw std::logic_error("not built yet"); }
std::string render_fixed(float, int, int) { throw std::logic_error("not built yet"); }
std::string render_fixed(double, int, int) { throw std::logic_error("not built yet"); }
std::string render_general(float, int, int) { throw std::logic_error("not built yet"); }
std::string render_general(double, int, int) { throw std::logic_error("not built yet"); }

}  // namespace soilcolumn::records
