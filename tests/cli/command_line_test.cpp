// The command line in-process: every refusal gives its message and exit
// status, `run` writes what the classic run writes plus its own files,
// overrides act as if vekin.txt said so, and the summary conforms to its
// documented schema.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "cli/output_lock.hpp"
#include "cli/progress.hpp"
#include "exports/export_run.hpp"
#include "input/temp_directory.hpp"

namespace soilcolumn {
namespace {

using testing::CommandResult;
using testing::TempDirectory;
using testing::run_command;
namespace fs = std::filesystem;

const char* const scenario = "free_drainage_two_days";

std::string replace_first(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A scenario directory and an output directory beside it.
struct Dirs {
    TempDirectory root;
    fs::path in = root.path() / "in";
    fs::path out = root.path() / "out";
    Dirs()
    {
        fs::create_directories(in);
        testing::copy_scenario(scenario, in);
    }
};

struct BadArguments {
    const char* what;
    std::vector<std::string> args;  // {in} and {out} stand for the directories
    void (*prepare)(const Dirs&);
    int status;
    const char* message;  // a regular expression the error output must contain
};

void nothing(const Dirs&) {}

const BadArguments bad_arguments[] = {
    {"unknown option", {"--frobnicate"}, nothing, 64, "not expected: --frobnicate"},
    {"unknown option of run", {"run", "{in}", "--turbo"}, nothing, 64, "not expected: --turbo"},
    {"unknown command", {"simulate"}, nothing, 64, "not expected: simulate"},
    {"two directories", {"run", "{in}", "{out}"}, nothing, 64, "not expected"},
    {"missing option value", {"run", "{in}", "--days"}, nothing, 64, "--days: 1 required"},
    {"--exports with run", {"--exports", "run", "{in}"}, nothing, 64, "--exports belongs to the classic run"},
    {"time step not a number", {"run", "{in}", "--time-step", "1h"}, nothing, 64,
     "--time-step: '1h' is not a number"},
    {"time step zero", {"run", "{in}", "--time-step", "0"}, nothing, 64, "--time-step must be greater than zero"},
    {"negative days", {"run", "{in}", "--days", "-3"}, nothing, 64, "--days must be greater than zero"},
    {"time step not finite", {"run", "{in}", "--time-step", "inf"}, nothing, 64, "--time-step must be a finite number"},
    {"days not a number", {"run", "{in}", "--days", "nan"}, nothing, 64, "--days must be a finite number"},
    {"beyond 32 bits", {"run", "{in}", "--days", "1e39"}, nothing, 64, "outside the range of the model's 32-bit"},
    {"days beyond seconds", {"run", "{in}", "--days", "1e34"}, nothing, 64, "--days is too large"},
    {"too many steps", {"run", "{in}", "-o", "{out}", "--time-step", "0.001"}, nothing, 64,
     "makes [0-9]+ time steps; at most 100000000"},
    {"target depth negative", {"run", "{in}", "--target-depth", "-0.5"}, nothing, 64,
     "--target-depth: a depth below the soil surface"},
    {"target depth not finite", {"run", "{in}", "--target-depth", "nan"}, nothing, 64,
     "--target-depth: a depth below the soil surface"},
    {"target below the column", {"run", "{in}", "-o", "{out}", "--target-depth", "30"}, nothing, 64,
     "failed: target depth 30 m lies outside the column"},
    {"period of four years", {"run", "{in}", "--period-years", "4"}, nothing, 64, "--period-years: 4 not in"},
    {"negative warm-up", {"run", "{in}", "--warm-up-years", "-1"}, nothing, 64, "--warm-up-years"},
    {"limit zero", {"run", "{in}", "--limit", "0"}, nothing, 64, "--limit: a concentration above 0"},
    {"missing scenario", {"run", "{in}/nowhere"}, nothing, 66, "scenario directory '.*nowhere' does not exist"},
    {"scenario is a file", {"run", "{in}/vekin.txt"}, nothing, 66, "vekin.txt' is not a directory"},
    {"output is a file", {"run", "{in}", "-o", "{in}/plant.txt"}, nothing, 73,
     "output directory '.*plant.txt' is not a directory"},
    {"output below a file", {"run", "{in}", "-o", "{in}/plant.txt/out"}, nothing, 73,
     "cannot create output directory"},
    {"output in use",
     {"run", "{in}", "-o", "{out}"},
     [](const Dirs& d) {
         fs::create_directories(d.out);
         std::ofstream(d.out / cli::OutputLock::file_name) << ::getpid() << "\n";
     },
     75, "output directory '.*out' is in use: another run is writing there"},
    {"inconsistent input: orderly stop",
     {"run", "{in}", "-q"},
     [](const Dirs& d) { std::ofstream(d.in / "chemvek.txt") << " Stoffdaten\n 5\n Tabelle\n"; },
     4, "stopped: .*Anzahl der Stoffe 5"},
    {"input file missing",
     {"run", "{in}", "-q"},
     [](const Dirs& d) { fs::remove(d.in / "chemdat.txt"); },
     1, "failed: .*chemdat.txt"},
};

std::vector<std::string> with_dirs(const std::vector<std::string>& args, const Dirs& dirs)
{
    std::vector<std::string> result;
    for (std::string arg : args) {
        if (arg.starts_with("{in}")) arg = dirs.in.string() + arg.substr(4);
        if (arg.starts_with("{out}")) arg = dirs.out.string() + arg.substr(5);
        result.push_back(arg);
    }
    return result;
}

TEST(CommandLine, RefusesBadArgumentsWithAMessageAndAnExitStatus)
{
    for (const BadArguments& c : bad_arguments) {
        SCOPED_TRACE(c.what);
        Dirs dirs;
        c.prepare(dirs);
        const CommandResult result = run_command(with_dirs(c.args, dirs));
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_TRUE(std::regex_search(result.err, std::regex(c.message))) << result.err;
        // The run itself refuses the last two, after it has read the input.
        const bool refused_by_the_run =
            std::string(c.what) == "too many steps" || std::string(c.what) == "target below the column";
        if (c.status == 64 && !refused_by_the_run) {
            EXPECT_EQ(result.out, "") << "nothing was run";
            EXPECT_FALSE(fs::exists(dirs.in / "aus1.txt"));
        }
        // A refused run leaves no lock behind but one that was there before.
        if (std::string(c.what) != "output in use") {
            EXPECT_FALSE(fs::exists(dirs.in / cli::OutputLock::file_name));
            EXPECT_FALSE(fs::exists(dirs.out / cli::OutputLock::file_name));
        }
    }
}

TEST(CommandLine, HelpAndVersionGoToStandardOutputWithStatusZero)
{
    const CommandResult help = run_command({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Examples:"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("soilcolumn run examples/default"), std::string::npos);
    EXPECT_NE(help.out.find("75 output directory in use"), std::string::npos);

    const CommandResult run_help = run_command({"run", "--help"});
    EXPECT_EQ(run_help.status, 0);
    for (const char* option : {"--output OUTDIR", "--time-step SECONDS", "--days N", "--numerics MODE:{classic,sound}",
                               "--quiet", "Examples:"}) {
        EXPECT_NE(run_help.out.find(option), std::string::npos) << option;
    }

    const CommandResult version = run_command({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "soilcolumn " SOILCOLUMN_VERSION " (revision " SOILCOLUMN_REVISION ")\n");
    EXPECT_EQ(version.err, "");
}

// The classic run's bytes, and those of `run`: the same result files, the
// same console log (in console.txt), whichever directories they use.
TEST(CommandLine, RunWritesTheClassicFilesAndItsOwn)
{
    Dirs dirs;
    TempDirectory classic;
    testing::copy_scenario(scenario, classic.path());
    int status = 0;
    const std::string classic_console = testing::shell_output(
        "cd '" + classic.path().string() + "' && '" SOILCOLUMN_EXE "' < /dev/null", status);
    ASSERT_EQ(status, 0);

    const CommandResult result = run_command({"run", dirs.in.string(), "-o", dirs.out.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "") << "no progress bar when standard error is no terminal";
    for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"}) {
        EXPECT_EQ(testing::read_file(dirs.out / name), classic.read(name)) << name;
        EXPECT_FALSE(fs::exists(dirs.in / name)) << "the scenario directory stays as it was";
    }
    EXPECT_EQ(testing::read_file(dirs.out / "console.txt"), classic_console);
    for (const char* name : {"profiles.csv", "balances.csv", "fluxes.csv", "observations.csv", "summary.json"}) {
        EXPECT_TRUE(fs::exists(dirs.out / name)) << name;
        EXPECT_FALSE(classic.exists(name)) << "the classic run writes " << name << " only when asked";
    }
    EXPECT_FALSE(fs::exists(dirs.out / cli::OutputLock::file_name)) << "the lock is released";
    EXPECT_TRUE(result.out.starts_with("soilcolumn run: ok (exit status 0)\n")) << result.out;
    EXPECT_NE(result.out.find("substance 2 entered"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("results in  " + dirs.out.string() + ": aus1.txt"), std::string::npos);
}

// Overrides give the bytes that the edited vekin.txt gives: vekin's first
// record after its heading is "period time-step ...".
TEST(CommandLine, OverridesActAsIfTheControlFileSaidSo)
{
    struct Case {
        std::vector<std::string> options;
        const char* edited_run_control;
    };
    const Case cases[] = {
        {{"--days", "1.5"}, "  1.5  3600.0"},
        {{"--time-step", "1800"}, "  2.1  1800.0"},
        {{"--days", "1", "--time-step", "7200"}, "  1  7200.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edited_run_control);
        Dirs dirs;
        const std::string vekin_before = testing::read_file(dirs.in / "vekin.txt");
        std::vector<std::string> args{"run", dirs.in.string(), "-o", dirs.out.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CommandResult result = run_command(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(testing::read_file(dirs.in / "vekin.txt"), vekin_before);

        TempDirectory edited;
        testing::copy_scenario(scenario, edited.path());
        edited.write("vekin.txt", replace_first(vekin_before, "  2.1  3600.0", c.edited_run_control));
        const fs::path edited_out = edited.path() / "out";
        ASSERT_EQ(run_command({"run", edited.path().string(), "-o", edited_out.string()}).status, 0);
        for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt", "profiles.csv", "balances.csv"}) {
            EXPECT_EQ(testing::read_file(dirs.out / name), testing::read_file(edited_out / name)) << name;
        }
        const auto summary = nlohmann::json::parse(testing::read_file(dirs.out / "summary.json"));
        EXPECT_EQ(summary["command_line"].back(), c.options.back());
        EXPECT_NE(result.out.find("overrides   --"), std::string::npos) << result.out;
    }
}

TEST(CommandLine, ALockOfAnEndedProcessIsTakenOver)
{
    Dirs dirs;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    fs::create_directories(dirs.out);
    std::ofstream(dirs.out / cli::OutputLock::file_name) << child << "\n";
    const CommandResult result = run_command({"run", dirs.in.string(), "-o", dirs.out.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(fs::exists(dirs.out / cli::OutputLock::file_name));
}

TEST(CommandLine, ProgressBarOnlyOnATerminalAndNotWhenQuiet)
{
    for (const bool quiet : {false, true}) {
        Dirs dirs;
        std::vector<std::string> args{"run", dirs.in.string()};
        if (quiet) args.push_back("--quiet");
        const CommandResult result = run_command(args, /*stderr_is_terminal=*/true);
        ASSERT_EQ(result.status, 0) << result.err;
        if (quiet) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_NE(result.err.find("\r["), std::string::npos) << result.err;
            EXPECT_NE(result.err.find("of 2.1 days"), std::string::npos) << result.err;
            EXPECT_TRUE(result.err.ends_with("\r\x1b[K")) << "the bar clears its line";
        }
    }
}

TEST(ProgressBar, ShowsShareElapsedAndRemainingTime)
{
    struct Case {
        double days, total, elapsed;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, 10.0, 0.0, "[..............................]   0%  0.0 of 10.0 days  elapsed 0:00  remaining ?"},
        {5.0, 10.0, 10.0, "[###############...............]  50%  5.0 of 10.0 days  elapsed 0:10  remaining 0:10"},
        {1.0, 4.0, 3600.0, "[#######.......................]  25%  1.0 of 4.0 days  elapsed 1:00:00  remaining 3:00:00"},
        {-1.0 / 86400.0, 4.0, 0.0, "[..............................]   0%  0.0 of 4.0 days  elapsed 0:00  remaining ?"},
        {4.04, 4.0, 90.0, "[##############################] 100%  4.0 of 4.0 days  elapsed 1:30  remaining 0:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::ProgressBar::line(c.days, c.total, c.elapsed), c.expected);
    }
}

// The summary of every way a run can end conforms to the schema in docs/.
TEST(Summary, ConformsToTheDocumentedSchema)
{
    struct Case {
        const char* what;
        void (*prepare)(const Dirs&);
        std::vector<std::string> options;
        const char* status;
        int exit_status;
    };
    const Case cases[] = {
        {"normal end", nothing, {}, "ok", 0},
        {"warning: porosity outside the verified range",
         [](const Dirs& d) {
             const std::string vekin = testing::read_file(d.in / "vekin.txt");
             std::ofstream(d.in / "vekin.txt", std::ios::binary)
                 << replace_first(vekin, "  0.1  2  0.38 ", "  0.1  2  0.20 ");
         },
         {"--days", "0.5"}, "warning", 0},
        {"orderly stop",
         [](const Dirs& d) { std::ofstream(d.in / "chemvek.txt") << " Stoffdaten\n 5\n Tabelle\n"; },
         {}, "stopped", 4},
        {"missing weather file", [](const Dirs& d) { fs::remove(d.in / "wetter.txt"); }, {}, "failed", 1},
        {"too many steps", nothing, {"--time-step", "0.0001"}, "failed", 64},
        {"numerically unsafe: suctions oscillate at hourly steps in a dry summer",
         [](const Dirs& d) { testing::copy_scenario("summer_drying", d.in); },
         {}, "unsafe", 3},
        {"the same summer in the sound numerics: steps subdivided, balances closed",
         [](const Dirs& d) { testing::copy_scenario("summer_drying", d.in); },
         {"--numerics", "sound", "--days", "20"}, "ok", 0},
    };
    std::vector<fs::path> summaries;
    std::vector<std::unique_ptr<Dirs>> kept;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto dirs = std::make_unique<Dirs>();
        c.prepare(*dirs);
        std::vector<std::string> args{"run", dirs->in.string(), "-o", dirs->out.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CommandResult result = run_command(args);
        EXPECT_EQ(result.status, c.exit_status) << result.err;
        const fs::path path = dirs->out / "summary.json";
        ASSERT_TRUE(fs::exists(path));
        const auto summary = nlohmann::json::parse(testing::read_file(path));
        EXPECT_EQ(summary["status"], c.status);
        EXPECT_EQ(summary["exit_status"], c.exit_status);
        EXPECT_EQ(summary["message"].get<std::string>().empty(), c.exit_status == 0 || c.exit_status == 3);
        if (std::string(c.status) == "warning") {
            EXPECT_FALSE(summary["warnings"].empty());
            EXPECT_NE(result.out.find("warnings    "), std::string::npos);
        }
        // The mode that produced the results, in the summary and in the printed line.
        const bool sound = std::ranges::find(c.options, "sound") != c.options.end();
        const std::string mode = sound ? "sound" : "classic";
        if (c.exit_status == 0 || c.exit_status == 3) {
            EXPECT_EQ(summary["numerics"]["mode"], mode);
            EXPECT_NE(result.out.find("  numerics    " + mode), std::string::npos) << result.out;
            EXPECT_EQ(summary["numerics"]["subdivided_steps"].get<int>() > 0, sound) << "only this summer subdivides";
        }
        // Direct solves leave no residual worth the name, in either phase.
        if (sound) {
            for (const char* phase : {"water", "solutes"}) {
                EXPECT_LT(summary["diagnostics"][phase]["largest_residual"].get<double>(), 1.0E-6) << phase;
            }
        }
        summaries.push_back(path);
        kept.push_back(std::move(dirs));
    }
    std::string command = "/usr/bin/python3 '" SOILCOLUMN_SOURCE_DIR "/tests/cli/validate_summary.py' '"
                          SOILCOLUMN_SOURCE_DIR "/docs/summary.schema.json'";
    for (const fs::path& path : summaries) command += " '" + path.string() + "'";
    int status = 0;
    const std::string errors = testing::shell_output(command + " 2>&1", status);
    EXPECT_EQ(status, 0) << errors << "(scripts/setup.sh installs python3-jsonschema)";
}

// The inputs by digest (Python's hashlib, independent of ours), the final
// balances equal to the last row of balances.csv (this scenario writes a
// profile after every step), the overrides as given.
TEST(Summary, NamesTheInputsAndHoldsTheFinalBalancesAtFullPrecision)
{
    Dirs dirs;
    fs::remove_all(dirs.in);
    fs::create_directories(dirs.in);
    testing::copy_scenario("fixed_bottom_hourly", dirs.in);
    const CommandResult result =
        run_command({"run", dirs.in.string(), "-o", dirs.out.string(), "--time-step", "1800"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto summary = nlohmann::json::parse(testing::read_file(dirs.out / "summary.json"));

    std::string command = "/usr/bin/python3 -c 'import hashlib,sys\nfor p in sys.argv[1:]: "
                          "print(hashlib.sha256(open(p,\"rb\").read()).hexdigest())'";
    std::vector<std::string> names;
    for (const auto& input : summary["inputs"]) {
        names.push_back(input["name"]);
        command += " '" + input["path"].get<std::string>() + "'";
    }
    EXPECT_EQ(names, (std::vector<std::string>{"vekin.txt", "chemvek.txt", "chemdat.txt", "plant.txt", "wetter.txt"}));
    int status = 0;
    std::istringstream digests(testing::shell_output(command, status));
    ASSERT_EQ(status, 0);
    for (const auto& input : summary["inputs"]) {
        std::string digest;
        digests >> digest;
        EXPECT_EQ(input["sha256"], digest) << input["name"];
        EXPECT_EQ(input["bytes"], fs::file_size(input["path"].get<std::string>()));
    }

    EXPECT_EQ(summary["overrides"]["time_step_s"], 1800.0);
    EXPECT_TRUE(summary["overrides"]["simulated_days"].is_null());
    EXPECT_EQ(summary["simulated_period"]["time_step_s"], 1800.0);
    EXPECT_EQ(summary["simulated_period"]["steps"], summary["diagnostics"]["steps"]);

    const nlohmann::json tables = testing::read_csv_tables({dirs.out / "balances.csv"});
    const auto& table = tables[(dirs.out / "balances.csv").string()];
    const auto& header = table["header"];
    const auto& last = table["rows"].back();
    const auto& balances = summary["final_balances"];
    ASSERT_EQ(balances.size() + 2, header.size()) << "every column but the clock";
    for (std::size_t j = 2; j < header.size(); ++j) {
        const std::string name = header[j];
        // The JSON holds the exact double of each value: as float or double
        // it must equal the CSV text read the same way.
        const double json_value = balances[name].get<double>();
        const std::string text = last[j];
        EXPECT_TRUE(json_value == std::stod(text) || json_value == static_cast<double>(std::stof(text)))
            << name << " " << json_value << " vs " << text;
    }
}

}  // namespace
}  // namespace soilcolumn
