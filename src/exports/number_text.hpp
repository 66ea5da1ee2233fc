#pragma once
// Numbers as text that reads back to the same binary value: the shortest
// decimal that round-trips (std::to_chars), '.' as decimal separator
// whatever the locale. A 32-bit value is written as a float, so that its
// text is as short as the value is precise; a 64-bit value as a double.

#include <cstdint>
#include <string>
#include <variant>

namespace soilcolumn::exports {

// One value of an export: a model value (float), a 64-bit sum or clock
// (double) or a count or index.
using Number = std::variant<float, double, std::int64_t>;

// Appends the shortest round-trip text; non-finite values as NaN, Inf and
// -Inf, which pandas, R and Python's float() all read.
void append_number(std::string& text, float value);
void append_number(std::string& text, double value);
void append_number(std::string& text, std::int64_t value);
void append_number(std::string& text, const Number& value);

std::string number_text(const Number& value);

}  // namespace soilcolumn::exports
