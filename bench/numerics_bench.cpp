// The cost of the sound numerics: the default scenario's three years in the
// classic and in the sound numerics, side by side in one run, with the sound
// run's step subdivisions as counters. Target: sound at most 1.5 times
// classic.
//
//     build/soilcolumn_bench --benchmark_filter=Numerics

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "driver/run.hpp"

namespace {

namespace fs = std::filesystem;

void simulate_default_with(benchmark::State& state, soilcolumn::NumericsMode mode)
{
    const fs::path input = fs::path(SOILCOLUMN_SOURCE_DIR) / "examples" / "default";
    const fs::path output = fs::temp_directory_path() / ("soilcolumn_numerics_bench_" + std::to_string(::getpid()));
    fs::create_directories(output);
    std::ostringstream console;
    soilcolumn::NumericsRecord numerics;
    for (auto _ : state) {
        console.str("");
        soilcolumn::Run run({.input_directory = input, .output_directory = output, .console = &console,
                             .numerics = mode});
        soilcolumn::run_to_end(run);
        benchmark::DoNotOptimize(run.state().recharge_total);
        numerics = run.record().numerics;
    }
    state.counters["subdivided_steps"] = static_cast<double>(numerics.subdivided_steps);
    state.counters["pieces"] = static_cast<double>(numerics.pieces);
    state.counters["deepest_level"] = numerics.deepest_level;
    fs::remove_all(output);
}

void BM_NumericsClassicDefaultThreeYears(benchmark::State& state)
{
    simulate_default_with(state, soilcolumn::NumericsMode::classic);
}
void BM_NumericsSoundDefaultThreeYears(benchmark::State& state)
{
    simulate_default_with(state, soilcolumn::NumericsMode::sound);
}

}  // namespace

BENCHMARK(BM_NumericsClassicDefaultThreeYears)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NumericsSoundDefaultThreeYears)->Unit(benchmark::kMillisecond)->Iterations(3);
