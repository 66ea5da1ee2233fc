// `soilcolumn batch`: the table it leaves, its exit status, member names,
// interrupts and resume, run on the real scenarios of tests/scenarios.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_table.hpp"
#include "cli/batch_command.hpp"
#include "cli/command_line.hpp"
#include "driver/run.hpp"
#include "input/temp_directory.hpp"
#include "test_files.hpp"

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;
const fs::path source_dir = SOILCOLUMN_SOURCE_DIR;
using testing::scenario_data;

using testing::read_file;

// RFC 4180 rows: quoted fields may hold commas and doubled quotes.
std::vector<std::vector<std::string>> read_csv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    rows.pop_back();
    return rows;
}

struct Program {
    std::ostringstream out, err;
    bool stderr_is_terminal = false;
    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "soilcolumn");
        std::istringstream in;
        return cli::run_program(args,
                                {.in = &in, .out = &out, .err = &err, .stderr_is_terminal = stderr_is_terminal});
    }
};

// A copy of a scenario without its plant schedule: its run fails.
fs::path broken_copy(const fs::path& into)
{
    fs::create_directories(into);
    for (const auto& entry : fs::directory_iterator(scenario_data / "free_drainage_two_days")) {
        if (entry.is_regular_file() && entry.path().filename() != "plant.txt") {
            fs::copy_file(entry.path(), into / entry.path().filename());
        }
    }
    return into;
}

TEST(BatchCommand, TableHoldsOneRowPerMemberAndTheExitStatusSaysAMemberFailed)
{
    testing::TempDirectory work;
    const fs::path broken = broken_copy(work.path() / "broken");
    // A second directory of the same base name must get its own output.
    const fs::path twin = work.path() / "twin" / "free_drainage_two_days";
    fs::create_directories(twin.parent_path());
    fs::copy(scenario_data / "free_drainage_two_days", twin, fs::copy_options::recursive);
    const fs::path out = work.path() / "out";
    Program program;
    const int status = program.run({"batch", (scenario_data / "free_drainage_two_days").string(), broken.string(),
                                    (scenario_data / "summer_drying").string(), twin.string(), "-o", out.string(),
                                    "-j", "2"});
    EXPECT_EQ(status, 1) << program.err.str();

    const auto rows = read_csv(read_file(out / "batch.csv"));
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<std::string>& header = rows[0];
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    struct Row { const char* member; const char* status; const char* exit_status; bool has_water_error; };
    const Row expected[] = {
        {"free_drainage_two_days", "ok", "0", true},
        {"broken", "failed", "1", false},
        {"summer_drying", "unsafe", "3", true},  // unsafe at its 3600 s step
        {"free_drainage_two_days_2", "ok", "0", true},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].member);
        ASSERT_EQ(rows[i + 1].size(), header.size());
        EXPECT_EQ(rows[i + 1][column("member")], expected[i].member);
        EXPECT_EQ(rows[i + 1][column("status")], expected[i].status);
        EXPECT_EQ(rows[i + 1][column("exit_status")], expected[i].exit_status);
        EXPECT_EQ(!rows[i + 1][column("water_error_percent")].empty(), expected[i].has_water_error);
        EXPECT_EQ(rows[i + 1][column("resumed")], "0");
    }
    EXPECT_NE(rows[2][column("message")].find("plant.txt"), std::string::npos);
    EXPECT_NE(rows[3][column("warning_count")], "0");

    const nlohmann::json json = nlohmann::json::parse(read_file(out / "batch.json"));
    EXPECT_EQ(json["members"], 4);
    EXPECT_EQ(json["counts"]["failed"], 1);
    EXPECT_EQ(json["counts"]["unsafe"], 1);
    EXPECT_EQ(json["rows"].size(), 4u);

    // Every member's result files are those of a single run of its directory.
    for (const auto& [name, input] : {std::pair{"summer_drying", scenario_data / "summer_drying"},
                                      std::pair{"free_drainage_two_days_2", twin}}) {
        testing::TempDirectory single;
        std::ostringstream console;
        soilcolumn::Run run({.input_directory = input, .output_directory = single.path(), .console = &console});
        run_to_end(run);
        for (const char* file : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"}) {
            EXPECT_EQ(read_file(out / name / file), read_file(single.path() / file)) << name << " " << file;
        }
        EXPECT_EQ(read_file(out / name / "console.txt"), console.str());
    }
}

