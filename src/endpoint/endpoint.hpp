#pragma once
// The regulatory answer to "how much reaches the groundwater": the
// flux-averaged concentration of the leachate at a target depth, ranked over
// the evaluation periods after a warm-up. Periods of 1, 2 or 3 complete years
// (for yearly, biennial and triennial applications); per period the
// concentration is the leached mass over the percolated water; the periods
// are ordered by increasing concentration, and with n of them the two at the
// 1-based ranks floor(0.8 n) and ceil(0.8 n) (when equal, the second is the
// next rank) give the endpoint: their summed mass over their summed water.
// For 20 periods that is the 16th and the 17th.

#include <optional>
#include <string>
#include <vector>

namespace soilcolumn {

struct LeachingPeriod {
    int first_year = 0;  // 1-based year index of the run
    int last_year = 0;
    double water = 0.0;  // m percolated, net downward
    double mass = 0.0;   // g/m2 leached, net downward
    std::optional<double> concentration;  // ug/L; none without percolation
};

struct EndpointSettings {
    int warm_up_years = 6;
    int period_years = 1;
    double limit = 0.1;  // ug/L
};

// How an endpoint is asked for: the target depth given (none: the default
// of 1 m) and the evaluation settings.
struct EndpointRequest {
    std::optional<double> target_depth{};
    EndpointSettings settings{};
};

struct Endpoint {
    std::vector<LeachingPeriod> periods;  // every evaluation period, in the order of the run
    int usable_periods = 0;               // those with percolation
    std::optional<double> value;          // ug/L
    std::optional<LeachingPeriod> lower_rank_period;  // the two periods it came from
    std::optional<LeachingPeriod> upper_rank_period;
    std::optional<double> percentile_80;  // ug/L, linear between order statistics
    std::optional<bool> exceeds_limit;
    std::string note;  // why there is no value, when there is none
};

// Groups the complete years after the warm-up into periods; `years` holds,
// per year of the run in order, whether it is complete and its water and
// mass at the depth evaluated.
struct YearLeaching {
    bool complete = false;
    double water = 0.0;
    double mass = 0.0;
};
std::vector<LeachingPeriod> evaluation_periods(const std::vector<YearLeaching>& years, const EndpointSettings& settings);

// The endpoint of the periods by the ranking and pairing rule above.
Endpoint endpoint_of(std::vector<LeachingPeriod> periods, double limit);

class AnnualBalances;

// The endpoint of substance s at the target face or at the lower face.
Endpoint endpoint_at(const AnnualBalances& annual, int s, bool lower_face, const EndpointSettings& settings);

}  // namespace soilcolumn
