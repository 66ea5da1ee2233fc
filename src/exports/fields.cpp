#include "exports/fields.hpp"

#include <cstdint>

#include "driver/result_files.hpp"

namespace soilcolumn::exports {

std::string field_name(std::string_view name, int substance)
{
    std::string text(name);
    if (substance > 0) {
        text += "_s";
        text += std::to_string(substance);
    }
    return text;
}

void visit_time_fields(const ModelState& st, const FieldSink& sink)
{
    sink("time_s", 0, st.simulation_time);
    sink("time_d", 0, st.simulation_time / 86400.0);
}

void visit_profile_fields(const ModelState& st, int c, const FieldSink& sink)
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

void visit_flux_fields(const ModelState& st, int c, const FieldSink& sink)
{
    sink("face", 0, std::int64_t{c});
    sink("depth_m", 0, st.face_depth(c));
    sink("water_flux_m_s", 0, st.water_flux(c));
    for (int s = 1; s <= st.substance_count; ++s) sink("solute_flux_g_m2_s", s, st.solute_flux(c, s));
}

void visit_observation_fields(const ModelState& st, const ObservationSeries& series, int k,
                              const FieldSink& sink)
{
    sink("depth_index", 0, std::int64_t{k});
    sink("depth_m", 0, st.observation_depths(k));
    sink("suction_m", 0, series.potential(k));
    sink("water_content", 0, series.water_content(k));
    for (int s = 1; s <= st.substance_count; ++s) sink("conc_total_g_m3", s, series.concentration(k, s));
}

void visit_balance_fields(const ModelState& st, const RunRecord& record, const FieldSink& sink)
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

void visit_balance_check_fields(const RunDiagnostics& books, int substances, const FieldSink& sink)
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

}  // namespace soilcolumn::exports
