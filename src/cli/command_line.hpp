#pragma once
// The program's command line, parsed with CLI11:
//   soilcolumn                   the classic run in the working directory
//   soilcolumn --exports         the same, and the CSV tables and summary.json
//   soilcolumn run [DIR] [-o OUTDIR] [--time-step S] [--days N] [-q] [--report]
//   soilcolumn report DIR [-o FILE]
// The process itself (its streams, whether they are terminals) is handed
// in, so that every command can be run and checked inside a test.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "driver/numerics_record.hpp"

namespace soilcolumn::cli {

struct ProcessIo {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool stdin_is_terminal = false;
    bool stderr_is_terminal = false;
};

// Runs the program for its arguments (args[0] is the program name) and
// returns the exit status (cli/exit_status.hpp).
int run_program(const std::vector<std::string>& args, const ProcessIo& io);

// Adds `--numerics classic|sound` to a command that runs scenarios.
void add_numerics_option(CLI::App& command, NumericsMode& mode);

// Adds `--fast` (the fast arithmetic, README "Performance") to a command
// that runs scenarios.
void add_fast_option(CLI::App& command, bool& fast);

}  // namespace soilcolumn::cli
