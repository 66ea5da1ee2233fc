#pragma once
// A progress bar on one terminal line: simulated days of the total, elapsed
// and estimated remaining wall time. Redrawn at most ten times a second.

#include <chrono>
#include <ostream>
#include <string>

namespace soilcolumn::cli {

// A wall time as m:ss, or h:mm:ss from an hour on.
std::string clock_text(double seconds);

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    ProgressBar(std::ostream& out, double total_days);
    // Redraws when a tenth of a second has passed since the last drawing.
    void update(double simulated_days);
    // Clears the line.
    void finish();

    // The line for a state of the run (no carriage return), for tests.
    static std::string line(double simulated_days, double total_days, double elapsed_s);

private:
    std::ostream& out_;
    double total_days_;
    Clock::time_point start_;
    Clock::time_point last_drawn_;
    bool drawn_ = false;
};

}  // namespace soilcolumn::cli
