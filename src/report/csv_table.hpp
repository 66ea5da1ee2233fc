#pragma once
// The CSV exports of a run read back as columns of doubles: one header row,
// comma-separated numbers; `NA`, `NaN` and an empty field read as NaN,
// `Inf` and `-Inf` as infinities.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace soilcolumn::report {

struct CsvTable {
    std::string file_name;                    // for messages
    std::vector<std::string> columns;
    std::vector<std::vector<double>> values;  // values[column][row]

    std::size_t rows() const { return values.empty() ? 0 : values.front().size(); }
    bool has(std::string_view column) const { return index_of(column).has_value(); }
    std::optional<std::size_t> index_of(std::string_view column) const;
    // The column's values; ReportError (broken_input) naming the file when
    // it has no such column.
    const std::vector<double>& column(std::string_view name) const;
};

// Parses the text of a CSV table; `file_name` names it in messages, which
// give the line and the column of a field that is not a number.
CsvTable parse_csv_table(std::string_view text, const std::string& file_name);

// Reads and parses the file; ReportError (broken_input) when it is missing
// or cannot be read.
CsvTable read_csv_table(const std::filesystem::path& path);

// The number of substances (1..4) with a column `prefix_sK` in the table.
int substance_columns(const CsvTable& table, std::string_view prefix);

}  // namespace soilcolumn::report
