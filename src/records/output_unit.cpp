// STUB: placeholder until the record writer is built; replace the whole file.
#include "records/output_unit.hpp"

#include <stdexcept>

namespace soilcolumn::records {

OutputUnit::OutputUnit(int number, std::string file_name) : number_(number), file_name_(std::move(file_name)) {}
OutputUnit::~OutputUnit() = default;
void OutputUnit::connect_stream(std::ostream& stream) { stream_ = &stream; }
void OutputUnit::create_file() { throw std::logic_error("not built yet"); }
void OutputUnit::write_record(std::string_view, std::initializer_list<FormatValue>) { throw std::logic_error("not built yet"); }
void OutputUnit::write_record(std::string_view, std::span<const FormatValue>) { throw std::logic_error("not built yet"); }
void OutputUnit::write_list(std::string_view) { throw std::logic_error("not built yet"); }
void OutputUnit::put_record(std::string_view) { throw std::logic_error("not built yet"); }
void OutputUnit::close() {}

}  // namespace soilcolumn::records
