// STUB: placeholder until the readers are built; replace the whole file.
#include "records/input_unit.hpp"

#include <stdexcept>

namespace soilcolumn::records {

InputUnit::InputUnit(int number, std::string file_name) : number_(number), file_name_(std::move(file_name)) {}
void InputUnit::open_existing() { throw std::logic_error("not built yet"); }
void InputUnit::open_existing(const std::string&) { throw std::logic_error("not built yet"); }
void InputUnit::connect_stream(std::istream& stream, std::string file_name) { stream_ = &stream; file_name_ = std::move(file_name); }
bool InputUnit::next_record(std::string&) { throw std::logic_error("not built yet"); }
void InputUnit::rewind() {}
std::string read_line(InputUnit&, int) { throw std::logic_error("not built yet"); }
void read_values(InputUnit&, std::span<const ReadTarget>) { throw std::logic_error("not built yet"); }
void read_values(InputUnit&, std::initializer_list<ReadTarget>) { throw std::logic_error("not built yet"); }
bool read_values_or_end(InputUnit&, std::initializer_list<ReadTarget>) { throw std::logic_error("not built yet"); }
void skip_record(InputUnit&) { throw std::logic_error("not built yet"); }

}  // namespace soilcolumn::records
