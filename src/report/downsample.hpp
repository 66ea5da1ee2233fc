#pragma once
// Thinning long series so that a report of a 26-year hourly run stays a few
// megabytes, without losing what a reader looks for (peaks, the last value).

#include <cstddef>
#include <vector>

namespace soilcolumn::report {

// The positions (into `rows`, which lists table rows in time order) to keep
// when a line through them should look like a line through all: the first
// and the last, and in each of `buckets` stretches of equal length the
// positions of the least and the largest value of every series, in order.
// NaN values never count as extremes. Everything is kept when there are at
// most 2 * buckets + 2 rows.
std::vector<std::size_t> keep_extremes(const std::vector<std::size_t>& rows,
                                       const std::vector<const std::vector<double>*>& series,
                                       std::size_t buckets);

// `count` consecutive items grouped into at most `most` runs of nearly
// equal length: the [first, last] index of each, covering 0..count-1.
struct IndexRun {
    std::size_t first = 0;
    std::size_t last = 0;
};
std::vector<IndexRun> group_evenly(std::size_t count, std::size_t most);

// The value with `digits` significant decimal digits (a shorter number in
// the report's data); non-finite values and zero unchanged.
double round_significant(double value, int digits);

}  // namespace soilcolumn::report
