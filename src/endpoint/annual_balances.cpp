#include "endpoint/annual_balances.hpp"

#include <cmath>
#include <sstream>

#include "diagnostics/run_diagnostics.hpp"
#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

// Depth of face f below the soil surface (face 2), summed in 64-bit.
double face_depth(const ModelState& st, int f)
{
    double depth = 0.0;
    for (int c = 2; c < f; ++c) {
        depth += st.compartment_thickness(c);
    }
    return depth;
}

bool is_first_of_january(const ModelState& st) { return st.weather_date[0] == 1 && st.weather_date[1] == 1; }
bool is_new_year_s_eve(const ModelState& st) { return st.weather_date[0] == 31 && st.weather_date[1] == 12; }

}  // namespace

std::optional<TargetFace> target_face_near(const ModelState& st, double depth, std::string& message)
{
    const int n = st.compartment_count;
    const double bottom = face_depth(st, n);
    if (!std::isfinite(depth) || depth < 0.0 || depth > bottom) {
        std::ostringstream text;
        text << "target depth " << depth << " m lies outside the column (0 to " << bottom << " m)";
        message = text.str();
        return std::nullopt;
    }
    TargetFace nearest{2, 0.0};
    for (int f = 3; f <= n; ++f) {
        const double d = face_depth(st, f);
        if (std::fabs(d - depth) < std::fabs(nearest.depth - depth)) {
            nearest = {f, d};
        }
    }
    return nearest;
}

TargetFace lower_face(const ModelState& st) { return {st.compartment_count, face_depth(st, st.compartment_count)}; }

std::optional<double> flux_averaged_concentration(double mass, double water)
{
    if (!(water > 0.0)) {
        return std::nullopt;
    }
    return 1000.0 * mass / water;  // g/m3 is mg/L
}

void AnnualBalances::start(const ModelState& st, const TargetFace& target)
{
    target_ = target;
    lower_ = lower_face(st);
    years_.clear();
    // One year more than the period spans, and one for a partial start.
    years_.reserve(static_cast<std::size_t>(st.simulation_end / (365.0 * clock_seconds_per_day)) + 3);
    storage_at_year_start_ = storage_now_ = stored_water(st);
    last_precipitation_total_ = st.precipitation_total;
    last_snow_total_ = st.snow_total;
    last_day_was_year_end_ = false;
}

YearBalance& AnnualBalances::year_in_force(const ModelState& st)
{
    if (years_.empty() || years_.back().weather_year != st.weather_date[2]) {
        if (!years_.empty()) {
            YearBalance& ended = years_.back();
            ended.partial = ended.partial || !last_day_was_year_end_;
            ended.storage_change = storage_now_ - storage_at_year_start_;
            storage_at_year_start_ = storage_now_;
        }
        YearBalance year;
        year.index = static_cast<int>(years_.size()) + 1;
        year.weather_year = st.weather_date[2];
        year.partial = !is_first_of_january(st);
        year.first_day = st.simulation_time / clock_seconds_per_day;
        years_.push_back(year);
    }
    return years_.back();
}

void AnnualBalances::book_step(const ModelState& st, const StageResult& corrector)
{
    YearBalance& year = year_in_force(st);
    const double dt = st.time_step;
    const int n = lower_.face;
    const int f = target_.face;
    year.last_day = st.simulation_time / clock_seconds_per_day;
    year.precipitation += static_cast<double>(st.precipitation_total) - last_precipitation_total_;
    year.snow += st.snow_total - last_snow_total_;
    last_precipitation_total_ = st.precipitation_total;
    last_snow_total_ = st.snow_total;
    year.evaporation += static_cast<double>(st.soil_evaporation) * dt;
    year.infiltration += corrector.fluxes.water(2) * dt;
    year.ponded += st.surface_excess;
    year.water_target += corrector.fluxes.water(f) * dt;
    year.water_lower += corrector.fluxes.water(n) * dt;
    for (int s = 1; s <= st.substance_count; ++s) {
        YearSubstance& books = year.substances[static_cast<std::size_t>(s - 1)];
        books.applied += static_cast<double>(st.surface_input_flux(s)) * dt;
        books.degraded += degraded_in_step(st, s);
        books.leached_target += corrector.fluxes.substance(s)(f) * dt;
        books.leached_lower += corrector.fluxes.substance(s)(n) * dt;
    }
    // The year is over when the next step begins a day after 31 December.
    last_day_was_year_end_ = is_new_year_s_eve(st)
                             && st.simulation_time + st.time_step >= static_cast<double>(st.weather_day_end);
    storage_now_ = stored_water(st);
}

void AnnualBalances::finish()
{
    if (years_.empty()) {
        return;
    }
    YearBalance& last = years_.back();
    // A run rarely ends at the very end of 31 December: the last year is
    // taken as complete only when its last weather day is that day.
    last.partial = last.partial || !last_day_was_year_end_;
    last.storage_change = storage_now_ - storage_at_year_start_;
}

}  // namespace soilcolumn