// The numerics chosen for the batch reach every member: summer_drying,
// unsafe at its 3600 s step in the classic numerics, is sound in the sound
// ones, and its files are those of a single sound run.
TEST(BatchCommand, NumericsReachEveryMember)
{
    testing::TempDirectory work;
    const fs::path out = work.path() / "out";
    Program program;
    ASSERT_EQ(program.run({"batch", (scenario_data / "summer_drying").string(), "-o", out.string(), "--numerics",
                           "sound"}),
              0)
        << program.err.str();
    const auto rows = read_csv(read_file(out / "batch.csv"));
    ASSERT_EQ(rows.size(), 2u);
    const auto status = std::find(rows[0].begin(), rows[0].end(), "status") - rows[0].begin();
    EXPECT_NE(rows[1][status], "unsafe");

    testing::TempDirectory single;
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = scenario_data / "summer_drying",
                         .output_directory = single.path(),
                         .console = &console,
                         .numerics = NumericsMode::sound});
    run_to_end(run);
    for (const char* file : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"}) {
        EXPECT_EQ(read_file(out / "summer_drying" / file), read_file(single.path() / file)) << file;
    }

    Program refused;
    EXPECT_EQ(refused.run({"batch", (scenario_data / "summer_drying").string(), "--numerics", "fast"}), 64);
}

// --fast reaches every member: its files are those of a single fast run,
// which differ from the classic ones.
TEST(BatchCommand, FastArithmeticReachesEveryMember)
{
    testing::TempDirectory work;
    const fs::path out = work.path() / "out";
    Program program;
    ASSERT_EQ(program.run({"batch", (scenario_data / "fixed_bottom_hourly").string(), "-o", out.string(), "--fast",
                           "-q"}),
              0)
        << program.err.str();
    for (const bool fast : {true, false}) {
        testing::TempDirectory single;
        std::ostringstream console;
        soilcolumn::Run run({.input_directory = scenario_data / "fixed_bottom_hourly",
                             .output_directory = single.path(),
                             .console = &console,
                             .fast = fast});
        run_to_end(run);
        EXPECT_EQ(read_file(out / "fixed_bottom_hourly" / "console.txt") == console.str(), fast);
    }
}

TEST(BatchCommand, RefusesBeforeRunningAnything)
{
    testing::TempDirectory work;
    struct Case { std::vector<std::string> args; int status; };
    const Case cases[] = {
        {{"batch", "-o", (work.path() / "a").string()}, 64},  // no directory
        {{"batch", (work.path() / "missing").string(), "-o", (work.path() / "b").string()}, 66},
        {{"batch", "--list", (work.path() / "no-list.txt").string()}, 66},
        {{"batch", (scenario_data / "summer_drying").string(), "-j", "0"}, 64},
        {{"batch", (scenario_data / "summer_drying").string(), "--table", "../x"}, 64},
    };
    for (const Case& c : cases) {
        Program program;
        EXPECT_EQ(program.run(c.args), c.status) << c.args[1];
        EXPECT_FALSE(program.err.str().empty());
    }
    EXPECT_FALSE(fs::exists(work.path() / "b"));
}

TEST(BatchCommand, ExitStatusOfTheCounts)
{
    struct Case { BatchCounts counts; int signal_number; int status; };
    const Case cases[] = {
        {{.total = 2, .ok = 1, .warning = 1}, 0, 0},
        {{.total = 2, .ok = 1, .unsafe = 1}, 0, 3},
        {{.total = 3, .ok = 1, .unsafe = 1, .failed = 1}, 0, 1},  // a failure outranks unsafe
        {{.total = 2, .ok = 1, .stopped = 1}, 0, 1},              // an orderly stop is no result
        {{.total = 2, .ok = 1, .interrupted = 1}, SIGINT, 130},
        {{.total = 2, .ok = 1, .failed = 1}, SIGTERM, 143},       // the interrupt outranks the failure
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::batch_exit_status(c.counts, c.signal_number), c.status);
    }
}

