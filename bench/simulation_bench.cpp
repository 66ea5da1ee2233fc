// Run time of whole simulations of the default scenario: the three years as
// shipped, and its first ten days (241 hourly steps). Each run works in a
// scratch copy of examples/default; console output is discarded.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "driver/time_loop.hpp"
#include "input/control_input.hpp"
#include "main/file_set.hpp"
#include "state/model_state.hpp"

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

void run_once(std::ostream& console)
{
    auto st = std::make_unique<soilcolumn::ModelState>();
    auto files = std::make_unique<soilcolumn::FileSet>();
    files->console.connect_stream(console);
    soilcolumn::connect_fixed_files(*files);
    soilcolumn::read_input(*st, *files);
    soilcolumn::run_simulation(*st, *files);
    benchmark::DoNotOptimize(st->recharge_total);
}

void simulate_default(benchmark::State& state, const std::string& simulation_end_days)
{
    const fs::path previous = fs::current_path();
    const fs::path dir = prepare_scenario(simulation_end_days);
    fs::current_path(dir);
    std::ostringstream console;
    for (auto _ : state) {
        console.str("");
        run_once(console);
    }
    fs::current_path(previous);
    fs::remove_all(dir);
}

void BM_DefaultScenarioTenDays(benchmark::State& state) { simulate_default(state, "10.0"); }
void BM_DefaultScenarioThreeYears(benchmark::State& state) { simulate_default(state, ""); }

}  // namespace

BENCHMARK(BM_DefaultScenarioTenDays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultScenarioThreeYears)->Unit(benchmark::kMillisecond)->Iterations(2);
