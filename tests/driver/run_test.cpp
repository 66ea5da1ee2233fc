// The engine's front door: runs rooted at directories, stepped by their
// caller, independent of the working directory and of each other.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "driver/run.hpp"
#include "input/temp_directory.hpp"
#include "test_files.hpp"

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

const fs::path source_dir(SOILCOLUMN_SOURCE_DIR);
using testing::scenario_data;
const char* const result_files[] = {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"};

using testing::read_file;

// Name and content of every regular file of a directory.
std::map<std::string, std::string> contents_of(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file()) files[entry.path().filename().string()] = read_file(entry.path());
    }
    return files;
}

// A copy of a scenario's input files in a fresh directory.
void copy_inputs(const fs::path& scenario, const fs::path& to)
{
    for (const auto& entry : fs::directory_iterator(scenario)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.ends_with(".txt") && !name.starts_with("aus")) {
            fs::copy_file(entry.path(), to / name);
        }
    }
}

struct Outcome {
    RunStatus status;
    std::string console;
    std::map<std::string, std::string> results;
};

Outcome run_scenario(const fs::path& input, const fs::path& output)
{
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = input, .output_directory = output, .console = &console});
    const RunStatus status = run_to_end(run);
    std::map<std::string, std::string> results;
    for (const char* name : result_files) results[name] = read_file(output / name);
    return {status, console.str(), results};
}

TEST(EngineRun, ReadsOneDirectoryWritesAnotherAndLeavesTheInputUntouched)
{
    const fs::path scenario = scenario_data / "free_drainage_two_days";
    const auto inputs_before = contents_of(scenario);
    TempDirectory out;
    const Outcome outcome = run_scenario(scenario, out.path());
    ASSERT_EQ(outcome.status, RunStatus::completed) << outcome.console;
    EXPECT_EQ(contents_of(scenario), inputs_before);
    for (const char* name : result_files) {
        EXPECT_EQ(outcome.results.at(name), read_file(scenario / "expected" / name)) << name;
    }
    EXPECT_TRUE(outcome.console.ends_with("***Regulaeres Ende erreicht***\r\nStop - Program terminated.\r\n"));
}

// Each run owns its state and files: two different scenarios on two threads
// give the bytes that the same runs give one after the other.
TEST(EngineRun, TwoRunsOnTwoThreadsGiveTheBytesOfTwoRunsInARow)
{
    const fs::path a = source_dir / "examples" / "default";
    const fs::path b = scenario_data / "free_drainage_two_days";
    TempDirectory out_a, out_b, seq_a, seq_b;
    const Outcome first = run_scenario(a, seq_a.path());
    const Outcome second = run_scenario(b, seq_b.path());

    Outcome parallel_a, parallel_b;
    std::thread ta([&] { parallel_a = run_scenario(a, out_a.path()); });
    std::thread tb([&] { parallel_b = run_scenario(b, out_b.path()); });
    ta.join();
    tb.join();

    EXPECT_EQ(parallel_a.status, RunStatus::completed);
    EXPECT_EQ(parallel_b.status, RunStatus::completed);
    EXPECT_EQ(parallel_a.console, first.console);
    EXPECT_EQ(parallel_b.console, second.console);
    EXPECT_EQ(parallel_a.results, first.results);
    EXPECT_EQ(parallel_b.results, second.results);
}

// FNV-1a over the bytes of the tables that carry the run forward.
std::uint64_t fnv1a(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return hash;
}

std::uint64_t state_hash(const ModelState& st)
{
    std::uint64_t h = 14695981039346656037ull;
    h = fnv1a(h, &st.state, sizeof st.state);
    h = fnv1a(h, &st.immobile_concentration, sizeof st.immobile_concentration);
    h = fnv1a(h, &st.water_content, sizeof st.water_content);
    h = fnv1a(h, &st.mobile_irreversible_sorbed, sizeof st.mobile_irreversible_sorbed);
    const double totals[] = {st.simulation_time, st.infiltration_total, st.evaporation_total,
                             st.recharge_total, st.snow_total};
    return fnv1a(h, totals, sizeof totals);
}

// Bit-reproducibility is a property, not a hope: the final state of a short
// run hashes to the value the reviewed engine gave. A change of any value,
// however small, changes the hash; a change of the model's arithmetic must
// come with a new reviewed value.
TEST(EngineRun, FinalStateOfAShortRunHashesToTheReviewedValue)
{
    TempDirectory out;
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = scenario_data / "fixed_bottom_hourly", .output_directory = out.path(),
             .console = &console});
    ASSERT_EQ(run_to_end(run), RunStatus::completed);
    EXPECT_EQ(state_hash(run.state()), 0xc6695dc838707fedull) << std::hex << state_hash(run.state());
}