TEST(BatchTable, MemberNamesAreUniqueAndFollowTheDirectories)
{
    struct Case { std::vector<fs::path> directories; std::vector<std::string> names; };
    const Case cases[] = {
        {{"a/x", "b/x", "c/x"}, {"x", "x_2", "x_3"}},
        {{"a/x/", "x"}, {"x", "x_2"}},           // a trailing slash names the same folder
        {{"x", "x_2", "y/x"}, {"x", "x_2", "x_3"}},  // a taken suffix is skipped
        {{"/"}, {"member"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(member_names(c.directories), c.names);
    }
    const std::vector<std::string> here = member_names({"."});
    EXPECT_EQ(here[0], fs::current_path().filename().string());
}

TEST(BatchTable, MemberRowReadsBackAsWritten)
{
    MemberResult row{"in/a", "out/a", MemberStatus::unsafe, 3, "a, \"quoted\" message", 1.25, 153.5, {-0.5, 2.0},
                     5, 0.25};
    const std::optional<MemberResult> back = member_row_from_json(nlohmann::json::parse(member_row_json(row).dump()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->input_directory, row.input_directory);
    EXPECT_EQ(back->output_directory, row.output_directory);
    EXPECT_EQ(back->status, row.status);
    EXPECT_EQ(back->exit_status, 3);
    EXPECT_EQ(back->message, row.message);
    EXPECT_EQ(back->wall_seconds, 1.25);
    EXPECT_EQ(back->water_error_percent, 153.5);
    EXPECT_EQ(back->substance_error_percent, row.substance_error_percent);
    EXPECT_EQ(back->warning_count, 5);
    EXPECT_EQ(back->endpoint_ug_per_l, 0.25);
    EXPECT_FALSE(member_row_from_json(nlohmann::json::parse(R"({"status": "fine"})")));

    // The message with a comma and quotes stays one field.
    const auto table = read_csv(batch_csv({row}));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].size(), table[0].size());
    EXPECT_EQ(table[1][6], row.message);
}

TEST(BatchCommand, ListFileAndProgressLine)
{
    std::istringstream list("# scenarios\n  a/b  \n\n#c\nd\r\n");
    EXPECT_EQ(cli::read_directory_list(list), (std::vector<fs::path>{"a/b", "d"}));
    EXPECT_EQ(cli::batch_progress_line(0, 4, 0, 0, 0.0), "members 0/4  failed 0  unsafe 0  elapsed 0:00  remaining ?");
    // 3 of 12 in 30 s: 9 more take 90 s.
    EXPECT_EQ(cli::batch_progress_line(3, 12, 1, 2, 30.0),
              "members 3/12  failed 1  unsafe 2  elapsed 0:30  remaining 1:30");
}

TEST(BatchCommand, ProgressGoesToStandardErrorOnlyWhenItIsATerminal)
{
    testing::TempDirectory work;
    struct Case { const char* name; bool terminal; bool quiet; bool progress; };
    const Case cases[] = {
        {"pipe", false, false, false},  // a log file or a pipe gets no carriage returns
        {"terminal", true, false, true},
        {"quiet", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program program;
        program.stderr_is_terminal = c.terminal;
        std::vector<std::string> args{"batch", (scenario_data / "free_drainage_two_days").string(), "-o",
                                      (work.path() / c.name).string()};
        if (c.quiet) args.push_back("-q");
        EXPECT_EQ(program.run(args), 0) << program.err.str();
        EXPECT_EQ(program.err.str().find("members 1/1  failed 0  unsafe 0") != std::string::npos, c.progress)
            << program.err.str();
        EXPECT_EQ(program.err.str().empty(), !c.progress);
        EXPECT_EQ(program.out.str().find("batch: 1 members:"), 0u) << program.out.str();  // stdout keeps its summary
        EXPECT_EQ(program.out.str().find('\r'), std::string::npos);
    }
}

// The real program under SIGINT or SIGTERM: the member running is
// abandoned, none new starts, the table is written; --resume then runs only
// what is left. The second member, the one interrupted, runs three years;
// the others two days.
TEST(BatchCommand, InterruptLeavesTheTableAndResumeFinishesIt)
{
    struct Case { int signal_number; int status; };
    for (const Case& c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
        SCOPED_TRACE(c.signal_number);
        testing::TempDirectory work;
        const fs::path out = work.path() / "out";
        const std::string brief = (scenario_data / "free_drainage_two_days").string();
        const std::string scenario = (source_dir / "examples" / "default").string();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int null = ::open("/dev/null", 0);
            dup2(null, STDOUT_FILENO);
            execl(SOILCOLUMN_EXE, "soilcolumn", "batch", brief.c_str(), scenario.c_str(), brief.c_str(), brief.c_str(),
                  "-j", "1", "-q", "-o", out.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Once the first member is done the second is running.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(out / "free_drainage_two_days" / "member.done")
               && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(child, c.signal_number);
        int wait_status = 0;
        waitpid(child, &wait_status, 0);
        ASSERT_TRUE(WIFEXITED(wait_status));
        EXPECT_EQ(WEXITSTATUS(wait_status), c.status);
        const auto rows = read_csv(read_file(out / "batch.csv"));
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[1][3], "ok");
        for (std::size_t i = 2; i < 5; ++i) EXPECT_EQ(rows[i][3], "interrupted") << i;
        EXPECT_FALSE(fs::exists(out / "default" / "member.done"));
        EXPECT_FALSE(fs::exists(out / "free_drainage_two_days_3" / "member.done"));

        Program program;
        EXPECT_EQ(program.run({"batch", brief, scenario, brief, brief, "-j", "2", "-q", "--resume", "-o", out.string()}),
                  0)
            << program.err.str();
        const auto resumed = read_csv(read_file(out / "batch.csv"));
        ASSERT_EQ(resumed.size(), 5u);
        EXPECT_EQ(resumed[1][3], "ok");
        EXPECT_EQ(resumed[1][4], "1");  // skipped, its earlier row kept
        for (std::size_t i = 2; i < 5; ++i) {
            EXPECT_EQ(resumed[i][3], "ok") << i;
            EXPECT_EQ(resumed[i][4], "0") << i;
        }
    }
}

}  // namespace
}  // namespace soilcolumn
