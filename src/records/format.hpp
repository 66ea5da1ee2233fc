#pragma once
// The format-text interpreter: lays out the values of one write in fixed
// columns, as the records of every result file and of the console look.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/format_value.hpp"

namespace soilcolumn::records {

// Interprets one write: the records it produces, each still carrying its
// line-control character in front (the first character of the record text).
// Records are appended to `records`, which is cleared first.
void format_records(std::string_view format, std::span<const FormatValue> values,
                    std::vector<std::string>& records);

// Single edit items, rendered into exactly w characters (asterisks when the
// value does not fit). Reals carry at most 7 significant digits (15 for a
// 64-bit value).
std::string render_integer(std::int32_t value, int w);
std::string render_fixed(float value, int w, int d);
std::string render_fixed(double value, int w, int d);
std::string render_general(float value, int w, int d);
std::string render_general(double value, int w, int d);

}  // namespace soilcolumn::records
