#pragma once
// Many runs of the engine in one process, on N threads: each member is a
// scenario directory run into its own output directory, so members never
// share a file. A member that fails or is numerically unsafe never stops the
// others; its error is kept in its row instead of results. A stop request
// (an interrupt) lets no new member start and abandons the running ones at
// their next step.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/run.hpp"

namespace soilcolumn {

struct BatchMember {
    std::filesystem::path input_directory;
    std::filesystem::path output_directory;
};

enum class MemberStatus { ok, warning, unsafe, stopped, failed, interrupted, skipped };

const char* name_of(MemberStatus status);

struct MemberResult {
    std::filesystem::path input_directory{};
    std::filesystem::path output_directory{};
    MemberStatus status = MemberStatus::failed;
    int exit_status = 1;
    std::string message{};  // the stop or failure message
    double wall_seconds = 0.0;
    std::optional<double> water_error_percent{};
    std::vector<double> substance_error_percent{};
    int warning_count = 0;
    std::optional<double> endpoint_ug_per_l{};  // substance 1 at the target face
    // A member skipped by --resume: how it ended in the earlier batch (its
    // figures are those of member.json); unset when that is not known.
    std::optional<MemberStatus> earlier_status{};
};

struct BatchSettings {
    int threads = 1;
    // What every member's run is set up with (run options such as the
    // target depth or overrides); the directories and the console are the
    // member's own.
    RunSetup member_setup{};
    bool resume = false;  // skip members whose output directory holds a finished run
    const std::atomic<bool>* stop_requested = nullptr;
    // Called after each member, from the worker that ran it (serialised).
    std::function<void(const MemberResult&, std::size_t done, std::size_t total)> on_member_done{};
};

// The name of the file a finished member leaves in its output directory
// (after its row, member.json); --resume skips members that have it.
inline constexpr const char* member_done_file = "member.done";

// Runs every member; the rows come back in the order of the members.
std::vector<MemberResult> run_batch(const std::vector<BatchMember>& members, const BatchSettings& settings);

// One member through the engine, its console log in output_directory /
// console.txt. The exit status is the one `soilcolumn run` gives (4 for an
// orderly stop on inconsistent input); 130 when the member was interrupted.
MemberResult run_member(const BatchMember& member, const RunSetup& member_setup,
                        const std::atomic<bool>* stop_requested);

}  // namespace soilcolumn
