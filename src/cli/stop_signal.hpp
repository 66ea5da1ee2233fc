#pragma once
// Ctrl-C and SIGTERM during a batch: the handler only sets a flag (and
// remembers which signal it was), which is async-signal-safe; the batch
// starts no new member once it is set and abandons the running ones at their
// next step. The previous handlers come back when the guard ends.

#include <atomic>
#include <csignal>

namespace soilcolumn::cli {

class StopSignals {
public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();

    const std::atomic<bool>& stop_requested() const;
    // The signal that arrived, 0 when none did.
    int signal_number() const;

private:
    struct sigaction previous_interrupt_{};
    struct sigaction previous_terminate_{};
};

}  // namespace soilcolumn::cli
