#pragma once
// The regulatory exports: annual.csv (one row per calendar year of the
// weather, water in mm and substance in g/m2, with the flux-averaged
// leachate concentrations in ug/L), the same years for summary.json, and
// the endpoint of every substance at the target face and the lower face.

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "endpoint/annual_balances.hpp"
#include "endpoint/endpoint.hpp"
#include "exports/number_text.hpp"

namespace soilcolumn::exports {

// Receives one field of a year; no value where it is not defined (a
// concentration without percolation).
using YearFieldSink = std::function<void(std::string_view name, int substance, const std::optional<Number>& value)>;

void visit_year_fields(const YearBalance& year, int substances, const YearFieldSink& sink);

// Writes annual.csv; "NA" where a value is not defined. Throws RunFailure
// or OpenError when the file cannot be written.
void write_annual_table(const std::filesystem::path& path, const AnnualBalances& annual, int substances);

nlohmann::ordered_json annual_json(const AnnualBalances& annual, int substances);

nlohmann::ordered_json endpoint_json(const AnnualBalances& annual, int substances, const EndpointRequest& request);

}  // namespace soilcolumn::exports
