#pragma once
// The values that the exports write, each with its column name, in one
// place: every file's header and rows come from the same visit, so a
// column cannot lose its header or change places. Names are snake_case and
// carry the unit (_m, _m_s, _g_m3, _g_m2, _g_kg, _s, _d); a value per
// substance ends in _s1.._s4.

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/result_files.hpp"
#include "driver/run_record.hpp"
#include "exports/number_text.hpp"
#include "state/model_state.hpp"

namespace soilcolumn::exports {

// A visit calls sink(name, substance, value) once per field: its base name,
// the substance it belongs to (0: none) and its value, a float, double or
// std::int64_t that converts to Number. The visits are templates, so that a
// row's sink is called directly, without a function object between.

// The column name of a field: the base name, then _s<substance>.
std::string field_name(std::string_view name, int substance);

// The clock: time_s (64-bit seconds) and time_d (days, as the result files count them).
template <typename Sink>
void visit_time_fields(const ModelState& st, Sink&& sink)
{
    sink("time_s", 0, st.simulation_time);
    sink("time_d", 0, st.simulation_time / 86400.0);
}

// One compartment c at an output time: depth, suction, water content and
// the concentrations of both regions, dissolved and sorbed.
template <typename Sink>
void visit_profile_fields(const ModelState& st, int c, Sink&& sink)
{
    const int substances = st.substance_count;
    sink("compartment", 0, std::int64_t{c});
    sink("depth_m", 0, st.node_depth(c));
    sink("thickness_m", 0, st.compartment_thickness(c));
    sink("suction_m", 0, st.matric_potential(c));
    sink("water_content", 0, st.water_content(c));
    sink("immobile_water_content", 0, st.immobile_water_content(c));
    for (int s = 1; s <= substances; ++s) sink("conc_mobile_g_m3", s, st.mobile_concentration(c, s));
    for (int s = 1; s <= substances; ++s) sink("conc_immobile_g_m3", s, st.immobile_concentration(c, s));
    for (int s = 1; s <= substances; ++s) sink("conc_total_g_m3", s, st.total_concentration(c, s));
    for (int s = 1; s <= substances; ++s) sink("sorbed_mobile_g_kg", s, st.mobile_sorbed(c, s));
    for (int s = 1; s <= substances; ++s) sink("sorbed_immobile_g_kg", s, st.immobile_sorbed(c, s));
    for (int s = 1; s <= substances; ++s) {
        sink("irreversible_mobile_g_kg", s, st.mobile_irreversible_sorbed(c, s));
    }
    for (int s = 1; s <= substances; ++s) {
        sink("irreversible_immobile_g_kg", s, st.immobile_irreversible_sorbed(c, s));
    }
}

// One face c (between compartments c-1 and c, 2..N) at an output time.
template <typename Sink>
void visit_flux_fields(const ModelState& st, int c, Sink&& sink)
{
    sink("face", 0, std::int64_t{c});
    sink("depth_m", 0, st.face_depth(c));
    sink("water_flux_m_s", 0, st.water_flux(c));
    for (int s = 1; s <= st.substance_count; ++s) sink("solute_flux_g_m2_s", s, st.solute_flux(c, s));
}

// One observation depth k of a 4-hour record.
template <typename Sink>
void visit_observation_fields(const ModelState& st, const ObservationSeries& series, int k,
                              Sink&& sink)
{
    sink("depth_index", 0, std::int64_t{k});
    sink("depth_m", 0, st.observation_depths(k));
    sink("suction_m", 0, series.potential(k));
    sink("water_content", 0, series.water_content(k));
    for (int s = 1; s <= st.substance_count; ++s) sink("conc_total_g_m3", s, series.concentration(k, s));
}

// The balances that the run's own 64-bit books form from the fluxes the
// solved rows sent through the soil surface and the lower face, and their
// errors: what the residual columns above cannot show.
template <typename Sink>
void visit_balance_check_fields(const RunDiagnostics& books, int substances, Sink&& sink)
{
    const WaterBookkeeping& water = books.water;
    sink("water_surface_inflow_m", 0, water.surface_inflow);
    sink("water_lower_outflow_m", 0, water.lower_outflow);
    sink("water_storage_change_m", 0, water.storage_change());
    sink("water_balance_error_m", 0, water.error());
    sink("water_balance_error_percent", 0, water.relative_error());
    sink("wet_limit_water_m", 0, water.wet_limit_water);
    sink("dry_limit_water_m", 0, water.dry_limit_water);
    for (int s = 1; s <= substances; ++s) sink("applied_g_m2", s, books.substance(s).applied);
    for (int s = 1; s <= substances; ++s) sink("leached_lower_face_g_m2", s, books.substance(s).leached);
    for (int s = 1; s <= substances; ++s) sink("degraded_g_m2", s, books.substance(s).degraded);
    for (int s = 1; s <= substances; ++s) sink("balance_error_g_m2", s, books.substance(s).error());
    for (int s = 1; s <= substances; ++s) {
        sink("balance_error_percent", s, books.substance(s).relative_error());
    }
}


// The water and substance balances of the run so far, and what the run's
// record adds to them. The same fields end balances.csv's rows and make the
// final balances of summary.json.
template <typename Sink>
void visit_balance_fields(const ModelState& st, const RunRecord& record, Sink&& sink)
{
    sink("precipitation_m", 0, st.precipitation_total);
    sink("infiltration_m", 0, st.infiltration_total);
    sink("evaporation_m", 0, st.evaporation_total);
    sink("recharge_m", 0, st.recharge_total);
    sink("water_storage_m", 0, st.water_storage);
    sink("surface_runoff_m", 0, st.surface_runoff);
    sink("snow_storage_m", 0, st.snow_storage);
    sink("snow_total_m", 0, st.snow_total);
    const int substances = st.substance_count;
    for (int s = 1; s <= substances; ++s) sink("entered_g_m2", s, st.substance_entered(s));
    for (int s = 1; s <= substances; ++s) sink("leached_g_m2", s, st.substance_leached(s));
    for (int s = 1; s <= substances; ++s) sink("dissolved_g_m2", s, st.dissolved_amount(s));
    for (int s = 1; s <= substances; ++s) sink("sorbed_g_m2", s, st.sorbed_amount(s));
    for (int s = 1; s <= substances; ++s) sink("gaseous_g_m2", s, st.gaseous_amount(s));
    for (int s = 1; s <= substances; ++s) sink("irreversible_g_m2", s, st.irreversible_amount(s));
    for (int s = 1; s <= substances; ++s) sink("transformed_g_m2", s, st.substance_transformed(s));
    visit_balance_check_fields(record.diagnostics, substances, sink);
}

}  // namespace soilcolumn::exports
