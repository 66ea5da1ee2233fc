// Run time of whole simulations of the default scenario: the three years as
// shipped, and its first ten days (241 hourly steps). Each run works in a
// scratch copy of examples/default; console output is discarded.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/run.hpp"

namespace {

namespace fs = std::filesystem;

// A scratch copy of the default scenario; simulation_end replaced when given.
fs::path prepare_scenario(const std::string& simulation_end_days)
{
    const fs::path dir = fs::temp_directory_path() / ("soilcolumn_bench_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(fs::path(SOILCOLUMN_SOURCE_DIR) / "examples" / "default")) {
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

void run_once(const fs::path& dir, std::ostream& console)
{
    soilcolumn::Run run({.input_directory = dir, .output_directory = dir, .console = &console});
    soilcolumn::run_to_end(run);
    benchmark::DoNotOptimize(run.state().recharge_total);
}

void simulate_default(benchmark::State& state, const std::string& simulation_end_days)
{
    const fs::path dir = prepare_scenario(simulation_end_days);
    std::ostringstream console;
    for (auto _ : state) {
        console.str("");
        run_once(dir, console);
    }
    fs::remove_all(dir);
}

void BM_DefaultScenarioTenDays(benchmark::State& state) { simulate_default(state, "10.0"); }
void BM_DefaultScenarioThreeYears(benchmark::State& state) { simulate_default(state, ""); }

}  // namespace

BENCHMARK(BM_DefaultScenarioTenDays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultScenarioThreeYears)->Unit(benchmark::kMillisecond)->Iterations(2);
