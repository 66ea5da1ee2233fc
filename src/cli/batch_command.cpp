#include "cli/batch_command.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>

#include "cli/exit_status.hpp"
#include "cli/progress.hpp"
#include "cli/stop_signal.hpp"

namespace soilcolumn::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* batch_footer =
    "Each DIR is a scenario directory (vekin.txt, chemvek.txt, ...); its results go to\n"
    "OUTROOT/<last part of DIR> (\"_2\", \"_3\", ... appended to a name already taken):\n"
    "aus1.txt..aus4.txt, console.txt and member.json, the member's row. OUTROOT/batch.csv and\n"
    "batch.json hold one row per member: directory, status, exit status, message, wall time,\n"
    "balance errors, warning count, endpoint. A failing or unsafe member never stops the others.\n"
    "Ctrl-C or SIGTERM starts no new member, abandons the running ones and still writes the\n"
    "table (members not run: status interrupted); --resume then skips the finished ones.\n"
    "\n"
    "Exit status: 0 every member completed; 1 at least one failed or stopped on its input;\n"
    "3 none failed, at least one numerically unsafe; 130 (143) interrupted by SIGINT (SIGTERM);\n"
    "64 usage error; 66 a scenario directory or the list file does not exist; 73 OUTROOT\n"
    "cannot be created or written.\n"
    "\n"
    "Examples:\n"
    "  soilcolumn batch scen/a scen/b scen/c -o results -j 2\n"
    "  soilcolumn batch --list scenarios.txt -o results --resume";

int refuse_batch(const ProcessIo& io, int status, const std::string& message)
{
    *io.err << "soilcolumn batch: " << message << "\n";
    return status;
}

}  // namespace

std::string batch_progress_line(std::size_t done, std::size_t total, std::size_t failed, std::size_t unsafe,
                                double elapsed_s)
{
    const std::string remaining =
        done > 0 ? clock_text(elapsed_s * static_cast<double>(total - done) / static_cast<double>(done))
                 : std::string("?");
    char text[200];
    std::snprintf(text, sizeof text, "members %zu/%zu  failed %zu  unsafe %zu  elapsed %s  remaining %s", done,
                  total, failed, unsafe, clock_text(elapsed_s).c_str(), remaining.c_str());
    return text;
}

