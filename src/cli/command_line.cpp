#include "cli/command_line.hpp"

#include <cmath>

#include <CLI/CLI.hpp>

#include "cli/batch_command.hpp"
#include "cli/ensemble_command.hpp"
#include "cli/exit_status.hpp"
#include "cli/report_command.hpp"
#include "cli/run_command.hpp"
#include "cli/version.hpp"

namespace soilcolumn::cli {
namespace {

constexpr const char* program_description =
    "soilcolumn - vertical water flow and solute transport in a layered soil column.\n"
    "\n"
    "Without a command it runs the scenario in the current directory as it always has:\n"
    "the input echo and progress on standard output, the results in aus1.txt..aus4.txt.\n";

constexpr const char* program_footer =
    "Examples:\n"
    "  soilcolumn                          classic run in the current directory\n"
    "  soilcolumn --exports                the same, plus the CSV tables and summary.json\n"
    "  soilcolumn run examples/default     run a scenario, print a summary\n"
    "  soilcolumn run scen -o results/a --days 30 --time-step 1800\n"
    "  soilcolumn report results/a         results/a/report.html from that run's outputs\n"
    "\n"
    "Exit status: 0 ok; 1 the run failed (file, read error, value blew up); 2 internal fault;\n"
    "3 numerically unsafe; 4 input inconsistent (orderly stop); 64 usage error; 65 an output\n"
    "of the run (for a report) is missing or broken; 66 scenario or run directory missing;\n"
    "73 output directory or report file cannot be written; 75 output directory in use.\n"
    "The classic run keeps its own: 0 for a normal end or an orderly stop, 1 failure, 2 fault,\n"
    "3 numerically unsafe.";

constexpr const char* report_footer =
    "Reads summary.json, profiles.csv, balances.csv, observations.csv and, when present,\n"
    "annual.csv that 'soilcolumn run' wrote into DIR, and writes one HTML file with the\n"
    "status and warnings, the endpoint, breakthrough curves, depth-time profiles, balances\n"
    "and the solver's diagnostics. The file needs nothing else: it opens offline in a\n"
    "browser and prints to PDF with vector charts.\n"
    "\n"
    "Examples:\n"
    "  soilcolumn report examples/default                 examples/default/report.html\n"
    "  soilcolumn report out/a -o dossier/run-a.html\n";

constexpr const char* run_footer =
    "Reads vekin.txt, chemvek.txt, chemdat.txt, plant.txt and the weather file in DIR and\n"
    "never changes them. Writes to OUTDIR the classic aus1.txt..aus4.txt, the model's\n"
    "console log console.txt, the full-precision tables profiles.csv, balances.csv,\n"
    "fluxes.csv, observations.csv, annual.csv (balances per calendar year), and\n"
    "summary.json. A short summary goes to standard output; a progress bar to standard\n"
    "error when it is a terminal.\n"
    "\n"
    "The groundwater endpoint: per substance the flux-averaged leachate concentration at\n"
    "the face nearest to the target depth, over the periods of complete years after the\n"
    "warm-up, ranked; the two periods at the ranks floor(0.8 n) and ceil(0.8 n) (the next\n"
    "rank when equal) give it, their mass over their water. The same at the lower face.\n"
    "\n"
    "Examples:\n"
    "  soilcolumn run                              the scenario in the current directory\n"
    "  soilcolumn run examples/default -q          no progress bar\n"
    "  soilcolumn run scen -o out/short --days 10  the first 10 days, results in out/short\n"
    "  soilcolumn run scen --time-step 900         a 15-minute step instead of vekin.txt's\n"
    "  soilcolumn run scen --period-years 2        biennial periods (application every 2 years)\n"
    "  soilcolumn run scen --numerics sound        the sound numerics instead of the classic ones\n"
    "  soilcolumn run scen --report                and OUTDIR/report.html at the end\n"
    "\n"
    "The file formats are described in docs/outputs.md; exit statuses in 'soilcolumn --help'.";

std::string version_text()
{
    return "soilcolumn " + std::string(program_version()) + " (revision " +
           std::string(source_revision()) + ")";
}

// `command`: "run " or "report " when the error is in a command's arguments.
void report_usage_error(const ProcessIo& io, const std::string& what, const char* command)
{
    *io.err << "soilcolumn: " << what << "\n"
            << "Run 'soilcolumn " << command << "--help' for usage.\n";
}

}  // namespace

void add_numerics_option(CLI::App& command, NumericsMode& mode)
{
    command
        .add_option_function<std::string>(
            "--numerics",
            [&mode](const std::string& name) { mode = name == "sound" ? NumericsMode::sound : NumericsMode::classic; },
            "classic: the model's relaxation sweeps (default); sound: direct solves, "
            "conserving balances and step subdivision")
        ->type_name("MODE")
        ->check(CLI::IsMember({"classic", "sound"}));
}

void add_fast_option(CLI::App& command, bool& fast)
{
    command.add_flag("--fast", fast,
                     "Fast arithmetic: subnormal values flushed to zero and the water rows solved "
                     "directly; the results agree with the classic run's within the printed digits "
                     "(README, Performance), not bit for bit");
}

int run_program(const std::vector<std::string>& args, const ProcessIo& io)
{
    CLI::App app(program_description, "soilcolumn");
    app.footer(program_footer);
    app.set_version_flag("--version", version_text(), "Print the version and source revision, then exit");
    bool exports = false;
    app.add_flag("--exports", exports,
                 "Classic run only: also write the CSV tables and summary.json next to the "
                 "result files");

    CLI::App* run = app.add_subcommand("run", "Run the scenario in DIR, results in OUTDIR (see 'soilcolumn run --help')");
    run->footer(run_footer);
    std::string scenario = ".";
    std::string output;
    std::string time_step_text;
    std::string days_text;
    bool quiet = false;
    run->add_option("DIR", scenario, "Scenario directory (default: the current directory)");
    run->add_option("-o,--output", output, "Directory for the results (default: DIR); created if missing")
        ->type_name("OUTDIR");
    run->add_option("--time-step", time_step_text, "Time step in seconds, instead of vekin.txt's")
        ->type_name("SECONDS");
    run->add_option("--days", days_text, "Simulated period in days, instead of vekin.txt's")
        ->type_name("N");
    EndpointRequest endpoint;
    double target_depth = 1.0;
    run->add_option("--target-depth", target_depth, "Depth of the endpoint's face, m (default 1)")
        ->type_name("M");
    run->add_option("--warm-up-years", endpoint.settings.warm_up_years,
                    "Years left out of the endpoint at the start (default 6)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    run->add_option("--period-years", endpoint.settings.period_years,
                    "Years per evaluation period: 1, 2 or 3 (default 1)")
        ->type_name("N")
        ->check(CLI::IsMember({1, 2, 3}));
    run->add_option("--limit", endpoint.settings.limit, "Concentration limit, ug/L (default 0.1)")
        ->type_name("UG_L");
    NumericsMode numerics = NumericsMode::classic;
    add_numerics_option(*run, numerics);
    run->add_flag("-q,--quiet", quiet, "No progress bar");
    bool with_report = false;
    run->add_flag("--report", with_report, "Also write OUTDIR/report.html (as 'soilcolumn report OUTDIR')");

    CLI::App* report = app.add_subcommand("report", "Write the HTML report of a run's outputs (see 'soilcolumn report --help')");
    report->footer(report_footer);
    std::string run_directory;
    std::string report_file;
    report->add_option("DIR", run_directory, "Output directory of a 'soilcolumn run'")->required();
    report->add_option("-o,--output", report_file, "The report file (default: DIR/report.html)")->type_name("FILE");
    bool fast = false;
    add_fast_option(*run, fast);
    BatchCommand batch;
    add_batch_command(app, batch);
    EnsembleCommand ensemble;
    add_ensemble_command(app, ensemble);
    app.require_subcommand(0, 1);

    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {  // --help, --version
            return app.exit(error, *io.out, *io.err);
        }
        report_usage_error(io, error.what(), run->parsed() ? "run " : report->parsed() ? "report " : "");
        return exit_status::usage;
    }

