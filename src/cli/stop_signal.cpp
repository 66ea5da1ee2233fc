#include "cli/stop_signal.hpp"

namespace soilcolumn::cli {
namespace {

// Plain lock-free atomics: safe to store to from a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
std::atomic<bool> stop_flag{false};
std::atomic<int> arrived_signal{0};

extern "C" void on_stop_signal(int signal_number)
{
    arrived_signal.store(signal_number, std::memory_order_relaxed);
    stop_flag.store(true, std::memory_order_relaxed);
}

}  // namespace

StopSignals::StopSignals()
{
    stop_flag.store(false);
    arrived_signal.store(0);
    struct sigaction action{};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &previous_interrupt_);
    sigaction(SIGTERM, &action, &previous_terminate_);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &previous_interrupt_, nullptr);
    sigaction(SIGTERM, &previous_terminate_, nullptr);
}

const std::atomic<bool>& StopSignals::stop_requested() const { return stop_flag; }

int StopSignals::signal_number() const { return arrived_signal.load(); }

}  // namespace soilcolumn::cli
