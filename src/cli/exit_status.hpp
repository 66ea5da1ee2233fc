#pragma once
// The exit statuses of the program. A classic run (no arguments) keeps the
// model's own: 0 normal end or orderly stop, 1 failure, 2 internal fault.
// `soilcolumn run` tells a script more; the usage statuses follow the BSD
// sysexits convention.

namespace soilcolumn::cli::exit_status {

constexpr int ok = 0;                // completed, with or without warnings
constexpr int run_failed = 1;        // a file could not be read or written, a value blew up
constexpr int internal_fault = 2;    // a fault of the program itself
constexpr int unsafe = 3;            // completed, but the numerics cannot be trusted
constexpr int input_stopped = 4;     // the input is inconsistent: orderly stop
constexpr int usage = 64;            // unknown option, missing or bad value
constexpr int bad_data = 65;         // report: an output of the run is missing or cannot be read
constexpr int no_input = 66;         // the scenario directory does not exist
constexpr int cannot_create = 73;    // the output directory cannot be created or written
constexpr int output_in_use = 75;    // another run is writing to the output directory
constexpr int interrupted = 130;     // a batch stopped by Ctrl-C (128 + SIGINT; SIGTERM gives 143)

}  // namespace soilcolumn::cli::exit_status
