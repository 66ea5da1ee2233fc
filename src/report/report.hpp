#pragma once
// `soilcolumn report`: the outputs of a run turned into one self-contained
// HTML file (report/html_report.hpp).

#include <cstdint>
#include <filesystem>

namespace soilcolumn::report {

struct ReportWritten {
    std::filesystem::path file;
    std::uintmax_t bytes = 0;
};

// The report file of a run directory when none is named: DIR/report.html.
std::filesystem::path default_report_file(const std::filesystem::path& run_directory);

// Reads the outputs in `run_directory` and writes the report to
// `report_file`. ReportError when the outputs are missing or broken, or the
// file cannot be written (a file that was there stays as it was).
ReportWritten write_report(const std::filesystem::path& run_directory, const std::filesystem::path& report_file);

}  // namespace soilcolumn::report
