// Batches: members on several threads, each into its own directory; a
// failing or unsafe member never stops the others; interrupt and resume.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "batch/batch.hpp"
#include "driver/run.hpp"
#include "input/temp_directory.hpp"
#include "test_files.hpp"

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;
using testing::scenario_data;

using testing::read_file;

// A copy of free_drainage_two_days without its plant schedule: it fails.
fs::path broken_scenario(const testing::TempDirectory& dir)
{
    const fs::path broken = dir.path() / "broken";
    fs::create_directories(broken);
    for (const auto& entry : fs::directory_iterator(scenario_data / "free_drainage_two_days")) {
        if (entry.is_regular_file() && entry.path().filename() != "plant.txt") {
            fs::copy_file(entry.path(), broken / entry.path().filename());
        }
    }
    return broken;
}

struct Expected { const char* name; MemberStatus status; int exit_status; };

TEST(Batch, OneFailingAndOneUnsafeMemberAmongGoodOnes)
{
    testing::TempDirectory work;
    const Expected expected[] = {
        {"free_drainage_two_days", MemberStatus::ok, 0},
        {"broken", MemberStatus::failed, 1},
        {"snow_rewind_two_day_steps", MemberStatus::unsafe, 3},
        {"fixed_bottom_hourly", MemberStatus::warning, 0},
    };
    std::vector<BatchMember> members;
    for (const Expected& e : expected) {
        const fs::path input = std::string(e.name) == "broken" ? broken_scenario(work) : scenario_data / e.name;
        members.push_back({input, work.path() / "out" / e.name});
    }
    std::size_t reports = 0;
    const auto rows = run_batch(members, {.threads = 2, .on_member_done = [&](const MemberResult&, std::size_t done,
                                                                               std::size_t total) {
                                              ++reports;
                                              EXPECT_LE(done, total);
                                          }});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(reports, 4u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(rows[i].status, expected[i].status);
        EXPECT_EQ(rows[i].exit_status, expected[i].exit_status);
        EXPECT_EQ(rows[i].input_directory, members[i].input_directory);
    }
    EXPECT_NE(rows[1].message.find("plant.txt"), std::string::npos);
    EXPECT_FALSE(rows[1].water_error_percent.has_value());
    EXPECT_TRUE(rows[0].water_error_percent.has_value());
    EXPECT_GT(rows[2].warning_count, 0);

    // Every member's files are those of a single run of the same directory.
    for (const char* name : {"free_drainage_two_days", "snow_rewind_two_day_steps"}) {
        testing::TempDirectory single;
        std::ostringstream console;
        soilcolumn::Run run({.input_directory = scenario_data / name, .output_directory = single.path(),
                             .console = &console});
        run_to_end(run);
        for (const char* file : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"}) {
            EXPECT_EQ(read_file(work.path() / "out" / name / file), read_file(single.path() / file)) << name << file;
        }
        EXPECT_EQ(read_file(work.path() / "out" / name / "console.txt"), console.str());
    }
}

TEST(Batch, ResumeSkipsFinishedMembersAndAnInterruptStartsNoneNew)
{
    testing::TempDirectory work;
    const std::vector<BatchMember> members = {
        {scenario_data / "free_drainage_two_days", work.path() / "a"},
        {scenario_data / "fixed_bottom_hourly", work.path() / "b"},
    };
    std::atomic<bool> stop{true};
    const auto interrupted = run_batch(members, {.threads = 2, .stop_requested = &stop});
    for (const MemberResult& row : interrupted) EXPECT_EQ(row.status, MemberStatus::interrupted);

    stop = false;
    const auto first = run_batch({members[0]}, {.threads = 1, .stop_requested = &stop});
    EXPECT_EQ(first[0].status, MemberStatus::ok);
    const auto resumed = run_batch(members, {.threads = 2, .resume = true, .stop_requested = &stop});
    EXPECT_EQ(resumed[0].status, MemberStatus::skipped);
    EXPECT_EQ(resumed[1].status, MemberStatus::warning);
}

}  // namespace
}  // namespace soilcolumn
