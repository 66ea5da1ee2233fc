// Ensembles: the input-file writer, parameter names and values, the Latin
// hypercube, the endpoint statistics and whole ensembles through the
// command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_table.hpp"
#include "cli/command_line.hpp"
#include "driver/run.hpp"
#include "ensemble/ensemble.hpp"
#include "ensemble/input_set.hpp"
#include "ensemble/parameters.hpp"
#include "ensemble/sampling.hpp"
#include "input/temp_directory.hpp"
#include "test_files.hpp"

namespace soilcolumn::ensemble {
namespace {

namespace fs = std::filesystem;
const fs::path source_dir = SOILCOLUMN_SOURCE_DIR;
using soilcolumn::testing::scenario_data;
const fs::path two_days = scenario_data / "free_drainage_two_days";

using soilcolumn::testing::read_file;

struct Program {
    std::ostringstream out, err;
    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "soilcolumn");
        std::istringstream in;
        return cli::run_program(args, {.in = &in, .out = &out, .err = &err});
    }
};

// What a run of `input` leaves: the four result files and its console log.
std::vector<std::string> run_results(const fs::path& input)
{
    testing::TempDirectory out;
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = input, .output_directory = out.path(), .console = &console});
    run_to_end(run);
    std::vector<std::string> files{console.str()};
    for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"}) files.push_back(out.read(name));
    return files;
}

// A scenario written back unchanged runs exactly as the original: same
// console echo, same result files.
TEST(InputSetWriter, AWrittenScenarioRunsAsTheOriginal)
{
    for (const fs::path& scenario : {source_dir / "examples" / "default", two_days, scenario_data / "fixed_bottom_hourly",
                                     scenario_data / "snow_rewind_two_day_steps", scenario_data / "summer_drying"}) {
        SCOPED_TRACE(scenario.filename().string());
        testing::TempDirectory copy;
        write_scenario(read_input_set(scenario), scenario, copy.path() / "s");
        EXPECT_EQ(run_results(copy.path() / "s"), run_results(scenario));
    }
}

TEST(InputSetWriter, UnreadableScenarioIsAnEnglishError)
{
    testing::TempDirectory dir;
    EXPECT_THROW(read_input_set(dir.path()), InputSetError);  // no files at all
    dir.write("chemvek.txt", " Stoffe\n 7\n Tabelle\n");
    try {
        read_input_set(dir.path());
        FAIL();
    } catch (const InputSetError& error) {
        EXPECT_NE(std::string(error.what()).find("number of substances 7"), std::string::npos) << error.what();
    }
}

// Each name sets one value of the written files, and only that one.
TEST(Parameters, EveryFamilyOfNamesReachesItsValue)
{
    const InputSet base = read_input_set(two_days);
    const auto check = [&](const char* name, double value, auto read) {
        SCOPED_TRACE(name);
        InputSet set = base;
        ASSERT_EQ(set_parameter(set, name, value), std::nullopt);
        testing::TempDirectory dir;
        write_scenario(set, two_days, dir.path());
        const InputSet back = read_input_set(dir.path());
        EXPECT_EQ(read(back), static_cast<float>(value));
        EXPECT_NE(read(base), static_cast<float>(value));  // the case changes something
    };
    check("time_step", 1800.0, [](const InputSet& s) { return s.time_step; });
    check("simulation_end", 1.5, [](const InputSet& s) { return s.simulation_end; });
    check("dispersivity", 0.1, [](const InputSet& s) { return s.dispersivity; });
    check("observation_depths.2", 0.3, [](const InputSet& s) { return s.observation_depths[1]; });
    check("half_life.2", 12.5, [](const InputSet& s) { return s.substances[1].half_life; });
    check("sorption_per_organic_matter.1", 0.07, [](const InputSet& s) { return s.substances[0].sorption_per_organic_matter; });
    check("soil_type.2.organic_matter_fraction", 0.015, [](const InputSet& s) { return s.soil_types[1].organic_matter_fraction; });
    check("soil_type.1.texture_fractions.3", 0.7, [](const InputSet& s) { return s.soil_types[0].texture_fractions[2]; });
    check("porosity.10", 0.4, [](const InputSet& s) { return s.compartments[9].porosity; });
    check("sorption_coefficient.3.2", 0.5, [](const InputSet& s) { return s.compartments[2].sorption_coefficient[1]; });
    check("mobile_concentration.4.1", 2.0, [](const InputSet& s) { return s.compartments[3].mobile_concentration[0]; });
    check("compartment_soil_type.2", 2.0, [](const InputSet& s) { return static_cast<float>(s.compartments[1].compartment_soil_type); });
}

