#include "batch/batch.hpp"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "batch/batch_table.hpp"
#include "driver/run.hpp"
#include "endpoint/endpoint.hpp"

namespace soilcolumn {
namespace {

MemberStatus status_of(const Run& run)
{
    switch (run.status()) {
    case RunStatus::completed:
        if (run.record().numerically_unsafe()) return MemberStatus::unsafe;
        return run.record().warnings.empty() ? MemberStatus::ok : MemberStatus::warning;
    case RunStatus::stopped:
        return MemberStatus::stopped;
    default:
        return MemberStatus::failed;
    }
}

void take_figures(const Run& run, MemberResult& result)
{
    const RunRecord& record = run.record();
    result.warning_count = static_cast<int>(record.warnings.size());
    if (run.status() != RunStatus::completed) {
        return;
    }
    result.water_error_percent = record.diagnostics.water.relative_error();
    for (int s = 1; s <= record.diagnostics.substance_count; ++s) {
        result.substance_error_percent.push_back(record.diagnostics.substance(s).relative_error());
    }
    if (record.diagnostics.substance_count >= 1) {
        result.endpoint_ug_per_l = endpoint_at(record.annual, 1, false, EndpointSettings{}).value;
    }
}

bool finished_before(const BatchMember& member)
{
    std::error_code ignored;
    return std::filesystem::exists(member.output_directory / member_done_file, ignored);
}

}  // namespace

const char* name_of(MemberStatus status)
{
    switch (status) {
    case MemberStatus::ok: return "ok";
    case MemberStatus::warning: return "warning";
    case MemberStatus::unsafe: return "unsafe";
    case MemberStatus::stopped: return "stopped";
    case MemberStatus::failed: return "failed";
    case MemberStatus::interrupted: return "interrupted";
    case MemberStatus::skipped: return "skipped";
    }
    return "failed";
}

MemberResult run_member(const BatchMember& member, const RunSetup& member_setup,
                        const std::atomic<bool>* stop_requested)
{
    MemberResult result{member.input_directory, member.output_directory};
    const auto started = std::chrono::steady_clock::now();
    std::error_code error;
    std::filesystem::create_directories(member.output_directory, error);
    std::ofstream console(member.output_directory / "console.txt", std::ios::binary | std::ios::trunc);
    if (error || !console) {
        result.message = "cannot create the output directory " + member.output_directory.string();
        return result;
    }
    RunSetup setup = member_setup;
    setup.input_directory = member.input_directory;
    setup.output_directory = member.output_directory;
    setup.console = &console;
    Run run(std::move(setup));
    run.open();
    bool interrupted = false;
    while (run.status() == RunStatus::running) {
        if (stop_requested != nullptr && stop_requested->load()) {
            interrupted = true;
            break;
        }
        run.step();
    }
    run.close();
    result.status = interrupted ? MemberStatus::interrupted : status_of(run);
    result.exit_status = interrupted ? 130 : run.status() == RunStatus::stopped ? 4 : exit_status_of(run);
    result.message = interrupted ? "interrupted before the end of the run" : run.message();
    take_figures(run, result);
    result.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!interrupted) {
        // The row first: a member with member.done always has its row.
        std::ofstream(member.output_directory / member_row_file) << member_row_json(result).dump(2) << "\n";
        std::ofstream(member.output_directory / member_done_file) << name_of(result.status) << "\n";
    }
    return result;
}

std::vector<MemberResult> run_batch(const std::vector<BatchMember>& members, const BatchSettings& settings)
{
    std::vector<MemberResult> results(members.size());
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::mutex report;
    auto worker = [&] {
        for (std::size_t i = next++; i < members.size(); i = next++) {
            const BatchMember& member = members[i];
            if (settings.resume && finished_before(member)) {
                results[i] = {member.input_directory, member.output_directory, MemberStatus::skipped, 0,
                              "finished in an earlier batch"};
                if (std::optional<MemberResult> earlier = read_member_row(member.output_directory)) {
                    earlier->input_directory = member.input_directory;
                    earlier->output_directory = member.output_directory;
                    earlier->earlier_status = earlier->status;
                    earlier->status = MemberStatus::skipped;
                    results[i] = std::move(*earlier);
                }
            } else if (settings.stop_requested != nullptr && settings.stop_requested->load()) {
                results[i] = {member.input_directory, member.output_directory, MemberStatus::interrupted, 130,
                              "not started: the batch was interrupted"};
            } else {
                results[i] = run_member(member, settings.member_setup, settings.stop_requested);
            }
            const std::lock_guard lock(report);
            ++done;
            if (settings.on_member_done) {
                settings.on_member_done(results[i], done, members.size());
            }
        }
    };
    const int threads = std::clamp(settings.threads, 1, static_cast<int>(std::max<std::size_t>(members.size(), 1)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& thread : pool) {
        thread.join();
    }
    return results;
}

}  // namespace soilcolumn
