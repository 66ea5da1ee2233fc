// Run time of whole simulations in-process: the default scenario (three
// years as shipped, and its first ten days of 241 hourly steps) and the large
// case of bench/large_case (100 compartments, 4 substances, two years of
// hourly steps, monthly profiles). Each run works in a scratch copy of its
// input set; console output is discarded. The ...Fast benchmarks run the same
// with the fast arithmetic of run --fast, side by side with the classic ones.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/run.hpp"

namespace {

namespace fs = std::filesystem;

// A scratch copy of a scenario of the source tree; simulation_end replaced
// when given.
fs::path prepare_scenario(const fs::path& scenario, const std::string& simulation_end_days)
{
    const fs::path dir = fs::temp_directory_path() / ("soilcolumn_bench_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(fs::path(SOILCOLUMN_SOURCE_DIR) / scenario)) {
        fs::copy_file(entry.path(), dir / entry.path().filename());
        fs::permissions(dir / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
    }
    if (!simulation_end_days.empty()) {
        std::ifstream in(dir / "vekin.txt");
        std::ostringstream text;
        text << in.rdbuf();
        std::string vekin = text.str();
        // The run-control record is the second line; its first value is the period in days.
        const std::size_t line = vekin.find('\n') + 1;
        const std::size_t begin = vekin.find_first_not_of(' ', line);
        const std::size_t end = vekin.find(' ', begin);
        vekin.replace(begin, end - begin, simulation_end_days);
        std::ofstream(dir / "vekin.txt", std::ios::trunc) << vekin;
    }
    return dir;
}

void run_once(const fs::path& dir, std::ostream& console, bool fast)
{
    soilcolumn::Run run({.input_directory = dir, .output_directory = dir, .console = &console, .fast = fast});
    soilcolumn::run_to_end(run);
    benchmark::DoNotOptimize(run.state().recharge_total);
}

void simulate(benchmark::State& state, const fs::path& scenario, const std::string& simulation_end_days,
              bool fast = false)
{
    const fs::path dir = prepare_scenario(scenario, simulation_end_days);
    std::ostringstream console;
    for (auto _ : state) {
        console.str("");
        run_once(dir, console, fast);
    }
    fs::remove_all(dir);
}

const fs::path default_scenario = fs::path("examples") / "default";
const fs::path large_case = fs::path("bench") / "large_case";

void BM_DefaultScenarioTenDays(benchmark::State& state) { simulate(state, default_scenario, "10.0"); }
void BM_DefaultScenarioThreeYears(benchmark::State& state) { simulate(state, default_scenario, ""); }
void BM_LargeCaseThirtyDays(benchmark::State& state) { simulate(state, large_case, "30.0"); }
void BM_LargeCaseTwoYears(benchmark::State& state) { simulate(state, large_case, ""); }
void BM_DefaultScenarioThreeYearsFast(benchmark::State& state) { simulate(state, default_scenario, "", true); }
void BM_LargeCaseTwoYearsFast(benchmark::State& state) { simulate(state, large_case, "", true); }

}  // namespace

BENCHMARK(BM_DefaultScenarioTenDays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultScenarioThreeYears)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LargeCaseThirtyDays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeCaseTwoYears)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DefaultScenarioThreeYearsFast)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LargeCaseTwoYearsFast)->Unit(benchmark::kMillisecond)->Iterations(1);