std::vector<fs::path> read_directory_list(std::istream& in)
{
    std::vector<fs::path> directories;
    std::string line;
    while (std::getline(in, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const auto last = line.find_last_not_of(" \t\r");
        directories.emplace_back(line.substr(first, last - first + 1));
    }
    return directories;
}

int batch_exit_status(const BatchCounts& counts, int signal_number)
{
    if (signal_number != 0 || counts.interrupted > 0) {
        return signal_number != 0 ? 128 + signal_number : exit_status::interrupted;
    }
    if (counts.failed > 0 || counts.stopped > 0) return exit_status::run_failed;
    if (counts.unsafe > 0) return exit_status::unsafe;
    return exit_status::ok;
}

BatchOutcome run_members_with_progress(const std::vector<BatchMember>& members, BatchSettings settings,
                                       std::ostream* progress)
{
    const StopSignals signals;
    const auto started = std::chrono::steady_clock::now();
    std::size_t failed = 0;
    std::size_t unsafe = 0;
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    if (progress != nullptr) {
        *progress << '\r' << batch_progress_line(0, members.size(), 0, 0, 0.0) << "\x1b[K" << std::flush;
    }
    settings.stop_requested = &signals.stop_requested();
    settings.on_member_done = [&](const MemberResult& row, std::size_t done, std::size_t total) {
        const MemberStatus status = effective_status(row);
        if (status == MemberStatus::failed || status == MemberStatus::stopped) ++failed;
        if (status == MemberStatus::unsafe) ++unsafe;
        if (progress != nullptr) {
            *progress << '\r' << batch_progress_line(done, total, failed, unsafe, elapsed()) << "\x1b[K"
                      << std::flush;
        }
    };
    BatchOutcome outcome;
    outcome.rows = run_batch(members, settings);
    outcome.wall_seconds = elapsed();
    outcome.signal_number = signals.signal_number();
    if (progress != nullptr) *progress << "\r\x1b[K" << std::flush;
    return outcome;
}

void add_batch_command(CLI::App& app, BatchCommand& command)
{
    BatchOptions& o = command.options;
    CLI::App* batch = app.add_subcommand("batch", "Run many scenario directories on N threads (see 'soilcolumn batch --help')");
    batch->footer(batch_footer);
    batch->add_option("DIR", o.directories, "Scenario directories");
    batch->add_option("--list", o.list_file, "A file naming the scenario directories, one per line ('#' comments)")
        ->type_name("FILE");
    batch->add_option("-j,--jobs", o.threads, "Members run at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    batch->add_option("-o,--output", o.output_root, "Root of the member output directories and the table (default: batch)")
        ->type_name("OUTROOT");
    batch->add_option("--table", o.table_name, "Name of the table files inside OUTROOT: NAME.csv and NAME.json (default: batch)")
        ->type_name("NAME");
    batch->add_flag("--resume", o.resume, "Skip members whose output directory holds a finished run");
    batch->add_flag("-q,--quiet", o.quiet, "No progress line");
    add_numerics_option(*batch, o.numerics);
    add_fast_option(*batch, o.fast);
    command.app = batch;
}

int run_batch_command(const BatchOptions& options, const ProcessIo& io)
{
    std::vector<fs::path> directories(options.directories.begin(), options.directories.end());
    std::error_code error;
    if (!options.list_file.empty()) {
        std::ifstream list(options.list_file);
        if (!list) {
            return refuse_batch(io, exit_status::no_input, "cannot read the list file '" + options.list_file + "'");
        }
        for (fs::path& directory : read_directory_list(list)) directories.push_back(std::move(directory));
    }
    if (directories.empty()) {
        *io.err << "soilcolumn batch: no scenario directory given (DIR... or --list FILE)\n"
                << "Run 'soilcolumn batch --help' for usage.\n";
        return exit_status::usage;
    }
    for (const fs::path& directory : directories) {
        if (!fs::is_directory(directory, error)) {
            return refuse_batch(io, exit_status::no_input,
                                "scenario directory '" + directory.string() + "' does not exist or is not a directory");
        }
    }
    const fs::path table = fs::path(options.table_name).lexically_normal();
    if (options.table_name.empty() || table.is_absolute() || table.filename().empty() ||
        *table.begin() == "..") {
        return refuse_batch(io, exit_status::usage,
                            "--table: '" + options.table_name + "' is not a name inside OUTROOT");
    }
    const fs::path root = options.output_root;
    fs::create_directories((root / table).parent_path(), error);
    if (error || !fs::is_directory(root, error)) {
        return refuse_batch(io, exit_status::cannot_create, "cannot create the output root '" + root.string() + "'");
    }
    const std::vector<std::string> names = member_names(directories);
    std::vector<BatchMember> members;
    for (std::size_t i = 0; i < directories.size(); ++i) members.push_back({directories[i], root / names[i]});

    const int threads = options.threads > 0 ? options.threads
                                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const bool show_progress = io.stderr_is_terminal && !options.quiet;
    BatchSettings settings{.threads = threads, .resume = options.resume};
    settings.member_setup.numerics = options.numerics;
    settings.member_setup.fast = options.fast;
    const BatchOutcome outcome = run_members_with_progress(members, settings, show_progress ? io.err : nullptr);
    const BatchCounts counts = count_rows(outcome.rows);
    if (const std::string problem = write_batch_tables(root, options.table_name, outcome.rows, outcome.wall_seconds);
        !problem.empty()) {
        return refuse_batch(io, exit_status::cannot_create, problem);
    }
    *io.out << "batch: " << counts.total << " members: " << counts.ok << " ok, " << counts.warning << " warning, "
            << counts.unsafe << " unsafe, " << counts.stopped << " stopped, " << counts.failed << " failed, "
            << counts.interrupted << " interrupted; table in "
            << (root / (options.table_name + ".csv")).string() << "\n";
    return batch_exit_status(counts, outcome.signal_number);
}

}  // namespace soilcolumn::cli
