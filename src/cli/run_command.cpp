#include "cli/run_command.hpp"

#include <charconv>
#include <chrono>
#include <fstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "cli/exit_status.hpp"
#include "cli/output_lock.hpp"
#include "cli/progress.hpp"
#include "cli/report_command.hpp"
#include "driver/run.hpp"
#include "exports/annual_exports.hpp"
#include "exports/csv_exports.hpp"
#include "exports/summary.hpp"
#include "records/run_errors.hpp"
#include "report/report.hpp"

namespace soilcolumn::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* console_name = "console.txt";
constexpr const char* summary_name = "summary.json";

int refuse_run(const ProcessIo& io, int status, const std::string& message)
{
    *io.err << "soilcolumn run: " << message << "\n";
    return status;
}

// The exit status of `run`: an orderly stop is not a success here, so that a
// script notices it without reading the summary.
int command_exit_status(const Run& run)
{
    switch (run.status()) {
    case RunStatus::completed:
        return run.record().numerically_unsafe() ? exit_status::unsafe : exit_status::ok;
    case RunStatus::stopped:
        return exit_status::input_stopped;
    case RunStatus::failed:
        return exit_status::run_failed;
    case RunStatus::rejected:
        return exit_status::usage;
    default:
        return exit_status::internal_fault;
    }
}

std::string quoted(const fs::path& path)
{
    // Appended rather than "'" + path.string(): g++ 12 warns falsely about
    // an overlapping copy in the insertion at the front (-Wrestrict) when
    // the library is compiled for link-time optimisation.
    std::string text = "'";
    text += path.string();
    text += '\'';
    return text;
}

// The result files the run left in its output directory, in a fixed order.
std::vector<std::string> written_files(const fs::path& directory, bool with_console)
{
    std::vector<std::string> names{"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"};
    if (with_console) names.push_back(console_name);
    for (const std::string& name : exports::CsvExports::file_names()) names.push_back(name);
    names.push_back(annual_table_name);
    names.push_back(summary_name);
    std::vector<std::string> present;
    for (const std::string& name : names) {
        std::error_code error;
        if (name == summary_name || fs::exists(directory / name, error)) present.push_back(name);
    }
    return present;
}

struct Stepped {
    std::optional<std::array<std::int32_t, 3>> first_weather_date;
    double wall_time_s = 0.0;
};

// Opens, steps and closes the run; a progress bar on `progress_stream`
// (nullptr: none) follows the clock once the input has told the period.
Stepped step_to_end(Run& run, std::ostream* progress_stream)
{
    const auto start = std::chrono::steady_clock::now();
    Stepped stepped;
    run.open();
    std::optional<ProgressBar> progress;
    if (progress_stream != nullptr && run.status() == RunStatus::running) {
        progress.emplace(*progress_stream, static_cast<double>(run.state().simulation_end) / 86400.0);
    }
    while (run.step() == RunStatus::running) {
        if (!stepped.first_weather_date) stepped.first_weather_date = run.state().weather_date;
        if (progress) progress->update(run.state().simulation_time / 86400.0);
    }
    if (!stepped.first_weather_date && run.record().steps > 0) {
        stepped.first_weather_date = run.state().weather_date;
    }
    if (progress) progress->finish();
    run.close();
    stepped.wall_time_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return stepped;
}

// Closes the tables and writes the annual balances; a table that could not
// be written fails the run.
int close_exports(exports::CsvExports& tables, const Run& run, const std::filesystem::path& directory,
                  const ProcessIo& io, int status)
{
    try {
        tables.close();
        exports::write_annual_table(directory / annual_table_name, run.record().annual,
                                    run.record().diagnostics.substance_count);
    } catch (const RunFailure& failure) {
        *io.err << "soilcolumn: " << failure.what() << "\n";
        return status == exit_status::ok ? exit_status::run_failed : status;
    }
    return status;
}

}  // namespace

std::optional<std::string> parse_override(const std::string& option, const std::string& text,
                                          std::optional<float>& value)
{
    const std::string_view digits =
        text.starts_with('+') ? std::string_view(text).substr(1) : std::string_view(text);
    float number = 0.0f;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc::result_out_of_range) {
        return option + ": '" + text + "' is outside the range of the model's 32-bit numbers";
    }
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
        return option + ": '" + text + "' is not a number";
    }
    RunOverrides alone;
    (option == "--time-step" ? alone.time_step : alone.simulated_days) = number;
    if (std::string problem = override_problem(alone); !problem.empty()) {
        return problem + " (given: '" + text + "')";
    }
    value = number;
    return std::nullopt;
}