// The caller steps the run and reads the state in between: the clock
// advances by one time step per call, starting from -1 s.
TEST(EngineRun, EachStepAdvancesTheClockByOneTimeStep)
{
    TempDirectory out;
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = scenario_data / "fixed_bottom_hourly", .output_directory = out.path(),
             .console = &console});
    ASSERT_EQ(run.open(), RunStatus::running);
    int steps = 0;
    RunStatus status = RunStatus::running;
    while (status == RunStatus::running) {
        status = run.step();
        ++steps;
        EXPECT_EQ(run.state().simulation_time, -1.0 + steps * 3600.0);
        EXPECT_EQ(run.record().steps, steps);
    }
    EXPECT_EQ(status, RunStatus::completed);
    EXPECT_EQ(steps, 7);  // whole part of (21600 + 1) / 3600, plus one
    EXPECT_EQ(run.record().water.stages, 2 * steps);
    EXPECT_EQ(run.record().water.unconverged, 0);
    EXPECT_GE(run.record().water.mean_sweeps(), 2.0);  // the water phase never ends after one sweep
    run.close();
    EXPECT_EQ(run.step(), RunStatus::completed);  // a finished run stays finished
}

// How a run ends, with the text it carries and the exit status the entry
// point gives it.
struct EndCase {
    const char* what;
    const char* file;          // replaced in a copy of free_drainage_two_days ...
    std::string from, to;      // ... by replacing this text
    RunStatus status;
    const char* message_start;
    int exit_status;
};

TEST(EngineRun, EndsCarryTheirMessage)
{
    const EndCase cases[] = {
        {"porosity out of range: orderly stop", "vekin.txt", "1.0 1.0\n  0.05  1  0.42", "1.0 1.0\n  0.05  1  1.42",
         RunStatus::stopped, "Die Porositaet des   2-ten Kompartimentes muss zwischen 0 und 1 liegen:", 0},
        {"missing plant schedule: failure", "plant.txt", "", "", RunStatus::failed,
         "Fehler beim Oeffnen: Einheit 16", 1},
        {"porosity below the verified range (compartment 7): warning, normal end", "vekin.txt", "  0.1  2  0.38",
         "  0.1  2  0.24", RunStatus::completed, "", 0},
    };
    for (const EndCase& k : cases) {
        SCOPED_TRACE(k.what);
        TempDirectory in, out;
        copy_inputs(scenario_data / "free_drainage_two_days", in.path());
        if (k.from.empty()) {
            fs::remove(in.path() / k.file);
        } else {
            std::string text = read_file(in.path() / k.file);
            const std::size_t at = text.find(k.from);
            ASSERT_NE(at, std::string::npos);
            text.replace(at, k.from.size(), k.to);
            in.write(k.file, text);
        }
        std::ostringstream console;
        soilcolumn::Run run({.input_directory = in.path(), .output_directory = out.path(), .console = &console});
        EXPECT_EQ(run_to_end(run), k.status);
        EXPECT_TRUE(run.message().starts_with(k.message_start)) << run.message();
        EXPECT_EQ(exit_status_of(run), k.exit_status);
        if (k.status == RunStatus::stopped) {
            EXPECT_TRUE(run.message().ends_with("***Programm abgebrochen***"));
            EXPECT_NE(console.str().find(run.message().substr(0, 20)), std::string::npos);
        }
        if (k.status == RunStatus::completed) {
            ASSERT_EQ(run.record().warnings.size(), 1u);
            EXPECT_TRUE(run.record().warnings[0].starts_with("WARNUNG: Das Programm ist fuer die angesetzte"));
        }
    }
}

// A blank weather file name is asked for only where the entry point
// supplies someone to answer; the answer names a file of the input directory.
TEST(EngineRun, BlankWeatherFileNameIsAskedOfTheAnswerSource)
{
    TempDirectory in, out;
    copy_inputs(scenario_data / "free_drainage_two_days", in.path());
    std::string vekin = read_file(in.path() / "vekin.txt");
    vekin.replace(vekin.find("wetter.txt"), 10, "          ");
    in.write("vekin.txt", vekin);

    std::ostringstream silent_console;
    soilcolumn::Run silent({.input_directory = in.path(), .output_directory = out.path(), .console = &silent_console});
    EXPECT_EQ(run_to_end(silent), RunStatus::failed);

    std::istringstream answers("wetter.txt\n");
    std::ostringstream console;
    soilcolumn::Run asked({.input_directory = in.path(), .output_directory = out.path(), .console = &console,
               .file_name_source = [&answers] { return &answers; }});
    EXPECT_EQ(run_to_end(asked), RunStatus::completed) << console.str();
    EXPECT_NE(console.str().find("UNIT 13? "), std::string::npos);
}

}  // namespace
}  // namespace soilcolumn
