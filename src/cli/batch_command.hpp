#pragma once
// `soilcolumn batch DIR... | --list FILE [-j N] [-o OUTROOT] [--resume] [-q]`:
// many scenario directories on N threads in one process, each into its own
// OUTROOT/<name>, and the table of the batch in OUTROOT/batch.csv and
// batch.json. Exit status: 0 every member completed; 3 none failed but at
// least one is numerically unsafe; 1 at least one failed or stopped on its
// input; 128 + the signal when interrupted (130 for Ctrl-C).

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "batch/batch.hpp"
#include "batch/batch_table.hpp"
#include "cli/command_line.hpp"

namespace soilcolumn::cli {

struct BatchOptions {
    std::vector<std::string> directories;
    std::string list_file;
    int threads = 0;  // 0: the number of cores
    std::string output_root = "batch";
    std::string table_name = "batch";
    bool resume = false;
    bool quiet = false;
    NumericsMode numerics = NumericsMode::classic;  // of every member
    bool fast = false;                              // every member with run --fast's arithmetic
};

struct BatchCommand {
    CLI::App* app = nullptr;
    BatchOptions options;
};

// Adds the subcommand to `app`; the options land in `command`, which must
// outlive the parse.
void add_batch_command(CLI::App& app, BatchCommand& command);

// Runs a parsed batch command.
int run_batch_command(const BatchOptions& options, const ProcessIo& io);

// The exit status of a batch from its rows (see above); `signal_number`
// is the interrupting signal, 0 for none.
int batch_exit_status(const BatchCounts& counts, int signal_number);

// The directories of a list file: one per line, blank lines and lines
// starting with '#' skipped, surrounding blanks removed.
std::vector<std::filesystem::path> read_directory_list(std::istream& in);

// The progress line of a batch (no carriage return).
std::string batch_progress_line(std::size_t done, std::size_t total, std::size_t failed,
                                std::size_t unsafe, double elapsed_s);

// Runs `members` as `settings` say, with a progress line on `progress`
// (nullptr: none) and Ctrl-C/SIGTERM as stop request (these replace the
// settings' own); returns the rows, the wall time and the signal that
// stopped it (0: none).
struct BatchOutcome {
    std::vector<MemberResult> rows;
    double wall_seconds = 0.0;
    int signal_number = 0;
};
BatchOutcome run_members_with_progress(const std::vector<BatchMember>& members, BatchSettings settings,
                                       std::ostream* progress);

}  // namespace soilcolumn::cli
