#include "report/downsample.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace soilcolumn::report {

std::vector<std::size_t> keep_extremes(const std::vector<std::size_t>& rows,
                                       const std::vector<const std::vector<double>*>& series,
                                       std::size_t buckets)
{
    const std::size_t n = rows.size();
    std::vector<std::size_t> kept;
    if (buckets == 0 || n <= 2 * buckets + 2) {
        kept.resize(n);
        for (std::size_t i = 0; i < n; ++i) kept[i] = i;
        return kept;
    }
    kept.push_back(0);
    for (const IndexRun& run : group_evenly(n - 2, buckets)) {
        const std::size_t first = run.first + 1;  // positions 1..n-2 between the ends
        const std::size_t last = run.last + 1;
        std::vector<std::size_t> here;
        for (const std::vector<double>* values : series) {
            std::size_t low = first, high = first;
            bool any = false;
            for (std::size_t i = first; i <= last; ++i) {
                const double v = (*values)[rows[i]];
                if (std::isnan(v)) continue;
                if (!any) {
                    low = high = i;
                    any = true;
                    continue;
                }
                if (v < (*values)[rows[low]]) low = i;
                if (v > (*values)[rows[high]]) high = i;
            }
            here.push_back(low);
            here.push_back(high);
        }
        if (here.empty()) here.push_back(first);
        std::sort(here.begin(), here.end());
        here.erase(std::unique(here.begin(), here.end()), here.end());
        kept.insert(kept.end(), here.begin(), here.end());
    }
    kept.push_back(n - 1);
    return kept;
}

std::vector<IndexRun> group_evenly(std::size_t count, std::size_t most)
{
    std::vector<IndexRun> runs;
    if (count == 0 || most == 0) return runs;
    const std::size_t groups = std::min(count, most);
    for (std::size_t g = 0; g < groups; ++g) {
        // Boundaries at round(g * count / groups): lengths differ by one at most.
        const std::size_t first = g * count / groups;
        const std::size_t next = (g + 1) * count / groups;
        runs.push_back({first, next - 1});
    }
    return runs;
}

double round_significant(double value, int digits)
{
    if (!std::isfinite(value) || value == 0.0) return value;
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    return std::strtod(text, nullptr);
}

}  // namespace soilcolumn::report