TEST(Parameters, WrongNamesAndValuesAreRefusedWithTheReason)
{
    const InputSet base = read_input_set(two_days);  // 2 substances, soil types 1 and 2, 10 compartments
    struct Case { const char* name; double value; const char* says; };
    const Case cases[] = {
        {"halflife.1", 5.0, "unknown parameter 'halflife.1'"},
        {"half_life", 5.0, "unknown parameter"},
        {"half_life.3", 5.0, "S = 3 is outside 1..2"},
        {"half_life.0", 5.0, "S = 0 is outside 1..2"},
        {"porosity.11", 0.4, "C = 11 is outside 1..10"},
        {"sorption_coefficient.2.3", 0.4, "S = 3 is outside 1..2"},
        {"soil_type.3.organic_matter_fraction", 0.01, "no soil type 3"},
        {"soil_type.1.texture_fractions.5", 0.1, "J = 5 is outside 1..4"},
        {"soil_type.1.colour", 0.1, "unknown parameter"},
        {"half_life.1", 0.0, "above 0 days"},
        {"half_life.1", NAN, "not a finite number"},
        {"porosity.2", 1.0, "above 0 and below 1"},
        {"compartment_thickness.2", 10.5, "above 0 up to 10 m"},
        {"irreversible_share.1", 1.5, "0 to 1"},
        {"water_diffusion_coefficient.1", 1e-5, "0 to 1e-7"},
        {"default_sorption_exponent.2", 0.05, "0.1 to 2"},
        {"soil_type.1.retention_model", 4.5, "not a whole number"},
        {"mean_annual_recharge", 1e39, "32-bit"},
    };
    for (const Case& c : cases) {
        InputSet set = base;
        const auto problem = set_parameter(set, c.name, c.value);
        ASSERT_TRUE(problem) << c.name;
        EXPECT_NE(problem->find(c.says), std::string::npos) << *problem;
    }
    const std::string names = valid_parameter_names(base);
    for (const char* listed : {"half_life.S", "S = 1..2", "K = 1, 2", "C = 1..10", "soil_type.K.texture_fractions.J",
                               "observation_depths.I (I = 1..3)"}) {
        EXPECT_NE(names.find(listed), std::string::npos) << listed;
    }
}

TEST(Sampling, TransformsMatchTheirDistributions)
{
    // Reference quantiles of the standard normal from Python's statistics.NormalDist.
    struct Case { double u; double z; };
    for (const Case& c : {Case{0.5, 0.0}, Case{0.975, 1.9599639845400536}, Case{0.001, -3.090232306167813},
                          Case{1e-10, -6.361340902404056}, Case{0.999, 3.090232306167813}}) {
        EXPECT_NEAR(standard_normal_quantile(c.u), c.z, 1e-12) << c.u;
    }
    const SampledParameter uniform{"a", Distribution::uniform, 2.0, 6.0};
    const SampledParameter normal{"b", Distribution::normal, 10.0, 2.0};
    const SampledParameter lognormal{"c", Distribution::lognormal, std::log(40.0), 0.5};
    const SampledParameter triangle{"d", Distribution::triangular, 0.0, 0.0, 1.0};
    const SampledParameter skewed{"e", Distribution::triangular, 1.0, 2.0, 5.0};
    EXPECT_DOUBLE_EQ(quantile(uniform, 0.25), 3.0);
    EXPECT_NEAR(quantile(normal, 0.975), 10.0 + 2.0 * 1.9599639845400536, 1e-12);
    EXPECT_NEAR(quantile(lognormal, 0.5), 40.0, 1e-12);  // the median is exp(meanlog)
    // Triangular (0, 0, 1): F(x) = 1 - (1 - x)^2, so F^-1(0.75) = 0.5.
    EXPECT_NEAR(quantile(triangle, 0.75), 0.5, 1e-15);
    // (1, 2, 5): a quarter of the mass lies below the mode.
    EXPECT_NEAR(quantile(skewed, 0.25), 2.0, 1e-15);
    EXPECT_NEAR(quantile(skewed, 0.0625), 1.5, 1e-15);  // (0.5)^2 / (1 * 4) = 1/16
}

