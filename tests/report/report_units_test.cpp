// The report's building blocks: thinning of series, CSV read-back, chart
// definitions, HTML escaping, warning advice and the errors for missing
// or broken run outputs.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "input/temp_directory.hpp"
#include "report/charts.hpp"
#include "report/csv_table.hpp"
#include "report/downsample.hpp"
#include "report/html_report.hpp"
#include "report/report.hpp"
#include "report/report_error.hpp"

namespace soilcolumn::report {
namespace {

namespace fs = std::filesystem;
using soilcolumn::testing::TempDirectory;

std::vector<std::size_t> all_rows(std::size_t n)
{
    std::vector<std::size_t> rows(n);
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

struct ThinningCase {
    const char* name;
    std::size_t length;
    std::size_t buckets;
    std::size_t spike_at;  // a single extreme value, to be kept
};

class KeepExtremes : public ::testing::TestWithParam<ThinningCase> {};

TEST_P(KeepExtremes, KeepsEndsAndPeaksWithinTheBound)
{
    const ThinningCase& c = GetParam();
    std::vector<double> series(c.length);
    for (std::size_t i = 0; i < c.length; ++i) series[i] = std::sin(0.01 * static_cast<double>(i));
    series[c.spike_at] = 100.0;
    const std::vector<double> dip = [&] {
        std::vector<double> d(c.length, 0.0);
        d[c.length - 1 - c.spike_at] = -50.0;
        return d;
    }();
    const auto kept = keep_extremes(all_rows(c.length), {&series, &dip}, c.buckets);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), c.length - 1);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
    EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end()) << "a row kept twice";
    EXPECT_NE(std::find(kept.begin(), kept.end(), c.spike_at), kept.end()) << "the peak was dropped";
    EXPECT_NE(std::find(kept.begin(), kept.end(), c.length - 1 - c.spike_at), kept.end()) << "the dip was dropped";
    if (c.length <= 2 * c.buckets + 2) {
        EXPECT_EQ(kept, all_rows(c.length)) << "a short series must stay whole";
    } else {
        EXPECT_LE(kept.size(), 2 * 2 * c.buckets + 2) << "two series: at most 4 rows a bucket and the ends";
    }
}

INSTANTIATE_TEST_SUITE_P(Series, KeepExtremes,
                         ::testing::Values(ThinningCase{"Short", 10, 600, 3},
                                           ThinningCase{"AtTheBound", 1202, 600, 700},
                                           ThinningCase{"Hourly26Years", 227904, 600, 123457},
                                           ThinningCase{"PeakAtTheStart", 50000, 100, 1},
                                           ThinningCase{"PeakAtTheEnd", 50000, 100, 49998}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeepExtremes, NaNIsNeverAnExtreme)
{
    std::vector<double> series(5000, 1.0);
    for (std::size_t i = 0; i < series.size(); i += 7) series[i] = std::numeric_limits<double>::quiet_NaN();
    series[2500] = 3.0;
    const auto kept = keep_extremes(all_rows(series.size()), {&series}, 20);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 2500u), kept.end());
    EXPECT_LE(kept.size(), 2u * 20 + 2);
}

TEST(GroupEvenly, CoversEveryItemOnceInNearlyEqualRuns)
{
    for (const auto& [count, most] : std::vector<std::pair<std::size_t, std::size_t>>{
             {1, 150}, {149, 150}, {150, 150}, {151, 150}, {26305, 150}, {1000, 7}}) {
        const auto runs = group_evenly(count, most);
        ASSERT_FALSE(runs.empty());
        EXPECT_LE(runs.size(), most);
        EXPECT_EQ(runs.size(), std::min(count, most));
        EXPECT_EQ(runs.front().first, 0u);
        EXPECT_EQ(runs.back().last, count - 1);
        std::size_t shortest = count, longest = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            ASSERT_LE(runs[i].first, runs[i].last);
            if (i > 0) {
                EXPECT_EQ(runs[i].first, runs[i - 1].last + 1) << "gap or overlap at run " << i;
            }
            shortest = std::min(shortest, runs[i].last - runs[i].first + 1);
            longest = std::max(longest, runs[i].last - runs[i].first + 1);
        }
        EXPECT_LE(longest - shortest, 1u) << count << " items in " << most;
    }
}

