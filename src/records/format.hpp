#pragma once
// The format-text interpreter: lays out the values of one write in fixed
// columns, as the records of every result file and of the console look.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/format_value.hpp"

namespace soilcolumn::records {

// Interprets one write: the records it produces, each still carrying its
// line-control character in front (the first character of the record text).
// Records are appended to `records`, which is cleared first.
// A malformed format text (unbalanced parentheses or quotes, an unknown edit
// item, a missing width or decimal count, a width of 0 or above
// max_field_width) and a value of the wrong kind for its edit item throw
// std::invalid_argument.
void format_records(std::string_view format, std::span<const FormatValue> values,
                    std::vector<std::string>& records);

// The same write, reusing the strings already in `records` so that repeated
// writes do not allocate: the write's records are records[0..n), n returned;
// entries beyond n are left over from earlier writes.
std::size_t format_records_reusing(std::string_view format, std::span<const FormatValue> values,
                                   std::vector<std::string>& records);

// The largest width, decimal count, repeat count or skip a format text may give.
inline constexpr int max_field_width = 1000;

// Single edit items, rendered into exactly w characters (asterisks when the
// value does not fit). Reals carry at most 7 significant digits (15 for a
// 64-bit value). w must be 1..max_field_width and d 0..max_field_width,
// otherwise std::invalid_argument.
std::string render_integer(std::int32_t value, int w);
std::string render_fixed(float value, int w, int d);
std::string render_fixed(double value, int w, int d);
std::string render_general(float value, int w, int d);
std::string render_general(double value, int w, int d);

}  // namespace soilcolumn::records
