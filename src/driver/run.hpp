#pragma once
// The front door of the engine: one run of the model on a scenario
// directory, opened, stepped by its caller and closed. Every run owns its
// state, files and record; runs share nothing and may proceed on different
// threads at once.
//
//     soilcolumn::Run run({.input_directory = dir, .console = &log});
//     run.open();
//     while (run.step() == soilcolumn::RunStatus::running) { /* read run.state() */ }
//     run.close();

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "driver/file_set.hpp"
#include "driver/numerics_record.hpp"
#include "driver/run_observer.hpp"
#include "driver/run_overrides.hpp"
#include "driver/run_record.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

class ObservationSeries;

struct RunSetup {
    std::filesystem::path input_directory{};  // the scenario; empty: the working directory
    std::filesystem::path output_directory{}; // the result files; empty: the working directory
    std::ostream* console = nullptr;         // receives the model's console log; required
    FileNameSource file_name_source{};       // answers the prompt for a blank weather file name
    // Depth (m) whose face the annual balances and the endpoint evaluate;
    // unset: 1 m, or the lower face of a shallower column. A depth outside
    // the column is rejected like an unusable override.
    std::optional<double> target_depth{};
    RunOverrides overrides{};                // replace vekin.txt's time step or period
    RunObservers observers{};                // told of every record written; not owned
    // classic: the model's relaxation sweeps, bit for bit; sound: direct
    // solves, conserving storage and step subdivision (README, "Numerical quality").
    NumericsMode numerics = NumericsMode::classic;
    // Fast arithmetic: the steps flush subnormal values to zero
    // (driver/float_mode.hpp) and solve the water rows directly instead of
    // by relaxation sweeps. The results agree with the classic run's within
    // the printed digits but are not the same bits; off by default.
    bool fast = false;
};

enum class RunStatus {
    not_open,   // constructed, nothing read yet
    running,    // open, and at least one more step to simulate
    completed,  // the clock passed the end of the period
    stopped,    // the input was inconsistent: orderly stop with a German message
    failed,     // a file could not be opened, read or written, or a value blew up
    rejected,   // the caller's overrides were unusable: English message, nothing simulated
    internal,   // a fault of the program itself
};

class Run {
public:
    explicit Run(RunSetup setup);
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    ~Run();

    // Connects the files, reads and checks the input and prepares the first
    // step. Returns running, or how the run ended.
    RunStatus open();
    // Simulates one time step; after the last one the status is completed.
    RunStatus step();
    // Writes the stop line (after a normal end or an orderly stop) and
    // closes every file; a run still running is abandoned where it is.
    void close();

    RunStatus status() const { return status_; }
    // The stop message, or the failure report; empty otherwise.
    const std::string& message() const { return message_; }
    const ModelState& state() const { return *state_; }
    const RunRecord& record() const { return record_; }
    const FileSet& files() const { return *files_; }
    bool fast() const { return fast_; }

private:
    template <typename Action>
    void guarded(Action&& action);

    std::unique_ptr<ModelState> state_;
    std::unique_ptr<FileSet> files_;
    std::unique_ptr<ObservationSeries> observations_;
    std::unique_ptr<ModelState> step_start_;  // sound numerics: the state a piece of a step starts from
    RunRecord record_;
    std::optional<double> target_depth_;
    RunOverrides overrides_;
    RunObservers observers_;
    bool fast_ = false;
    RunStatus status_ = RunStatus::not_open;
    std::string message_;
    bool closed_ = false;
    bool books_started_ = false;  // the diagnostics hold a start inventory
};

// Opens the run, steps it to its end and closes it; returns how it ended.
RunStatus run_to_end(Run& run);

// The process exit status of a run: 0 for a normal end and for an orderly
// stop, 3 for a normal end whose numbers are unsafe (a strong warning),
// 1 for a failure, 2 for an internal fault.
int exit_status_of(const Run& run);

}  // namespace soilcolumn
