#include "cli/progress.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace soilcolumn::cli {
namespace {

constexpr int bar_width = 30;

}  // namespace

std::string clock_text(double seconds)
{
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

ProgressBar::ProgressBar(std::ostream& out, double total_days)
    : out_(out), total_days_(total_days), start_(Clock::now())
{
}

std::string ProgressBar::line(double simulated_days, double total_days, double elapsed_s)
{
    const double share = total_days > 0.0 ? std::clamp(simulated_days / total_days, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(share * bar_width);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(bar_width, '.');
    char text[160];
    const std::string remaining =
        share > 0.0 ? clock_text(elapsed_s * (1.0 - share) / share) : std::string("?");
    std::snprintf(text, sizeof text, "[%s] %3d%%  %.1f of %.1f days  elapsed %s  remaining %s",
                  bar.c_str(), static_cast<int>(share * 100.0), std::max(0.0, simulated_days),
                  total_days, clock_text(elapsed_s).c_str(), remaining.c_str());
    return text;
}

void ProgressBar::update(double simulated_days)
{
    const Clock::time_point now = Clock::now();
    if (drawn_ && now - last_drawn_ < std::chrono::milliseconds(100)) {
        return;
    }
    drawn_ = true;
    last_drawn_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    out_ << '\r' << line(simulated_days, total_days_, elapsed) << "\x1b[K" << std::flush;
}

void ProgressBar::finish()
{
    if (drawn_) {
        out_ << "\r\x1b[K" << std::flush;
    }
}

}  // namespace soilcolumn::cli