int run_scenario(const RunOptions& options, const ProcessIo& io)
{
    const fs::path& input = options.scenario_directory;
    std::error_code error;
    if (!fs::exists(input, error)) {
        return refuse_run(io, exit_status::no_input, "scenario directory " + quoted(input) + " does not exist");
    }
    if (!fs::is_directory(input, error)) {
        return refuse_run(io, exit_status::no_input, quoted(input) + " is not a directory");
    }
    const fs::path output = options.output_directory.value_or(input);
    if (fs::exists(output, error) && !fs::is_directory(output, error)) {
        return refuse_run(io, exit_status::cannot_create,
                          "output directory " + quoted(output) + " is not a directory");
    }
    fs::create_directories(output, error);
    if (error) {
        return refuse_run(io, exit_status::cannot_create,
                          "cannot create output directory " + quoted(output) + ": " + error.message());
    }
    OutputLock::Failure failure = OutputLock::Failure::none;
    std::string reason;
    std::optional<OutputLock> lock = OutputLock::acquire(output, failure, reason);
    if (!lock) {
        return failure == OutputLock::Failure::in_use
                   ? refuse_run(io, exit_status::output_in_use,
                                "output directory " + quoted(output) + " is in use: " + reason)
                   : refuse_run(io, exit_status::cannot_create,
                                "cannot write to output directory " + quoted(output) + ": " + reason);
    }

    std::ofstream console(output / console_name, std::ios::binary | std::ios::trunc);
    if (!console) {
        return refuse_run(io, exit_status::cannot_create, "cannot create " + quoted(output / console_name));
    }
    exports::CsvExports tables(output);
    try {
        tables.create();
    } catch (const RunFailure& open_failure) {
        return refuse_run(io, exit_status::cannot_create, open_failure.what());
    }

    // Nobody can answer a prompt for the weather file: its output goes to
    // console.txt. A blank name is reported as an error instead.
    Run run({.input_directory = input,
             .output_directory = output,
             .console = &console,
             .file_name_source = {},
             .target_depth = options.endpoint.target_depth,
             .overrides = options.overrides,
             .observers = {&tables},
             .numerics = options.numerics,
             .fast = options.fast});
    const bool show_progress = io.stderr_is_terminal && !options.quiet;
    const Stepped stepped = step_to_end(run, show_progress ? io.err : nullptr);
    console.close();
    int status = close_exports(tables, run, output, io, command_exit_status(run));

    exports::SummaryContext context{.command_line = options.command_line,
                                    .overrides = options.overrides,
                                    .first_weather_date = stepped.first_weather_date,
                                    .exit_status = status,
                                    .wall_time_s = stepped.wall_time_s,
                                    .output_files = written_files(output, true),
                                    .endpoint = options.endpoint};
    const nlohmann::ordered_json summary = exports::summary_json(run, context);
    try {
        exports::write_summary_file(output / summary_name, summary);
    } catch (const RunFailure& write_failure) {
        *io.err << "soilcolumn run: " << write_failure.what() << "\n";
        status = status == exit_status::ok ? exit_status::cannot_create : status;
    }
    exports::write_summary_text(*io.out, summary);
    if (options.report) {
        // The report of a failed or stopped run shows why; its own failure
        // fails a run that went well.
        const int report_status = write_report_of(output, report::default_report_file(output), io, "soilcolumn run");
        if (status == exit_status::ok) status = report_status;
    }
    if (!run.message().empty() && status != exit_status::ok) {
        *io.err << "soilcolumn run: " << summary["status"].get<std::string>() << ": " << run.message()
                << " (see " << (output / console_name).string() << ")\n";
    }
    return status;
}

int run_classic(const ProcessIo& io, bool exports, const std::vector<std::string>& command_line)
{
    std::istream* answers = io.stdin_is_terminal ? io.in : nullptr;
    if (!exports) {
        // Exactly the program as it always was.
        Run run({.console = io.out, .file_name_source = [answers] { return answers; }});
        run_to_end(run);
        return exit_status_of(run);
    }
    exports::CsvExports tables{fs::path{}};
    Run run({.console = io.out,
             .file_name_source = [answers] { return answers; },
             .observers = {&tables}});
    const Stepped stepped = step_to_end(run, nullptr);
    const int status = close_exports(tables, run, fs::path{}, io, exit_status_of(run));
    const exports::SummaryContext context{.command_line = command_line,
                                          .overrides = {},
                                          .first_weather_date = stepped.first_weather_date,
                                          .exit_status = status,
                                          .wall_time_s = stepped.wall_time_s,
                                          .output_files = written_files(fs::path("."), false)};
    try {
        exports::write_summary_file(summary_name, exports::summary_json(run, context));
    } catch (const RunFailure& failure) {
        *io.err << "soilcolumn: " << failure.what() << "\n";
        return status == exit_status::ok ? exit_status::run_failed : status;
    }
    return status;
}

}  // namespace soilcolumn::cli
