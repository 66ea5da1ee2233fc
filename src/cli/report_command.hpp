#pragma once
// `soilcolumn report DIR [-o FILE]`: the HTML report of the run whose
// outputs are in DIR, written to FILE (default DIR/report.html).

#include <filesystem>
#include <optional>

#include "cli/command_line.hpp"

namespace soilcolumn::cli {

int report_command(const std::filesystem::path& run_directory, const std::optional<std::filesystem::path>& report_file,
                   const ProcessIo& io);

// Writes the report of the run in `run_directory` to its default file and
// says so on `io.out`; on failure a message on `io.err` prefixed with
// `command` ("soilcolumn report", "soilcolumn run"). Returns the exit status.
int write_report_of(const std::filesystem::path& run_directory, const std::filesystem::path& report_file,
                    const ProcessIo& io, const char* command);

}  // namespace soilcolumn::cli
