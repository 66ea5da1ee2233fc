#include "endpoint/endpoint.hpp"

#include <algorithm>
#include <cmath>

#include "endpoint/annual_balances.hpp"

namespace soilcolumn {
namespace {

// The 80th percentile with linear interpolation between the order
// statistics x(1) <= ... <= x(n) at position 1 + 0.8 (n - 1).
double percentile_80(const std::vector<double>& sorted)
{
    const double position = 0.8 * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (position - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

// Why a run has no evaluation period at all: it is shorter than the warm-up
// and one period together.
std::string no_period_note(const std::vector<YearLeaching>& years, const EndpointSettings& settings)
{
    const auto complete = std::count_if(years.begin(), years.end(), [](const YearLeaching& y) { return y.complete; });
    return "no evaluation period: " + std::to_string(complete) + " complete years simulated, the warm-up takes "
           + std::to_string(settings.warm_up_years) + " and a period " + std::to_string(settings.period_years)
           + ": no endpoint";
}

}  // namespace

std::vector<LeachingPeriod> evaluation_periods(const std::vector<YearLeaching>& years, const EndpointSettings& settings)
{
    std::vector<LeachingPeriod> periods;
    const int length = std::max(settings.period_years, 1);
    std::size_t first = 0;
    // The warm-up counts the complete years from the start.
    int warm_up = settings.warm_up_years;
    while (first < years.size() && (warm_up > 0 || !years[first].complete)) {
        warm_up -= years[first].complete ? 1 : 0;
        ++first;
    }
    for (std::size_t y = first; y + static_cast<std::size_t>(length) <= years.size(); y += static_cast<std::size_t>(length)) {
        LeachingPeriod period{static_cast<int>(y) + 1, static_cast<int>(y) + length, 0.0, 0.0, std::nullopt};
        bool complete = true;
        for (std::size_t k = y; k < y + static_cast<std::size_t>(length); ++k) {
            complete = complete && years[k].complete;
            period.water += years[k].water;
            period.mass += years[k].mass;
        }
        if (!complete) {
            break;
        }
        period.concentration = flux_averaged_concentration(period.mass, period.water);
        periods.push_back(period);
    }
    return periods;
}

Endpoint endpoint_of(std::vector<LeachingPeriod> periods, double limit)
{
    Endpoint result;
    result.periods = periods;
    std::vector<LeachingPeriod> ranked;
    for (const LeachingPeriod& period : periods) {
        if (period.concentration) {
            ranked.push_back(period);
        }
    }
    result.usable_periods = static_cast<int>(ranked.size());
    const int n = result.usable_periods;
    if (n < 2) {
        result.note = "fewer than 2 evaluation periods with percolation (" + std::to_string(n) + " of "
                      + std::to_string(periods.size()) + "): no endpoint";
        return result;
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const LeachingPeriod& a, const LeachingPeriod& b) {
        return *a.concentration < *b.concentration;
    });
    int lower = static_cast<int>(std::floor(0.8 * n));
    int upper = static_cast<int>(std::ceil(0.8 * n));
    if (upper == lower) {
        upper = lower + 1;
    }
    lower = std::max(lower, 1);
    upper = std::min(upper, n);
    const LeachingPeriod& a = ranked[static_cast<std::size_t>(lower - 1)];
    const LeachingPeriod& b = ranked[static_cast<std::size_t>(upper - 1)];
    result.lower_rank_period = a;
    result.upper_rank_period = b;
    result.value = flux_averaged_concentration(a.mass + b.mass, a.water + b.water);
    std::vector<double> sorted;
    for (const LeachingPeriod& period : ranked) {
        sorted.push_back(*period.concentration);
    }
    result.percentile_80 = percentile_80(sorted);
    result.exceeds_limit = *result.value > limit;
    return result;
}

Endpoint endpoint_at(const AnnualBalances& annual, int s, bool lower_face, const EndpointSettings& settings)
{
    std::vector<YearLeaching> years;
    for (const YearBalance& year : annual.years()) {
        const YearSubstance& books = year.substances[static_cast<std::size_t>(s - 1)];
        years.push_back({!year.partial, lower_face ? year.water_lower : year.water_target,
                         lower_face ? books.leached_lower : books.leached_target});
    }
    Endpoint endpoint = endpoint_of(evaluation_periods(years, settings), settings.limit);
    if (endpoint.periods.empty()) {
        endpoint.note = no_period_note(years, settings);
    }
    return endpoint;
}

}  // namespace soilcolumn
