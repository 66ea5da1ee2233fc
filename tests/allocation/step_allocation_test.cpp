// The step loop allocates nothing: every table of a run is fixed in size and
// opened with it, and records reuse their buffers. This test program
// replaces the global allocation functions by counting ones, opens runs on
// the benchmark workloads and the golden scenarios and steps them; after
// the first steps (which fill the record buffers to their longest line) no
// step may allocate, but the last, which writes the end-of-run report.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "driver/run.hpp"
#include "input/temp_directory.hpp"

namespace {

// Allocations of the thread that steps the runs: the threads that format
// and write the result files beside it (records/block_thread.hpp) reuse
// blocks made before the first step, but grow their line buffers whenever
// they first meet a longer line.
thread_local long long allocations = 0;

void* counted_allocation(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* counted_aligned_allocation(std::size_t size, std::align_val_t alignment)
{
    ++allocations;
    const auto a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size); }
void* operator new[](std::size_t size) { return counted_allocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return counted_allocation(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(std::size_t size, std::align_val_t alignment) { return counted_aligned_allocation(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return counted_aligned_allocation(size, alignment);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;

// A console that discards what it is given, without a growing buffer.
class DiscardingBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct StepCase {
    const char* what;
    const char* scenario;  // below the source tree
    int warm_up_steps;     // steps allowed to allocate: through the first profile of each result file
    int counted_steps;     // steps that must not allocate; fewer when the run ends first
    bool fast = false;     // the fast arithmetic (direct water solve)
};

const StepCase step_cases[] = {
    {"default scenario over its first application", "examples/default", 48, 24 * 150},
    {"large case: 100 compartments, 4 substances, first profile after 30 days", "bench/large_case", 24 * 30 + 1,
     24 * 150},
    {"hourly steps with a fixed lower boundary", "tests/scenarios/data/fixed_bottom_hourly", 2, 100},
    {"free drainage: first profile after a day of hourly steps", "tests/scenarios/data/free_drainage_two_days", 25,
     100},
    {"snow and two-day steps", "tests/scenarios/data/snow_rewind_two_day_steps", 2, 100},
    {"large case with the fast arithmetic", "bench/large_case", 24 * 30 + 1, 24 * 60, true},
};

TEST(StepAllocation, StepsAllocateNothingAfterTheFirstOnes)
{
    for (const auto& tc : step_cases) {
        SCOPED_TRACE(tc.what);
        testing::TempDirectory out;
        DiscardingBuffer discard;
        std::ostream console(&discard);
        soilcolumn::Run run({.input_directory = fs::path(SOILCOLUMN_SOURCE_DIR) / tc.scenario,
                 .output_directory = out.path(),
                 .console = &console,
                 .fast = tc.fast});
        ASSERT_EQ(run.open(), RunStatus::running);
        RunStatus status = RunStatus::running;
        for (int i = 0; i < tc.warm_up_steps && status == RunStatus::running; ++i) {
            status = run.step();
        }
        int counted = 0;
        long long allocating_steps = 0;
        long long first_allocating_step = -1;
        for (; counted < tc.counted_steps && status == RunStatus::running; ++counted) {
            const long long before = allocations;
            status = run.step();
            // The step that ends the run writes the end-of-run warnings and
            // the end message: it may allocate, as closing a run may.
            if (status == RunStatus::running && allocations != before) {
                ++allocating_steps;
                if (first_allocating_step < 0) first_allocating_step = tc.warm_up_steps + counted + 1;
            }
        }
        EXPECT_GT(counted, 0);
        EXPECT_EQ(allocating_steps, 0) << "first at step " << first_allocating_step;
        run.close();
    }
}

// The counter itself counts: a string longer than its small buffer is one
// allocation.
TEST(StepAllocation, TheCounterSeesAnAllocation)
{
    const long long before = allocations;
    std::string text(100, 'x');
    EXPECT_GT(allocations, before);
}

}  // namespace
}  // namespace soilcolumn
