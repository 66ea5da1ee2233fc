#include "report/run_outputs.hpp"

#include <chrono>
#include <ctime>
#include <fstream>

#include "report/report_error.hpp"

namespace soilcolumn::report {
namespace {

namespace fs = std::filesystem;

std::string modification_time(const fs::path& path)
{
    std::error_code error;
    const fs::file_time_type written = fs::last_write_time(path, error);
    if (error) return "unknown";
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

nlohmann::ordered_json read_summary(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw_broken_input("cannot read " + path.string() +
                           ": it is missing or not readable (is this the output directory of 'soilcolumn run'?)");
    }
    nlohmann::ordered_json summary;
    try {
        summary = nlohmann::ordered_json::parse(file);
    } catch (const nlohmann::json::exception& error) {
        throw_broken_input(path.string() + " is not valid JSON: " + error.what());
    }
    if (!summary.is_object() || !summary.contains("format") || summary["format"] != "soilcolumn run summary") {
        throw_broken_input(path.string() + " is not the summary of a soilcolumn run (its \"format\" is not "
                                           "\"soilcolumn run summary\")");
    }
    return summary;
}

void require_columns(const CsvTable& table, std::initializer_list<const char*> names)
{
    for (const char* name : names) table.column(name);
}

}  // namespace

RunOutputs read_run_outputs(const fs::path& directory)
{
    std::error_code error;
    if (!fs::is_directory(directory, error)) {
        throw ReportError(ReportError::Kind::no_run_directory,
                          "run directory '" + directory.string() + "' does not exist or is not a directory");
    }
    RunOutputs outputs;
    outputs.directory = directory;
    outputs.summary = read_summary(directory / "summary.json");
    outputs.summary_written = modification_time(directory / "summary.json");
    outputs.profiles = read_csv_table(directory / "profiles.csv");
    require_columns(outputs.profiles,
                    {"time_d", "compartment", "depth_m", "thickness_m", "suction_m", "water_content"});
    outputs.balances = read_csv_table(directory / "balances.csv");
    require_columns(outputs.balances, {"time_d", "precipitation_m", "infiltration_m", "evaporation_m",
                                       "recharge_m", "surface_runoff_m"});
    outputs.observations = read_csv_table(directory / "observations.csv");
    require_columns(outputs.observations, {"time_d", "depth_index", "depth_m"});
    if (fs::exists(directory / "annual.csv", error)) {
        outputs.annual = read_csv_table(directory / "annual.csv");
        require_columns(*outputs.annual, {"year"});
    }
    return outputs;
}

}  // namespace soilcolumn::report
