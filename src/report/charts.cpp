#include "report/charts.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "report/downsample.hpp"

namespace soilcolumn::report {
namespace {

using nlohmann::ordered_json;

constexpr int chart_width = 640;
constexpr int chart_height = 220;
constexpr int value_digits = 4;  // significant digits of the plotted values
constexpr int time_digits = 7;   // of the clock in days: 1/100 d over 27 years

const char* time_title = "Simulated time (d)";

ordered_json number_or_null(double value)
{
    return std::isfinite(value) ? ordered_json(round_significant(value, value_digits)) : ordered_json(nullptr);
}

ordered_json time_value(double days)
{
    return round_significant(days, time_digits);
}

ordered_json base_chart(ordered_json data_values)
{
    ordered_json chart;
    chart["width"] = chart_width;
    chart["height"] = chart_height;
    chart["data"] = {{"values", std::move(data_values)}};
    return chart;
}

ordered_json time_axis_x(const char* field = "t")
{
    return {{"field", field}, {"type", "quantitative"}, {"title", time_title}};
}

std::string depth_text(double depth_m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g m", round_significant(depth_m, value_digits));
    return text;
}

std::string substance_column(const char* prefix, int substance)
{
    return std::string(prefix) + "_s" + std::to_string(substance);
}

// A line per term of wide rows {t, term...}, folded into (term, value).
ordered_json folded_lines(ordered_json rows, const std::vector<std::string>& terms, const char* value_title,
                          const char* legend_title)
{
    ordered_json chart = base_chart(std::move(rows));
    chart["transform"] = ordered_json::array({{{"fold", terms}, {"as", {"term", "value"}}},
                                             {{"filter", "isValid(datum.value)"}}});
    chart["mark"] = {{"type", "line"}, {"interpolate", "linear"}, {"strokeWidth", 1.5}};
    chart["encoding"] = {
        {"x", time_axis_x()},
        {"y", {{"field", "value"}, {"type", "quantitative"}, {"title", value_title}}},
        {"color", {{"field", "term"}, {"type", "nominal"}, {"title", legend_title}, {"sort", terms}}},
        {"tooltip", ordered_json::array({{{"field", "term"}, {"title", legend_title}},
                                         {{"field", "t"}, {"title", "time (d)"}, {"format", ".2f"}},
                                         {{"field", "value"}, {"title", value_title}, {"format", ".4~g"}}})}};
    return chart;
}

// Rows of the balances table kept for lines of the given columns.
std::vector<std::size_t> kept_balance_rows(const CsvTable& balances, const std::vector<std::string>& columns)
{
    std::vector<std::size_t> rows(balances.rows());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    std::vector<const std::vector<double>*> series;
    for (const std::string& name : columns) series.push_back(&balances.column(name));
    std::vector<std::size_t> kept = keep_extremes(rows, series, series_buckets);
    for (std::size_t& position : kept) position = rows[position];
    return kept;
}

}  // namespace

std::string period_label(const ordered_json& period)
{
    const auto year = [&](const char* key) {
        return period.contains(key) && period[key].is_number() ? std::to_string(period[key].get<long long>())
                                                               : std::string("?");
    };
    const std::string first = year("first_year");
    const std::string last = year("last_year");
    return first == last ? "year " + first : "years " + first + "-" + last;
}

std::optional<ordered_json> breakthrough_chart(const CsvTable& observations, int substance,
                                              std::optional<double> limit_ug_l)
{
    const std::string conc = substance_column("conc_total_g_m3", substance);
    if (!observations.has(conc) || observations.rows() == 0) return std::nullopt;
    const auto& time = observations.column("time_d");
    const auto& index = observations.column("depth_index");
    const auto& depth = observations.column("depth_m");
    const auto& value = observations.column(conc);
    std::map<double, std::vector<std::size_t>> rows_of_depth;  // by depth index
    for (std::size_t i = 0; i < observations.rows(); ++i) rows_of_depth[index[i]].push_back(i);

    ordered_json rows = ordered_json::array();
    std::vector<std::string> depth_order;
    for (const auto& [k, rows_here] : rows_of_depth) {
        const std::string label = depth_text(depth[rows_here.front()]);
        depth_order.push_back(label);
        for (const std::size_t position : keep_extremes(rows_here, {&value}, series_buckets)) {
            const std::size_t i = rows_here[position];
            rows.push_back({{"t", time_value(time[i])}, {"depth", label}, {"c", number_or_null(value[i] * 1000.0)}});
        }
    }
    ordered_json line = {
        {"mark", {{"type", "line"}, {"strokeWidth", 1.5}}},
        {"transform", ordered_json::array({{{"filter", "isValid(datum.c)"}}})},
        {"encoding",
         {{"x", time_axis_x()},
          {"y", {{"field", "c"}, {"type", "quantitative"}, {"title", "Concentration (µg/L)"}}},
          {"color", {{"field", "depth"}, {"type", "nominal"}, {"title", "Observation depth"}, {"sort", depth_order}}},
          {"tooltip", ordered_json::array({{{"field", "depth"}, {"title", "depth"}},
                                           {{"field", "t"}, {"title", "time (d)"}, {"format", ".2f"}},
                                           {{"field", "c"}, {"title", "concentration (µg/L)"}, {"format", ".4~g"}}})}}}};
    ordered_json chart = base_chart(std::move(rows));
    chart["layer"] = ordered_json::array({line});
    if (limit_ug_l && std::isfinite(*limit_ug_l)) {
        chart["layer"].push_back(
            {{"data", {{"values", ordered_json::array({{{"limit", *limit_ug_l}}})}}},
             {"mark", {{"type", "rule"}, {"color", "#c0392b"}, {"strokeWidth", 1.5}}},
             {"encoding",
              {{"y", {{"field", "limit"}, {"type", "quantitative"}}},
               {"tooltip", ordered_json::array({{{"field", "limit"}, {"title", "limit (µg/L)"}}})}}}});
    }
    return chart;
}

std::optional<ordered_json> heat_map_chart(const CsvTable& profiles, const HeatMapQuantity& quantity)
{
    if (!profiles.has(quantity.column) || profiles.rows() == 0) return std::nullopt;
    const auto& time = profiles.column("time_d");
    const auto& compartment = profiles.column("compartment");
    const auto& depth = profiles.column("depth_m");
    const auto& thickness = profiles.column("thickness_m");
    const auto& value = profiles.column(quantity.column);

    // The output times, and the row of each compartment at each of them.
    std::vector<double> times;
    std::vector<std::map<int, std::size_t>> row_at;
    for (std::size_t i = 0; i < profiles.rows(); ++i) {
        if (times.empty() || time[i] != times.back()) {
            times.push_back(time[i]);
            row_at.emplace_back();
        }
        row_at.back()[static_cast<int>(compartment[i])] = i;
    }
    // The geometry of the first output: compartment 2 starts at the soil surface.
    std::vector<int> shown;
    ordered_json layers = ordered_json::array();
    double surface = 0.0;
    bool first = true;
    for (const auto& [c, i] : row_at.front()) {
        if (c < 2) continue;
        if (first) surface = depth[i] - 0.5 * thickness[i];
        first = false;
        shown.push_back(c);
        layers.push_back({{"k", c},
                          {"z0", round_significant(depth[i] - 0.5 * thickness[i] - surface, 6)},
                          {"z1", round_significant(depth[i] + 0.5 * thickness[i] - surface, 6)}});
    }
    if (shown.empty()) return std::nullopt;

    ordered_json columns = ordered_json::array();
    double largest = 0.0;
    for (const IndexRun& bin : group_evenly(times.size(), heat_map_columns)) {
        const double t0 = bin.first > 0 ? times[bin.first - 1] : std::min(0.0, times[bin.first]);
        ordered_json values = ordered_json::array();
        for (const int c : shown) {
            double sum = 0.0;
            int count = 0;
            for (std::size_t t = bin.first; t <= bin.last; ++t) {
                const auto found = row_at[t].find(c);
                if (found == row_at[t].end() || !std::isfinite(value[found->second])) continue;
                sum += value[found->second] * quantity.factor;
                ++count;
            }
            const double mean = count > 0 ? sum / count : std::nan("");
            if (count > 0) largest = std::max(largest, std::abs(mean));
            values.push_back(number_or_null(mean));
        }
        columns.push_back({{"t0", time_value(t0)}, {"t1", time_value(times[bin.last])}, {"v", values}, {"k", shown}});
    }

    ordered_json color_scale = {{"scheme", "viridis"}};
    if (quantity.symmetric_log) {
        color_scale["type"] = "symlog";
        // Linear only near zero, logarithmic over the last three decades.
        color_scale["constant"] = largest > 0.0 ? round_significant(largest / 1000.0, 2) : 1.0;
    }
    ordered_json chart = base_chart(std::move(columns));
    chart["transform"] = ordered_json::array(
        {{{"flatten", {"v", "k"}}},
         {{"lookup", "k"}, {"from", {{"data", {{"values", layers}}}, {"key", "k"}, {"fields", {"z0", "z1"}}}}},
         {{"filter", "isValid(datum.v)"}}});
    chart["mark"] = {{"type", "rect"}};
    chart["encoding"] = {
        {"x", {{"field", "t0"}, {"type", "quantitative"}, {"title", time_title}}},
        {"x2", {{"field", "t1"}}},
        {"y", {{"field", "z0"}, {"type", "quantitative"}, {"title", "Depth below the soil surface (m)"},
               {"scale", {{"reverse", true}, {"zero", true}}}}},
        {"y2", {{"field", "z1"}}},
        {"color", {{"field", "v"}, {"type", "quantitative"}, {"title", quantity.title}, {"scale", color_scale}}},
        {"tooltip", ordered_json::array({{{"field", "t0"}, {"title", "from (d)"}, {"format", ".2f"}},
                                         {{"field", "t1"}, {"title", "to (d)"}, {"format", ".2f"}},
                                         {{"field", "k"}, {"title", "compartment"}},
                                         {{"field", "z0"}, {"title", "top (m)"}},
                                         {{"field", "z1"}, {"title", "bottom (m)"}},
                                         {{"field", "v"}, {"title", quantity.title}, {"format", ".4~g"}}})}};
    return chart;
}

std::optional<ordered_json> water_balance_chart(const CsvTable& balances)
{
    if (balances.rows() == 0) return std::nullopt;
    std::vector<std::string> columns{"precipitation_m", "infiltration_m", "evaporation_m", "recharge_m",
                                     "surface_runoff_m"};
    const bool snow = balances.has("snow_total_m");
    if (snow) columns.push_back("snow_total_m");
    const std::vector<std::string> terms{"precipitation", "infiltration", "evaporation", "recharge",
                                         "surface runoff", "snowfall", "storage change"};
    const auto& time = balances.column("time_d");
    ordered_json rows = ordered_json::array();
    for (const std::size_t i : kept_balance_rows(balances, columns)) {
        ordered_json row = {{"t", time_value(time[i])}};
        for (std::size_t k = 0; k < columns.size(); ++k) row[terms[k]] = number_or_null(balances.column(columns[k])[i] * 1000.0);
        // Recharge is the residual of the balance, so this is the change
        // of storage since the start exactly.
        row["storage change"] = number_or_null((balances.column("infiltration_m")[i] - balances.column("evaporation_m")[i] -
                                                balances.column("recharge_m")[i]) * 1000.0);
        rows.push_back(std::move(row));
    }
    std::vector<std::string> shown(terms.begin(), terms.begin() + static_cast<long>(columns.size()));
    shown.push_back("storage change");
    return folded_lines(std::move(rows), shown, "Cumulative water (mm)", "Term");
}

std::optional<ordered_json> fate_chart(const CsvTable& balances, int substance)
{
    struct Term {
        const char* column;
        const char* name;
        double sign;
    };
    const Term terms[] = {
        {"entered_g_m2", "applied (entered the soil)", 1.0},
        {"transformed_g_m2", "degraded", -1.0},  // the table counts degradation negative
        {"leached_g_m2", "leached", 1.0},
        {"dissolved_g_m2", "held dissolved", 1.0},
        {"sorbed_g_m2", "sorbed", 1.0},
        {"gaseous_g_m2", "gaseous", 1.0},
        {"irreversible_g_m2", "irreversibly sorbed", 1.0},
    };
    if (balances.rows() == 0 || !balances.has(substance_column("entered_g_m2", substance))) return std::nullopt;
    std::vector<std::string> columns;
    std::vector<std::string> names;
    std::vector<double> signs;
    for (const Term& term : terms) {
        const std::string column = substance_column(term.column, substance);
        if (!balances.has(column)) continue;
        columns.push_back(column);
        names.push_back(term.name);
        signs.push_back(term.sign);
    }
    const auto& time = balances.column("time_d");
    ordered_json rows = ordered_json::array();
    for (const std::size_t i : kept_balance_rows(balances, columns)) {
        ordered_json row = {{"t", time_value(time[i])}};
        for (std::size_t k = 0; k < columns.size(); ++k) row[names[k]] = number_or_null(signs[k] * balances.column(columns[k])[i]);
        rows.push_back(std::move(row));
    }
    return folded_lines(std::move(rows), names, "Mass (g/m²)", "Fate");
}

std::optional<ordered_json> endpoint_chart(const ordered_json& substance_endpoint, std::optional<double> limit_ug_l)
{
    ordered_json bars = ordered_json::array();
    ordered_json rules = ordered_json::array();
    std::vector<std::string> order;
    const std::pair<const char*, const char*> locations[] = {{"target", "target depth"}, {"lower", "lower boundary"}};
    for (const auto& [key, name] : locations) {
        if (!substance_endpoint.contains(key) || !substance_endpoint[key].is_object()) continue;
        const ordered_json& e = substance_endpoint[key];
        if (e.contains("periods") && e["periods"].is_array()) {
            for (const ordered_json& period : e["periods"]) {
                if (!period.contains("concentration_ug_l") || !period["concentration_ug_l"].is_number()) continue;
                const std::string label = period_label(period);
                if (std::find(order.begin(), order.end(), label) == order.end()) order.push_back(label);
                bars.push_back({{"period", label},
                                {"location", name},
                                {"c", period["concentration_ug_l"]},
                                {"water_mm", period.value("water_mm", ordered_json(nullptr))},
                                {"mass_g_m2", period.value("mass_g_m2", ordered_json(nullptr))}});
            }
        }
        if (e.contains("value_ug_l") && e["value_ug_l"].is_number()) {
            rules.push_back({{"location", name}, {"c", e["value_ug_l"]}});
        }
    }
    if (bars.empty()) return std::nullopt;
    const ordered_json color = {{"field", "location"}, {"type", "nominal"}, {"title", "Where"},
                                {"scale", {{"domain", {"target depth", "lower boundary"}}}}};
    ordered_json layer = ordered_json::array();
    layer.push_back(
        {{"data", {{"values", bars}}},
         {"mark", {{"type", "bar"}}},
         {"encoding",
          {{"x", {{"field", "period"}, {"type", "nominal"}, {"title", "Period"}, {"sort", order}, {"axis", {{"labelAngle", -40}}}}},
           {"xOffset", {{"field", "location"}, {"type", "nominal"}, {"sort", {"target depth", "lower boundary"}}}},
           {"y", {{"field", "c"}, {"type", "quantitative"}, {"title", "Mean concentration (µg/L)"}}},
           {"color", color},
           {"tooltip", ordered_json::array({{{"field", "period"}},
                                            {{"field", "location"}, {"title", "where"}},
                                            {{"field", "c"}, {"title", "concentration (µg/L)"}, {"format", ".4~g"}},
                                            {{"field", "water_mm"}, {"title", "water (mm)"}, {"format", ".4~g"}},
                                            {{"field", "mass_g_m2"}, {"title", "mass (g/m²)"}, {"format", ".4~g"}}})}}}});
    if (!rules.empty()) {
        layer.push_back({{"data", {{"values", rules}}},
                         {"mark", {{"type", "rule"}, {"strokeDash", {6, 4}}, {"strokeWidth", 2}}},
                         {"encoding",
                          {{"y", {{"field", "c"}, {"type", "quantitative"}}},
                           {"color", color},
                           {"tooltip", ordered_json::array({{{"field", "location"}, {"title", "endpoint at"}},
                                                            {{"field", "c"}, {"title", "endpoint (µg/L)"}, {"format", ".4~g"}}})}}}});
    }
    if (limit_ug_l && std::isfinite(*limit_ug_l)) {
        layer.push_back({{"data", {{"values", ordered_json::array({{{"limit", *limit_ug_l}}})}}},
                         {"mark", {{"type", "rule"}, {"color", "#c0392b"}, {"strokeWidth", 2}}},
                         {"encoding",
                          {{"y", {{"field", "limit"}, {"type", "quantitative"}}},
                           {"tooltip", ordered_json::array({{{"field", "limit"}, {"title", "limit (µg/L)"}}})}}}});
    }
    ordered_json chart;
    chart["width"] = chart_width;
    chart["height"] = chart_height;
    chart["layer"] = layer;
    return chart;
}

}  // namespace soilcolumn::report