    if (batch.app->parsed()) return run_batch_command(batch.options, io);
    if (ensemble.app->parsed()) return run_ensemble_command(ensemble, io);
    if (exports && (run->parsed() || report->parsed())) {
        report_usage_error(io, "--exports belongs to the classic run; 'run' always writes them", run->parsed() ? "run " : "report ");
        return exit_status::usage;
    }
    if (report->parsed()) {
        std::optional<std::filesystem::path> file;
        if (!report_file.empty()) file = report_file;
        return report_command(run_directory, file, io);
    }
    if (!run->parsed()) {
        return run_classic(io, exports, args);
    }
    RunOptions options;
    options.scenario_directory = scenario;
    if (!output.empty()) options.output_directory = output;
    options.quiet = quiet;
    options.numerics = numerics;
    options.report = with_report;
    options.fast = fast;
    options.command_line = args;
    for (const auto& [option, text, target] :
         {std::tuple{"--time-step", &time_step_text, &options.overrides.time_step},
          std::tuple{"--days", &days_text, &options.overrides.simulated_days}}) {
        if (run->count(option) == 0) continue;
        if (const auto problem = parse_override(option, *text, *target)) {
            report_usage_error(io, *problem, "run ");
            return exit_status::usage;
        }
    }
    if (run->count("--target-depth") != 0) {
        if (!std::isfinite(target_depth) || target_depth < 0.0) {
            report_usage_error(io, "--target-depth: a depth below the soil surface in m is needed", "run ");
            return exit_status::usage;
        }
        endpoint.target_depth = target_depth;
    }
    if (!std::isfinite(endpoint.settings.limit) || endpoint.settings.limit <= 0.0) {
        report_usage_error(io, "--limit: a concentration above 0 ug/L is needed", "run ");
        return exit_status::usage;
    }
    options.endpoint = endpoint;
    return run_scenario(options, io);
}

}  // namespace soilcolumn::cli
