// annual.csv and the endpoint in summary.json, read back independently: the
// years add up to the run's own books, a concentration is NA exactly where
// no water percolated, and the endpoint follows from the table by the
// ranking rule computed here by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "exports/export_run.hpp"
#include "input/temp_directory.hpp"

namespace soilcolumn {
namespace {

using testing::TempDirectory;
namespace fs = std::filesystem;

const fs::path default_scenario = fs::path(SOILCOLUMN_SOURCE_DIR) / "examples" / "default";

struct AnnualRun {
    TempDirectory in, out;
    nlohmann::json summary;
    std::vector<std::map<std::string, std::string>> years;

    explicit AnnualRun(const std::vector<std::string>& options)
    {
        for (const auto& entry : fs::directory_iterator(default_scenario)) {
            if (entry.path().extension() == ".txt" && !entry.path().filename().string().starts_with("aus")) {
                fs::copy_file(entry.path(), in.path() / entry.path().filename());
            }
        }
        std::vector<std::string> args{"run", in.path().string(), "-o", out.path().string(), "-q"};
        args.insert(args.end(), options.begin(), options.end());
        const testing::CommandResult result = testing::run_command(args);
        EXPECT_EQ(result.status, 0) << result.err;
        summary = nlohmann::json::parse(testing::read_file(out.path() / "summary.json"));
        const nlohmann::json tables = testing::read_csv_tables({out.path() / "annual.csv"});
        const nlohmann::json& table = tables[(out.path() / "annual.csv").string()];
        const auto header = table["header"].get<std::vector<std::string>>();
        for (const auto& row : table["rows"]) {
            std::map<std::string, std::string> year;
            for (std::size_t j = 0; j < header.size(); ++j) year[header[j]] = row[j].get<std::string>();
            years.push_back(year);
        }
    }

    double sum(const std::string& column) const
    {
        double total = 0.0;
        for (const auto& year : years) total += std::stod(year.at(column));
        return total;
    }
};

TEST(AnnualTable, YearsAddUpToTheRunsBooks)
{
    const AnnualRun run({});
    ASSERT_EQ(run.years.size(), 4u);  // one step of 2009, then 2010 to 2012
    EXPECT_EQ(run.years.front().at("partial"), "1");
    for (std::size_t i = 1; i < run.years.size(); ++i) EXPECT_EQ(run.years[i].at("partial"), "0") << i;

    const nlohmann::json& water = run.summary["diagnostics"]["water_balance"];
    const nlohmann::json& substance = run.summary["diagnostics"]["substance_balances"][0];
    const struct {
        const char* column;
        double expected;
    } totals[] = {
        {"water_lower_mm", 1000.0 * water["lower_outflow_m"].get<double>()},
        {"infiltration_mm", 1000.0 * water["surface_inflow_m"].get<double>()},
        {"storage_change_mm", 1000.0 * water["storage_change_m"].get<double>()},
        {"applied_g_m2_s1", substance["applied_g_m2"].get<double>()},
        {"degraded_g_m2_s1", substance["degraded_g_m2"].get<double>()},
        {"leached_lower_g_m2_s1", substance["leached_g_m2"].get<double>()},
    };
    for (const auto& total : totals) {
        SCOPED_TRACE(total.column);
        EXPECT_NEAR(run.sum(total.column), total.expected, 1e-9 * std::max(1.0, std::fabs(total.expected)));
    }
    for (const auto& year : run.years) {
        for (const char* at : {"target", "lower"}) {
            const bool percolated = std::stod(year.at(std::string("water_") + at + "_mm")) > 0.0;
            EXPECT_EQ(year.at(std::string("conc_") + at + "_ug_l_s1") != "NA", percolated) << year.at("year");
        }
    }
}

// With no warm-up the three complete years are the periods; with n = 3 the
// ranks are floor(2.4) = 2 and ceil(2.4) = 3.
TEST(AnnualTable, EndpointFollowsFromTheTableByTheRankingRule)
{
    const AnnualRun run({"--warm-up-years", "0", "--target-depth", "0.6"});
    const nlohmann::json& endpoint = run.summary["endpoint"];
    EXPECT_NEAR(endpoint["target_face_depth_m"].get<double>(), 0.6, 0.0125 + 1e-6);
    struct Period {
        double water, mass, concentration;
    };
    std::vector<Period> periods;
    for (const auto& year : run.years) {
        if (year.at("partial") == "1") continue;
        const double water = std::stod(year.at("water_target_mm")) / 1000.0;
        const double mass = std::stod(year.at("leached_target_g_m2_s1"));
        periods.push_back({water, mass, 1000.0 * mass / water});
    }
    ASSERT_EQ(periods.size(), 3u);
    std::sort(periods.begin(), periods.end(),
              [](const Period& a, const Period& b) { return a.concentration < b.concentration; });
    const double expected = 1000.0 * (periods[1].mass + periods[2].mass) / (periods[1].water + periods[2].water);

    const nlohmann::json& target = endpoint["substances"][0]["target"];
    ASSERT_TRUE(target["value_ug_l"].is_number()) << target["note"];
    EXPECT_NEAR(target["value_ug_l"].get<double>(), expected, 1e-9 * expected);
    EXPECT_EQ(target["usable_periods"], 3);
    EXPECT_EQ(target["exceeds_limit"], expected > 0.1);
    // The plain 80th percentile lies between the 2nd and the 3rd concentration.
    const double p80 = target["percentile_80_ug_l"].get<double>();
    EXPECT_GE(p80, periods[1].concentration);
    EXPECT_LE(p80, periods[2].concentration);
}

// A run shorter than the warm-up has no period to rank; the note says how
// many complete years there were against what the evaluation needs.
TEST(AnnualTable, NoPeriodAfterTheWarmUpSaysWhy)
{
    const AnnualRun run({"--warm-up-years", "3"});
    const nlohmann::json& target = run.summary["endpoint"]["substances"][0]["target"];
    EXPECT_TRUE(target["value_ug_l"].is_null());
    EXPECT_EQ(target["note"],
              "no evaluation period: 3 complete years simulated, the warm-up takes 3 and a period 1: no endpoint");
}

}  // namespace
}  // namespace soilcolumn
