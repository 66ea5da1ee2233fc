#include "report/csv_table.hpp"

#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>

#include "report/report_error.hpp"

namespace soilcolumn::report {
namespace {

std::vector<std::string_view> split_fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                            : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

std::optional<double> field_value(std::string_view field)
{
    if (field.empty() || field == "NA" || field == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (field == "Inf") return std::numeric_limits<double>::infinity();
    if (field == "-Inf") return -std::numeric_limits<double>::infinity();
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::size_t> CsvTable::index_of(std::string_view name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == name) return i;
    }
    return std::nullopt;
}

const std::vector<double>& CsvTable::column(std::string_view name) const
{
    const auto index = index_of(name);
    if (!index) throw_broken_input(file_name + " has no column '" + std::string(name) + "'");
    return values[*index];
}

CsvTable parse_csv_table(std::string_view text, const std::string& file_name)
{
    CsvTable table;
    table.file_name = file_name;
    std::size_t line_number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::vector<std::string_view> fields = split_fields(line);
        if (table.columns.empty()) {
            for (const std::string_view name : fields) {
                if (name.empty()) throw_broken_input(file_name + ": the header has an empty column name");
                table.columns.emplace_back(name);
            }
            table.values.resize(table.columns.size());
            continue;
        }
        if (fields.size() != table.columns.size()) {
            throw_broken_input(file_name + ", line " + std::to_string(line_number) + ": " +
                               std::to_string(fields.size()) + " fields where the header has " +
                               std::to_string(table.columns.size()));
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::optional<double> value = field_value(fields[i]);
            if (!value) {
                throw_broken_input(file_name + ", line " + std::to_string(line_number) + ", column '" +
                                   table.columns[i] + "': '" + std::string(fields[i]) + "' is not a number");
            }
            table.values[i].push_back(*value);
        }
    }
    if (table.columns.empty()) throw_broken_input(file_name + " is empty: it has not even a header row");
    return table;
}

CsvTable read_csv_table(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw_broken_input("cannot read " + path.string() + ": it is missing or not readable");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw_broken_input("cannot read " + path.string());
    return parse_csv_table(text.str(), path.filename().string());
}

int substance_columns(const CsvTable& table, std::string_view prefix)
{
    int count = 0;
    while (count < 4 && table.has(std::string(prefix) + "_s" + std::to_string(count + 1))) ++count;
    return count;
}

}  // namespace soilcolumn::report
