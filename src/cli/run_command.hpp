#pragma once
// `soilcolumn run`: the scenario of one directory, its results in another
// (the same by default), the model's console log in console.txt there, the
// CSV tables and summary.json beside the classic result files, and a short
// English summary on standard output.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "driver/numerics_record.hpp"
#include "driver/run_overrides.hpp"
#include "endpoint/endpoint.hpp"

namespace soilcolumn::cli {

struct RunOptions {
    std::filesystem::path scenario_directory{"."};
    std::optional<std::filesystem::path> output_directory;  // default: the scenario directory
    RunOverrides overrides;
    EndpointRequest endpoint;
    NumericsMode numerics = NumericsMode::classic;
    bool quiet = false;
    bool report = false;  // also write OUTDIR/report.html
    bool fast = false;  // RunSetup::fast
    std::vector<std::string> command_line;
};

int run_scenario(const RunOptions& options, const ProcessIo& io);

// The classic run in the working directory: console on `io.out`, the four
// result files, the model's exit status; with `exports` also the CSV
// tables and summary.json.
int run_classic(const ProcessIo& io, bool exports, const std::vector<std::string>& command_line);

// The name of the table of annual balances that every run with exports writes.
inline constexpr const char* annual_table_name = "annual.csv";

// The text of an override value as a 32-bit number; an English message
// naming the option when it is not one, or not usable.
std::optional<std::string> parse_override(const std::string& option, const std::string& text,
                                          std::optional<float>& value);

}  // namespace soilcolumn::cli
