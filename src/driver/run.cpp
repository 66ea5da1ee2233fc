#include "driver/run.hpp"

#include <exception>
#include <stdexcept>

#include "driver/float_mode.hpp"
#include "driver/result_files.hpp"
#include "driver/time_loop.hpp"
#include "endpoint/annual_balances.hpp"
#include "input/control_input.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

constexpr double default_target_depth = 1.0;  // m: where groundwater is judged

TargetFace choose_target_face(const ModelState& st, const std::optional<double>& asked)
{
    std::string message;
    if (asked) {
        if (auto face = target_face_near(st, *asked, message)) {
            return *face;
        }
        throw OverrideRejected(message);
    }
    if (auto face = target_face_near(st, default_target_depth, message)) {
        return *face;
    }
    return lower_face(st);
}

}  // namespace

Run::Run(RunSetup setup)
    : state_(std::make_unique<ModelState>()),
      files_(std::make_unique<FileSet>(setup.input_directory, setup.output_directory)),
      target_depth_(setup.target_depth),
      overrides_(setup.overrides),
      observers_(std::move(setup.observers)),
      fast_(setup.fast)
{
    record_.numerics.mode = setup.numerics;
    if (setup.console == nullptr) {
        throw std::invalid_argument("a run needs a console stream");
    }
    files_->file_name_source = std::move(setup.file_name_source);
    files_->console.connect_stream(*setup.console);
    files_->console.keep_warnings_in(&record_.warnings);
}

Run::~Run()
{
    try {
        close();
    } catch (const std::exception&) {
        // A destructor must not throw; close() records what it can.
    }
}

// Runs one part of the run and turns the way it can end early into the
// status: the console receives the failure reports as the model writes them.
template <typename Action>
void Run::guarded(Action&& action)
{
    try {
        action();
    } catch (const OrderlyStop& stop) {
        status_ = RunStatus::stopped;
        message_ = stop.message;
    } catch (const RunFailure& failure) {
        status_ = RunStatus::failed;
        message_ = failure.what();
        files_->console.write_list(message_);
    } catch (const OverrideRejected& rejection) {
        status_ = RunStatus::rejected;
        message_ = rejection.what();
        files_->console.write_list(message_);
    } catch (const std::exception& error) {
        status_ = RunStatus::internal;
        message_ = std::string("Interner Fehler: ") + error.what();
        files_->console.write_list(message_);
    }
}

RunStatus Run::open()
{
    if (status_ != RunStatus::not_open) {
        return status_;
    }
    status_ = RunStatus::running;
    guarded([this] {
        connect_fixed_files(*files_);
        clear_solute_step_terms(*state_);
        read_input(*state_, *files_);
        apply_overrides(*state_, overrides_);
        state_->direct_water_solve = fast_;
        state_->reordered_solute_sweeps = fast_;
        state_->derived_powers = fast_;
        state_->vector_powers = fast_;
        start_simulation(*state_, *files_);
        start_diagnostics(*state_, record_.diagnostics);
        books_started_ = true;
        record_.annual.start(*state_, choose_target_face(*state_, target_depth_));
        observations_ = std::make_unique<ObservationSeries>(state_->observation_depth_count);
        if (record_.numerics.mode == NumericsMode::sound) {
            step_start_ = std::make_unique<ModelState>(*state_);
        }
        for (RunObserver* observer : observers_) {
            observer->on_open(*state_);
        }
    });
    return status_;
}

RunStatus Run::step()
{
    if (status_ != RunStatus::running) {
        return status_;
    }
    guarded([this] {
        const SubnormalsFlushed arithmetic(fast_);
        if (!simulate_step(*state_, *files_, *observations_, record_, observers_, step_start_.get())) {
            status_ = RunStatus::completed;
        }
    });
    return status_;
}

void Run::close()
{
    if (closed_) {
        return;
    }
    closed_ = true;
    // The books hold the inventories of the last output time; a run that
    // ends between two of them closes them on its last state.
    if (books_started_) {
        take_inventories(*state_, record_.diagnostics);
    }
    FileSet& files = *files_;
    if (status_ == RunStatus::completed || status_ == RunStatus::stopped) {
        files.console.write_list("Stop - Program terminated.");
    }
    guarded([&files] {
        for (records::OutputUnit* unit : {&files.aus1, &files.aus2, &files.aus3, &files.aus4}) {
            if (unit->connected()) {
                unit->close();
            }
        }
    });
    try {
        files.console.close();
    } catch (const RunFailure& failure) {
        status_ = RunStatus::failed;
        message_ = failure.what();
    }
}

RunStatus run_to_end(Run& run)
{
    run.open();
    while (run.step() == RunStatus::running) {
    }
    run.close();
    return run.status();
}

int exit_status_of(const Run& run)
{
    switch (run.status()) {
    case RunStatus::completed:
        return run.record().numerically_unsafe() ? 3 : 0;
    case RunStatus::stopped:
        return 0;
    case RunStatus::failed:
        return 1;
    case RunStatus::rejected:
        return 64;
    default:  // internal, and a run that never ended
        return 2;
    }
}

}  // namespace soilcolumn