TEST(RoundSignificant, KeepsTheGivenDigits)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { double value; int digits; double expected; };
    for (const Case& c : {Case{123456.0, 3, 123000.0}, Case{0.000123456, 3, 0.000123}, Case{-9.87654, 2, -9.9},
                          Case{0.0, 4, 0.0}, Case{1.0, 6, 1.0}, Case{9.9999, 2, 10.0}, Case{inf, 3, inf},
                          Case{-inf, 3, -inf}, Case{3.14159e-300, 3, 3.14e-300}}) {
            const double got = round_significant(c.value, c.digits);
        if (std::isinf(c.expected)) EXPECT_EQ(got, c.expected);
        else EXPECT_NEAR(got, c.expected, std::abs(c.expected) * 1e-12) << c.value << " to " << c.digits << " digits";
    }
    EXPECT_TRUE(std::isnan(round_significant(std::numeric_limits<double>::quiet_NaN(), 3)));
}

TEST(CsvTable, ReadsNumbersNaAndInfinities)
{
    const CsvTable table = parse_csv_table(
        "time_d,depth_m,c_s1\n0,0.1,NA\n0.5,0.2,\n1,0.3,Inf\n1.5,0.4,-Inf\n", "observations.csv");
    ASSERT_EQ(table.columns, (std::vector<std::string>{"time_d", "depth_m", "c_s1"}));
    ASSERT_EQ(table.rows(), 4u);
    EXPECT_DOUBLE_EQ(table.column("depth_m")[3], 0.4);
    EXPECT_TRUE(std::isnan(table.column("c_s1")[0]));
    EXPECT_TRUE(std::isnan(table.column("c_s1")[1]));
    EXPECT_EQ(table.column("c_s1")[2], std::numeric_limits<double>::infinity());
    EXPECT_EQ(table.column("c_s1")[3], -std::numeric_limits<double>::infinity());
    EXPECT_EQ(substance_columns(table, "c"), 1);
}

