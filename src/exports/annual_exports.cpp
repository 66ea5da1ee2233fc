#include "exports/annual_exports.hpp"

#include "exports/csv_exports.hpp"
#include "exports/fields.hpp"

namespace soilcolumn::exports {
namespace {

using nlohmann::ordered_json;

constexpr double mm_per_m = 1000.0;

ordered_json json_of(const std::optional<double>& value)
{
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json json_of(const std::optional<Number>& value)
{
    if (!value) {
        return nullptr;
    }
    return std::visit([](auto v) { return ordered_json(v); }, *value);
}

ordered_json period_json(const LeachingPeriod& period)
{
    ordered_json json;
    json["first_year"] = period.first_year;
    json["last_year"] = period.last_year;
    json["water_mm"] = period.water * mm_per_m;
    json["mass_g_m2"] = period.mass;
    json["concentration_ug_l"] = json_of(period.concentration);
    return json;
}

ordered_json optional_period_json(const std::optional<LeachingPeriod>& period)
{
    return period ? period_json(*period) : ordered_json(nullptr);
}

ordered_json evaluation_json(const Endpoint& endpoint)
{
    ordered_json json;
    json["value_ug_l"] = json_of(endpoint.value);
    json["exceeds_limit"] = endpoint.exceeds_limit ? ordered_json(*endpoint.exceeds_limit) : ordered_json(nullptr);
    json["percentile_80_ug_l"] = json_of(endpoint.percentile_80);
    json["usable_periods"] = endpoint.usable_periods;
    ordered_json periods = ordered_json::array();
    for (const LeachingPeriod& period : endpoint.periods) periods.push_back(period_json(period));
    json["periods"] = periods;
    json["lower_rank_period"] = optional_period_json(endpoint.lower_rank_period);
    json["upper_rank_period"] = optional_period_json(endpoint.upper_rank_period);
    json["note"] = endpoint.note;
    return json;
}

// A face of the column, or nulls before the run knew its column.
void add_face(ordered_json& json, const char* name, const TargetFace& face)
{
    const bool known = face.face > 0;
    json[std::string(name)] = known ? ordered_json(face.face) : ordered_json(nullptr);
    json[std::string(name) + "_depth_m"] = known ? ordered_json(face.depth) : ordered_json(nullptr);
}

}  // namespace

void visit_year_fields(const YearBalance& year, int substances, const YearFieldSink& sink)
{
    sink("year", 0, std::int64_t{year.index});
    sink("weather_year", 0, std::int64_t{year.weather_year});
    sink("partial", 0, std::int64_t{year.partial ? 1 : 0});
    sink("first_day", 0, year.first_day);
    sink("last_day", 0, year.last_day);
    sink("precipitation_mm", 0, year.precipitation * mm_per_m);
    sink("snow_mm", 0, year.snow * mm_per_m);
    sink("evaporation_mm", 0, year.evaporation * mm_per_m);
    sink("infiltration_mm", 0, year.infiltration * mm_per_m);
    sink("ponded_mm", 0, year.ponded * mm_per_m);
    sink("water_target_mm", 0, year.water_target * mm_per_m);
    sink("water_lower_mm", 0, year.water_lower * mm_per_m);
    sink("storage_change_mm", 0, year.storage_change * mm_per_m);
    const auto substance = [&year](int s) -> const YearSubstance& {
        return year.substances[static_cast<std::size_t>(s - 1)];
    };
    const auto concentration = [](double mass, double water) -> std::optional<Number> {
        if (const auto value = flux_averaged_concentration(mass, water)) return Number{*value};
        return std::nullopt;
    };
    for (int s = 1; s <= substances; ++s) {
        sink("applied_g_m2", s, substance(s).applied);
        sink("degraded_g_m2", s, substance(s).degraded);
        sink("leached_target_g_m2", s, substance(s).leached_target);
        sink("leached_lower_g_m2", s, substance(s).leached_lower);
        sink("conc_target_ug_l", s, concentration(substance(s).leached_target, year.water_target));
        sink("conc_lower_ug_l", s, concentration(substance(s).leached_lower, year.water_lower));
    }
}

void write_annual_table(const std::filesystem::path& path, const AnnualBalances& annual, int substances)
{
    CsvTable table(path);
    table.create();
    std::vector<std::string> names;
    visit_year_fields(YearBalance{}, substances, [&names](std::string_view name, int s, const auto&) {
        names.push_back(field_name(name, s));
    });
    table.write_header(names);
    for (const YearBalance& year : annual.years()) {
        visit_year_fields(year, substances, [&table](std::string_view, int, const std::optional<Number>& value) {
            if (value) {
                table.add(*value);
            } else {
                table.add_not_defined();
            }
        });
        table.end_row();
    }
    table.close();
}

ordered_json annual_json(const AnnualBalances& annual, int substances)
{
    ordered_json list = ordered_json::array();
    for (const YearBalance& year : annual.years()) {
        ordered_json row;
        visit_year_fields(year, substances, [&row](std::string_view name, int s, const std::optional<Number>& value) {
            row[field_name(name, s)] = json_of(value);
        });
        row["partial"] = year.partial;
        list.push_back(row);
    }
    return list;
}

ordered_json endpoint_json(const AnnualBalances& annual, int substances, const EndpointRequest& request)
{
    ordered_json json;
    json["target_depth_m"] = request.target_depth.value_or(1.0);
    add_face(json, "target_face", annual.target());
    add_face(json, "lower_face", annual.lower());
    json["warm_up_years"] = request.settings.warm_up_years;
    json["period_years"] = request.settings.period_years;
    json["limit_ug_l"] = request.settings.limit;
    ordered_json list = ordered_json::array();
    for (int s = 1; s <= substances; ++s) {
        ordered_json entry;
        entry["substance"] = s;
        entry["target"] = evaluation_json(endpoint_at(annual, s, false, request.settings));
        entry["lower"] = evaluation_json(endpoint_at(annual, s, true, request.settings));
        list.push_back(entry);
    }
    json["substances"] = list;
    return json;
}

}  // namespace soilcolumn::exports
