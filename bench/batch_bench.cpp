// Throughput of batches: members per second for run_batch on 1 and 2
// threads, 8 members of a short scenario (free_drainage_two_days, 51 hourly
// steps, and fixed_bottom_hourly, a quarter day), each into its own scratch
// directory. items_per_second is members per second.
//   build/soilcolumn_bench --benchmark_filter=Batch
// Memory per concurrent run: bench/batch_memory.py.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batch/batch.hpp"

namespace {

namespace fs = std::filesystem;

void BM_Batch(benchmark::State& state)
{
    const fs::path data = fs::path(SOILCOLUMN_SOURCE_DIR) / "tests" / "scenarios" / "data";
    const fs::path scratch = fs::temp_directory_path() / ("soilcolumn_batch_bench_" + std::to_string(::getpid()));
    std::vector<soilcolumn::BatchMember> members;
    for (int i = 0; i < 8; ++i) {
        const char* scenario = i % 2 == 0 ? "free_drainage_two_days" : "fixed_bottom_hourly";
        members.push_back({data / scenario, scratch / ("m" + std::to_string(i))});
    }
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const auto rows = soilcolumn::run_batch(members, {.threads = threads});
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(members.size()));
    fs::remove_all(scratch);
}
BENCHMARK(BM_Batch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
