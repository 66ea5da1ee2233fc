#pragma once
// The outputs of one `soilcolumn run` that a report shows: summary.json,
// profiles.csv, balances.csv, observations.csv and, when the run wrote it,
// annual.csv.

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "report/csv_table.hpp"

namespace soilcolumn::report {

struct RunOutputs {
    std::filesystem::path directory;
    nlohmann::ordered_json summary;
    std::string summary_written;  // when summary.json was written, "YYYY-MM-DD HH:MM UTC"
    CsvTable profiles;
    CsvTable balances;
    CsvTable observations;
    std::optional<CsvTable> annual;  // absent: the run wrote no annual.csv
};

// Reads the outputs in `directory`. ReportError: no_run_directory when the
// directory does not exist; broken_input when summary.json or a table is
// missing, cannot be read, or is not what a run writes.
RunOutputs read_run_outputs(const std::filesystem::path& directory);

}  // namespace soilcolumn::report