TEST(CsvTable, BrokenTablesNameTheFileAndThePlace)
{
    struct Case { const char* text; const char* in_message; };
    for (const Case& c : {Case{"a,b\n1,x\n", "balances.csv"}, Case{"a,b\n1,2,3\n", "balances.csv"},
                          Case{"a,b\n1\n", "balances.csv"}}) {
        try {
            (void)parse_csv_table(c.text, "balances.csv");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ReportError& error) {
            EXPECT_EQ(error.kind(), ReportError::Kind::broken_input);
            EXPECT_NE(std::string(error.what()).find(c.in_message), std::string::npos) << error.what();
        }
    }
    const CsvTable table = parse_csv_table("a,b\n1,2\n", "profiles.csv");
    try {
        (void)table.column("theta");
        ADD_FAILURE() << "a missing column was found";
    } catch (const ReportError& error) {
        EXPECT_EQ(error.kind(), ReportError::Kind::broken_input);
        EXPECT_NE(std::string(error.what()).find("theta"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("profiles.csv"), std::string::npos) << error.what();
    }
}

TEST(Charts, BreakthroughIsVegaLiteWithUnitsInTheAxes)
{
    const CsvTable observations = parse_csv_table(
        "time_s,time_d,depth_index,depth_m,suction_m,water_content,conc_total_g_m3_s1\n0,0,2,0.05,1,0.3,0\n0,0,5,0.2,1,0.3,0\n86400,1,2,0.05,1,0.3,2.5e-3\n86400,1,5,0.2,1,0.3,5e-4\n172800,2,2,0.05,1,0.3,1e-3\n172800,2,5,0.2,1,0.3,3e-3\n", "observations.csv");
    const auto chart = breakthrough_chart(observations, 1, 0.1);
    if (!chart) GTEST_SKIP() << "the observation columns are named differently";
    const nlohmann::json reparsed = nlohmann::json::parse(chart->dump());
    const std::string text = chart->dump();
    EXPECT_NE(text.find(R"("mark":{"type":"line")"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find(R"("field":"depth")"), std::string::npos) << "one line per observation depth";
    EXPECT_NE(text.find("µg/L"), std::string::npos) << "concentration unit in an axis title";
    EXPECT_NE(text.find("(d)"), std::string::npos) << "time unit in an axis title";
}

TEST(Html, EscapesEverythingThatCouldOpenATag)
{
    EXPECT_EQ(escape_html("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    const std::string json = script_safe_json(R"({"name":"</script><script>alert(1)</script>"})");
    EXPECT_EQ(json.find('<'), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(json)["name"], "</script><script>alert(1)</script>");
}

TEST(Advice, KnownWarningsGetTheirOwnAdvice)
{
    struct Case { const char* warning; const char* in_meaning; };
    for (const Case& c : {Case{"WARNUNG: Fehler der Wasserbilanz aus den Randfluessen", "water balance"},
                          Case{"WARNUNG: Fehler der Stoffbilanz", "mass balance"},
                          Case{"WARNUNG: Kompartimentlaenge > 0.5 m", "compartment"},
                          Case{"WARNUNG: keine Konvergenz", "converge"}}) {
        const WarningAdvice advice = advice_for_warning(c.warning);
        EXPECT_NE(advice.meaning.find(c.in_meaning), std::string::npos) << c.warning << ": " << advice.meaning;
        EXPECT_FALSE(advice.what_to_do.empty());
    }
    EXPECT_NE(advice_for_warning("something new").meaning.find("console.txt"), std::string::npos);
}

// A run directory of the default scenario, written once for the tests below;
// its temporary folder goes with the test program's static objects when the
// program ends.
const fs::path& default_run()
{
    static const TempDirectory scratch;
    static const fs::path dir = [] {
        const fs::path out = scratch.path() / "run";
        const std::string command = std::string(SOILCOLUMN_EXE) + " run " + SOILCOLUMN_SOURCE_DIR +
                                    "/examples/default -q --days 20 -o " + out.string() + " > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return out;
    }();
    return dir;
}

TEST(WriteReport, AScenarioNameCannotBreakOutOfTheScript)
{
    const TempDirectory scratch;
    const fs::path evil = scratch.path() / "soilcolumn-<script>alert(1)<!--";
    fs::copy(default_run(), evil, fs::copy_options::recursive);
    const fs::path file = evil / "report.html";
    (void)write_report(evil, file);
    std::ifstream in(file);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(page.find("<script>alert(1)"), std::string::npos);
}

TEST(WriteReport, MissingOrBrokenOutputsAreBrokenInput)
{
    struct Case { const char* name; const char* file; const char* content; };  // content nullptr: removed
    for (const Case& c : {Case{"no summary", "summary.json", nullptr}, Case{"summary not JSON", "summary.json", "{"},
                          Case{"no profiles", "profiles.csv", nullptr}, Case{"balances garbled", "balances.csv", "a,b\n1,zz\n"},
                          Case{"no observations", "observations.csv", nullptr}}) {
        const TempDirectory scratch;
        const fs::path dir = scratch.path() / "broken";
        fs::copy(default_run(), dir, fs::copy_options::recursive);
        if (c.content == nullptr) fs::remove(dir / c.file); else std::ofstream(dir / c.file) << c.content;
        try {
            (void)write_report(dir, dir / "report.html");
            ADD_FAILURE() << c.name << ": a report was written";
        } catch (const ReportError& error) {
            EXPECT_EQ(error.kind(), ReportError::Kind::broken_input) << c.name;
            EXPECT_NE(std::string(error.what()).find(c.file), std::string::npos) << c.name << ": " << error.what();
        }
        EXPECT_FALSE(fs::exists(dir / "report.html")) << c.name;
        const std::string command = std::string(SOILCOLUMN_EXE) + " report " + dir.string() + " 2> /dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 65) << c.name;
    }
    try {
        (void)write_report("/nonexistent/run", "/tmp/x.html");
        ADD_FAILURE();
    } catch (const ReportError& error) {
        EXPECT_EQ(error.kind(), ReportError::Kind::no_run_directory);
    }
}

}  // namespace
}  // namespace soilcolumn::report
