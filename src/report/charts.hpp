#pragma once
// The report's charts as Vega-Lite definitions, their data inline and
// thinned (report/downsample.hpp). Each returns nothing when the run has no
// data for it; the page then says so instead of drawing an empty chart.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "report/csv_table.hpp"

namespace soilcolumn::report {

// Lines through at most this many buckets' extremes per series.
constexpr std::size_t series_buckets = 600;
// Heat maps average the output times into at most this many columns.
constexpr std::size_t heat_map_columns = 150;

// Concentration of substance `substance` (1-based) over time at each
// observation depth, in µg/L; `limit_ug_l` adds the limit as a rule.
std::optional<nlohmann::ordered_json> breakthrough_chart(const CsvTable& observations, int substance,
                                                         std::optional<double> limit_ug_l);

struct HeatMapQuantity {
    std::string column;        // of profiles.csv
    std::string title;         // legend title with unit
    double factor = 1.0;       // from the column's unit to the shown one
    bool symmetric_log = false;
};
// Depth (compartments 2..N) against time, coloured by the quantity.
std::optional<nlohmann::ordered_json> heat_map_chart(const CsvTable& profiles, const HeatMapQuantity& quantity);

// Cumulative terms of the water balance in mm.
std::optional<nlohmann::ordered_json> water_balance_chart(const CsvTable& balances);

// Where substance `substance` went, g/m2, over time.
std::optional<nlohmann::ordered_json> fate_chart(const CsvTable& balances, int substance);

// Bars of the period concentrations of one substance at the target depth
// and the lower boundary (summary.json's endpoint.substances[i]), the
// endpoints as dashed rules and the limit as a red rule.
std::optional<nlohmann::ordered_json> endpoint_chart(const nlohmann::ordered_json& substance_endpoint,
                                                     std::optional<double> limit_ug_l);

// "years 3-7" or "year 3" for a period object of the endpoint.
std::string period_label(const nlohmann::ordered_json& period);

}  // namespace soilcolumn::report
