#include "exports/csv_exports.hpp"

#include <cerrno>
#include <cstring>

#include "driver/result_files.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::exports {
namespace {

constexpr const char* profiles_name = "profiles.csv";
constexpr const char* balances_name = "balances.csv";
constexpr const char* fluxes_name = "fluxes.csv";
constexpr const char* observations_name = "observations.csv";

// The column names that a visit produces.
template <typename Visit>
std::vector<std::string> names_of(Visit&& visit)
{
    std::vector<std::string> names;
    visit([&names](std::string_view name, int substance, const auto&) {
        names.push_back(field_name(name, substance));
    });
    return names;
}

// One row: the clock first, then the fields of the visit, handed to the
// writer for its table number `table`.
template <typename Visit>
void write_row(TableWriter& writer, int table, const ModelState& st, Visit&& visit)
{
    // The value as the visit passes it (float, double or std::int64_t).
    const auto sink = [&writer, table](std::string_view, int, auto value) { writer.add(table, value); };
    visit_time_fields(st, sink);
    visit(sink);
    writer.end_row(table);
}

// The tables' numbers in the writer.
enum TableNumber : int { profiles_table, balances_table, fluxes_table, observations_table };

std::string system_reason()
{
    return std::strerror(errno);
}

}  // namespace

CsvTable::CsvTable(std::filesystem::path path) : path_(std::move(path)) {}

void CsvTable::create()
{
    file_.open(path_, std::ios::binary | std::ios::trunc);
    if (!file_) {
        throw OpenError("cannot create " + path_.string() + ": " + system_reason());
    }
}

void CsvTable::write_header(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (!line_.empty()) line_ += ',';
        line_ += name;
    }
    columns_ = names.size();
    write_line();
}

void CsvTable::add_not_defined()
{
    if (fields_ != 0) line_ += ',';
    line_ += "NA";
    ++fields_;
}

void CsvTable::end_row()
{
    if (fields_ != columns_) {
        throw std::logic_error(path_.filename().string() + ": a row of " + std::to_string(fields_) +
                               " fields under a header of " + std::to_string(columns_));
    }
    write_line();
}

void CsvTable::write_line()
{
    line_ += '\n';
    file_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    if (!file_) {
        throw RunFailure("cannot write " + path_.string() + ": " + system_reason());
    }
    line_.clear();
    fields_ = 0;
}

void CsvTable::close()
{
    if (!file_.is_open()) {
        return;
    }
    file_.close();
    if (!file_) {
        throw RunFailure("cannot write " + path_.string() + ": " + system_reason());
    }
}

CsvExports::CsvExports(const std::filesystem::path& directory)
    : profiles_(directory / profiles_name),
      balances_(directory / balances_name),
      fluxes_(directory / fluxes_name),
      observations_(directory / observations_name)
{
}

std::vector<std::string> CsvExports::file_names()
{
    return {profiles_name, balances_name, fluxes_name, observations_name};
}

void CsvExports::create()
{
    if (created_) {
        return;
    }
    for (CsvTable* table : {&profiles_, &balances_, &fluxes_, &observations_}) table->create();
    created_ = true;
}

void CsvExports::on_open(const ModelState& st)
{
    const RunRecord no_record;
    const ObservationSeries one_depth(1);
    const auto with_time = [&st](auto&& visit) {
        return names_of([&](const auto& sink) {
            visit_time_fields(st, sink);
            visit(sink);
        });
    };
    create();
    profiles_.write_header(with_time([&st](const auto& sink) { visit_profile_fields(st, 1, sink); }));
    balances_.write_header(
        with_time([&](const auto& sink) { visit_balance_fields(st, no_record, sink); }));
    fluxes_.write_header(with_time([&st](const auto& sink) { visit_flux_fields(st, 2, sink); }));
    observations_.write_header(with_time(
        [&](const auto& sink) { visit_observation_fields(st, one_depth, 1, sink); }));
    writer_.start({&profiles_, &balances_, &fluxes_, &observations_});
}

void CsvExports::on_profile_output(const ModelState& st, const RunRecord& record)
{
    for (int c = 1; c <= st.compartment_count; ++c) {
        write_row(writer_, profiles_table, st, [&](const auto& sink) { visit_profile_fields(st, c, sink); });
    }
    write_row(writer_, balances_table, st, [&](const auto& sink) { visit_balance_fields(st, record, sink); });
    for (int c = 2; c <= st.compartment_count; ++c) {
        write_row(writer_, fluxes_table, st, [&](const auto& sink) { visit_flux_fields(st, c, sink); });
    }
}

void CsvExports::on_observation_record(const ModelState& st, const ObservationSeries& series)
{
    for (int k = 1; k <= st.observation_depth_count; ++k) {
        write_row(writer_, observations_table, st,
                  [&](const auto& sink) { visit_observation_fields(st, series, k, sink); });
    }
}

void CsvExports::close()
{
    if (!created_) {
        return;
    }
    writer_.finish();
    for (CsvTable* table : {&profiles_, &balances_, &fluxes_, &observations_}) table->close();
}

}  // namespace soilcolumn::exports
