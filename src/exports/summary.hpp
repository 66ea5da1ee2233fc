#pragma once
// summary.json: what a run was (program, command line, the input files by
// their SHA-256, the overrides), how it ended (status, exit status,
// message, warnings, the diagnostics of its record) and what it left (the
// final balances at full precision, the files written). docs/outputs.md
// and docs/summary.schema.json describe it; the English summary that the
// command line prints is read from the same object.

#include <array>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "driver/run.hpp"
#include "endpoint/endpoint.hpp"

namespace soilcolumn::exports {

// What the run itself does not know.
struct SummaryContext {
    std::vector<std::string> command_line;
    RunOverrides overrides;
    std::optional<std::array<std::int32_t, 3>> first_weather_date;  // day, month, year of step 1
    int exit_status = 0;
    double wall_time_s = 0.0;
    std::vector<std::string> output_files;  // names inside the output directory
    EndpointRequest endpoint{};
};

// ok, warning (completed with warnings), unsafe, stopped or failed.
std::string status_name(const Run& run);

nlohmann::ordered_json to_json(const PhaseStatistics& phase);
// Everything the record holds but its warnings, which the summary lists on
// their own.
nlohmann::ordered_json to_json(const RunRecord& record);
// The balance fields of balances.csv, by name; 32-bit values as the exact
// double of their binary value, so that they read back bit for bit.
nlohmann::ordered_json final_balances_json(const ModelState& st, const RunRecord& record);

// The input files of the run (the four fixed ones and the weather file once
// it is known) with their size and SHA-256; null for a file that cannot be read.
nlohmann::ordered_json input_files_json(const Run& run);

nlohmann::ordered_json summary_json(const Run& run, const SummaryContext& context);

// Writes the summary with two-space indentation; throws RunFailure.
void write_summary_file(const std::filesystem::path& path, const nlohmann::ordered_json& summary);

// The few lines printed after a run: status, period, balances, warnings,
// solver, where the files are.
void write_summary_text(std::ostream& out, const nlohmann::ordered_json& summary);

}  // namespace soilcolumn::exports