TEST(Sampling, LatinHypercubePutsOneDrawInEveryStratumAndRepeatsWithItsSeed)
{
    const std::vector<SampledParameter> plan{{"x", Distribution::uniform, 0.0, 1.0},
                                             {"y", Distribution::uniform, 0.0, 1.0}};
    const int n = 50;
    const auto rows = latin_hypercube(plan, n, 7);
    for (std::size_t j = 0; j < plan.size(); ++j) {
        std::set<int> strata;
        for (const auto& row : rows) strata.insert(static_cast<int>(std::floor(row[j] * n)));
        EXPECT_EQ(strata.size(), static_cast<std::size_t>(n)) << j;
        EXPECT_EQ(*strata.begin(), 0);
        EXPECT_EQ(*strata.rbegin(), n - 1);
    }
    EXPECT_EQ(latin_hypercube(plan, n, 7), rows);
    EXPECT_NE(latin_hypercube(plan, n, 8), rows);
    // The columns are shuffled independently.
    std::vector<double> x, y;
    for (const auto& row : rows) { x.push_back(std::floor(row[0] * n)); y.push_back(std::floor(row[1] * n)); }
    EXPECT_NE(x, y);
}

TEST(Sampling, PlanFileIsCheckedLineByLine)
{
    std::istringstream good("name,distribution,p1,p2,p3\n# comment\nhalf_life.1, lognormal, 3.0, 0.4\n"
                            "porosity.2,triangular,0.3,0.35,0.45\n");
    const auto plan = read_sampling_plan(good, "plan.csv");
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].name, "half_life.1");
    EXPECT_EQ(plan[1].distribution, Distribution::triangular);
    EXPECT_EQ(plan[1].p3, 0.45);
    struct Case { const char* text; const char* says; };
    const Case cases[] = {
        {"a,gamma,1,2\n", "unknown distribution 'gamma'"},
        {"a,uniform,2,1\n", "LOW below HIGH"},
        {"a,normal,1,0\n", "standard deviation above 0"},
        {"a,triangular,0,2,1\n", "LOW <= MODE <= HIGH"},
        {"a,triangular,0,1\n", "takes 3 parameters"},
        {"a,uniform,0,x\n", "'x' is not a finite number"},
        {"a,uniform,0,1\na,uniform,0,2\n", "line 2: 'a' is planned twice"},
        {"# nothing\n", "no parameter planned"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        try {
            read_sampling_plan(in, "plan.csv");
            ADD_FAILURE() << c.text;
        } catch (const SamplingError& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
    }
}

TEST(Statistics, PercentilesAndWilsonInterval)
{
    const std::vector<double> five{1.0, 2.0, 3.0, 4.0, 5.0};
    EXPECT_DOUBLE_EQ(percentile(five, 50), 3.0);
    EXPECT_DOUBLE_EQ(percentile(five, 80), 4.2);  // h = 4 * 0.8 = 3.2: between the 4th and 5th
    EXPECT_DOUBLE_EQ(percentile(five, 99), 4.96);
    EXPECT_DOUBLE_EQ(percentile({7.0}, 95), 7.0);
    // References computed in Python from the Wilson formula, z = 1.9599639845400536.
    struct Case { std::size_t k, n; double low, high; };
    for (const Case& c : {Case{0, 10, 0.0, 0.27753279986288915}, Case{3, 10, 0.10779126740630102, 0.6032218525388546},
                          Case{10, 10, 0.7224672001371109, 1.0}}) {
        const auto [low, high] = wilson_interval(c.k, c.n, 1.9599639845400536);
        EXPECT_NEAR(low, c.low, 1e-12);
        EXPECT_NEAR(high, c.high, 1e-12);
    }
    // Only members that completed without a strong warning count.
    std::vector<std::optional<MemberResult>> rows;
    const auto member = [](MemberStatus status, std::optional<double> endpoint) {
        MemberResult row;
        row.status = status;
        row.endpoint_ug_per_l = endpoint;
        return std::optional<MemberResult>(row);
    };
    rows = {member(MemberStatus::ok, 0.05), member(MemberStatus::warning, 0.2), member(MemberStatus::unsafe, 9.0),
            member(MemberStatus::failed, std::nullopt), std::nullopt, member(MemberStatus::ok, 0.1)};
    const EndpointStatistics stats = endpoint_statistics(rows, 0.1);
    EXPECT_EQ(stats.members, 6u);
    EXPECT_EQ(stats.with_endpoint, 3u);
    EXPECT_EQ(stats.above_limit, 1u);  // 0.1 itself is not above the limit
    EXPECT_DOUBLE_EQ(stats.share_above, 1.0 / 3.0);
    ASSERT_EQ(stats.percentiles.size(), 5u);
    EXPECT_EQ(stats.percentiles[0].first, 50);
    EXPECT_DOUBLE_EQ(stats.percentiles[0].second, 0.1);
}

TEST(EnsembleCommand, TableEnsembleIsReproducibleAndEveryMemberRunsAlone)
{
    testing::TempDirectory work;
    work.write("table.csv", "half_life.1,soil_type.1.organic_matter_fraction,time_step\n5,0.02,3600\n"
                            "20,0.01,1800\n+40,0.005,7200\n");
    const fs::path table = work.path() / "table.csv";
    std::string first_csv;
    for (const char* root : {"a", "b"}) {
        Program program;
        ASSERT_EQ(program.run({"ensemble", two_days.string(), "--params", table.string(), "-o",
                               (work.path() / root).string(), "-j", "2", "-q"}),
                  0)
            << program.err.str();
        const std::string csv = read_file(work.path() / root / "ensemble.csv");
        if (first_csv.empty()) first_csv = csv;
        EXPECT_EQ(csv, first_csv);
        EXPECT_EQ(read_file(work.path() / root / "members" / "m0003" / "vekin.txt"),
                  read_file(work.path() / "a" / "members" / "m0003" / "vekin.txt"));
    }
    EXPECT_EQ(first_csv.substr(0, first_csv.find('\n')),
              "member,half_life.1,soil_type.1.organic_matter_fraction,time_step,status,exit_status,warning_count,"
              "water_error_percent,endpoint_ug_per_l");
    EXPECT_NE(first_csv.find("\nm0003,40,0.005,7200,"), std::string::npos) << first_csv;
    const nlohmann::json json = nlohmann::json::parse(read_file(work.path() / "a" / "ensemble.json"));
    EXPECT_EQ(json["members"], 3);
    EXPECT_TRUE(json["endpoint"]["percentiles_ug_per_l"].contains("99"));

    // A member rerun alone from its directory gives its results in the ensemble.
    const fs::path a = work.path() / "a";
    const std::vector<std::string> alone = run_results(a / "members" / "m0002");
    EXPECT_EQ(alone[1], read_file(a / "results" / "m0002" / "aus1.txt"));
    EXPECT_EQ(alone[4], read_file(a / "results" / "m0002" / "aus4.txt"));
    EXPECT_NE(alone[1], read_file(a / "results" / "m0001" / "aus1.txt"));  // the parameters made a difference

    // collect rebuilds the same table; a member without result is reported.
    Program collect;
    EXPECT_EQ(collect.run({"ensemble", "collect", a.string()}), 0) << collect.err.str();
    EXPECT_EQ(read_file(a / "ensemble.csv"), first_csv);
    fs::remove(a / "results" / "m0002" / "member.json");
    Program incomplete;
    EXPECT_EQ(incomplete.run({"ensemble", "collect", a.string()}), 1);
    EXPECT_NE(incomplete.err.str().find("member m0002 has no result"), std::string::npos);
    EXPECT_NE(read_file(a / "ensemble.csv").find("\nm0002,20,0.01,1800,missing,,,,\n"), std::string::npos);
}

TEST(EnsembleCommand, SampledEnsembleRepeatsWithItsSeed)
{
    testing::TempDirectory work;
    work.write("plan.csv", "half_life.1,lognormal,2.3,0.5\nsoil_type.1.organic_matter_fraction,uniform,0.005,0.03\n"
                           "dispersivity,triangular,0.02,0.05,0.1\nsorption_per_organic_matter.2,normal,0.5,0.05\n");
    const std::string plan = (work.path() / "plan.csv").string();
    std::vector<std::string> tables;
    for (const auto& [root, seed] : {std::pair{"s1", "42"}, std::pair{"s2", "42"}, std::pair{"s3", "43"}}) {
        Program program;
        ASSERT_EQ(program.run({"ensemble", two_days.string(), "--sample", plan, "-n", "4", "--seed", seed, "-o",
                               (work.path() / root).string(), "-j", "2", "-q"}),
                  0)
            << program.err.str();
        tables.push_back(read_file(work.path() / root / "parameters.csv"));
        EXPECT_EQ(read_file(work.path() / root / "ensemble.csv").substr(0, 20), "member,half_life.1,s");
    }
    EXPECT_EQ(tables[0], tables[1]);
    EXPECT_NE(tables[0], tables[2]);
    EXPECT_EQ(read_file(work.path() / "s1" / "ensemble.csv"), read_file(work.path() / "s2" / "ensemble.csv"));
    // The table written reads back to the same values.
    std::istringstream in(tables[0]);
    EXPECT_EQ(parameter_table_csv(read_parameter_table(in, "parameters.csv")), tables[0]);
}

TEST(EnsembleCommand, BadNamesAndValuesAreRefusedBeforeAnyMemberRuns)
{
    testing::TempDirectory work;
    struct Case { const char* table; const char* says; };
    const Case cases[] = {
        {"halflife.1\n5\n", "unknown parameter 'halflife.1'.\nValid names for"},
        {"half_life.1\n5\nabc\n", "line 3, column 'half_life.1': 'abc' is not a finite number"},
        {"half_life.1\n5\n-5\n", "member m0002: 'half_life.1' = -5 is outside"},
        {"half_life.1,time_step\n5\n", "1 values for 2 parameters"},
        // Passes its own range, but the soil type's texture no longer sums to 1.
        {"soil_type.1.texture_fractions.1\n0.5\n", "member m0001 (" },
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path root = work.path() / ("r" + std::to_string(++n));
        work.write("t.csv", c.table);
        Program program;
        EXPECT_EQ(program.run({"ensemble", two_days.string(), "--params", (work.path() / "t.csv").string(), "-o",
                               root.string(), "-q"}),
                  64)
            << c.table;
        EXPECT_NE(program.err.str().find(c.says), std::string::npos) << program.err.str();
        EXPECT_FALSE(fs::exists(root / "results")) << c.table;
        EXPECT_FALSE(fs::exists(root / "parameters.csv")) << c.table;
    }
    Program usage;
    EXPECT_EQ(usage.run({"ensemble", two_days.string(), "--sample", "p.csv", "-o", (work.path() / "u").string()}), 64);
    EXPECT_NE(usage.err.str().find("--sample needs -n N and --seed S"), std::string::npos);
}

TEST(EnsembleCommand, EmitWritesJobListsAndRunsNothing)
{
    testing::TempDirectory work;
    work.write("table.csv", "half_life.1\n5\n6\n7\n8\n9\n");
    const fs::path root = work.path() / "e";
    Program slurm;
    ASSERT_EQ(slurm.run({"ensemble", two_days.string(), "--params", (work.path() / "table.csv").string(), "-o",
                         root.string(), "--emit", "slurm", "--chunk", "2", "--max-running", "3"}),
              0)
        << slurm.err.str();
    EXPECT_FALSE(fs::exists(root / "results"));
    const std::string script = read_file(root / "cluster" / "ensemble.sbatch");
    EXPECT_NE(script.find("#SBATCH --array=0-2%3\n"), std::string::npos) << script;  // 5 members in chunks of 2
    EXPECT_NE(script.find(" batch --list "), std::string::npos);
    EXPECT_NE(script.find(" --numerics classic -j \"${SLURM_CPUS_PER_TASK:-1}\" -q\n"), std::string::npos) << script;
    const std::string last_chunk = read_file(root / "cluster" / "chunk_0002.txt");
    EXPECT_EQ(last_chunk, fs::absolute(root / "members" / "m0005").lexically_normal().string() + "\n");
    EXPECT_FALSE(fs::exists(root / "cluster" / "chunk_0003.txt"));

    const std::vector<BatchMember> members{{root / "members" / "m0001", root / "results" / "m0001"}};
    const fs::path jobs = emit_parallel(root, members, {"/opt/soilcolumn", NumericsMode::sound, true});
    EXPECT_EQ(read_file(jobs), "'/opt/soilcolumn' batch '" + fs::absolute(root / "members" / "m0001").string() +
                                   "' -o '" + fs::absolute(root / "results").string() +
                                   "' --table 'tables/m0001' --numerics sound --fast -j 1 -q\n");
}

}  // namespace
}  // namespace soilcolumn::ensemble
