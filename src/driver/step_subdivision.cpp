#include "driver/step_subdivision.hpp"

#include <cmath>

#include "diagnostics/run_diagnostics.hpp"
#include "driver/balances.hpp"
#include "driver/boundary.hpp"
#include "stage/direct_solver.hpp"
#include "stage/stage_coefficients.hpp"
#include "water/suction_limits.hpp"

namespace soilcolumn {
namespace {

StageResult solve_stage_directly(ModelState& st, const StageContext& stage, bool corrector)
{
    assemble_step_coefficients(st, stage);
    return solve_step_equations_directly(st, stage, corrector);
}

// The water the wet limit would take out of the column when it holds a
// suction at 0.001 m (the water content at the solved, wetter suction minus
// the one at the limit) did not find room in the soil: it stays on the
// surface as ponded water, like the excess the soil refused, and the face
// flux booked through the surface is what really stayed in the soil. The
// column's water balance then closes, and the water is offered again with
// the ponded water on the next weather day.
void return_wet_limit_water(ModelState& st, StageResult& corrector, float dt)
{
    const double returned = corrector.limits.wet_water;
    if (returned == 0.0) {
        return;
    }
    st.surface_excess += static_cast<float>(returned);
    corrector.fluxes.water(2) -= returned / dt;
    corrector.limits.wet_water = 0.0;
    corrector.limits.wet_water_returned = returned;
}

bool oscillates(const ModelState& st, int c)
{
    const float h = st.matric_potential(c);
    return h > oscillation_ratio * st.matric_potential(c - 1) && h > oscillation_ratio * st.matric_potential(c + 1);
}

bool finite_state(const ModelState& st, const StepResult& result)
{
    const int n = st.compartment_count;
    for (int c = 1; c <= n; ++c) {
        for (int k = 0; k <= st.substance_count; ++k) {
            if (!std::isfinite(st.state(c, k))) return false;
        }
        for (int s = 1; s <= st.substance_count; ++s) {
            if (!std::isfinite(st.immobile_concentration(c, s))) return false;
        }
    }
    for (int f = 2; f <= n; ++f) {
        if (!std::isfinite(result.corrector.fluxes.water(f))) return false;
        for (int s = 1; s <= st.substance_count; ++s) {
            if (!std::isfinite(result.corrector.fluxes.substance(s)(f))) return false;
        }
    }
    return true;
}

bool water_balance_fails(const ModelState& start, const ModelState& st, const StepResult& result)
{
    const double dt = st.time_step;
    const double in = result.corrector.fluxes.water(2) * dt;
    const double out = result.corrector.fluxes.water(st.compartment_count) * dt;
    const double error = stored_water(st) - stored_water(start) - (in - out);
    return !(std::fabs(error) <= piece_water_tolerance + piece_water_share * (std::fabs(in) + std::fabs(out)));
}

// The direct solve conserves the stored mass of every substance once its
// iteration has converged: what can still break a piece's balance is an
// iteration that did not converge and the mass added where negative
// concentrations are set to zero, against what the column held and what
// moved through its faces.
bool substance_balance_fails(const SubstanceTotals& inventory_before, const ModelState& st,
                             const StepResult& result)
{
    if (!result.corrector.solutes.converged) {
        return true;
    }
    const double dt = st.time_step;
    const int n = st.compartment_count;
    for (int s = 1; s <= st.substance_count; ++s) {
        const double applied = static_cast<double>(st.surface_input_flux(s)) * dt;
        const double entered = result.corrector.fluxes.substance(s)(2) * dt;
        const double leached = result.corrector.fluxes.substance(s)(n) * dt;
        const double reference = inventory_before(s) + applied + std::fabs(entered) + std::fabs(leached);
        const double error = result.corrector.negative_mass_cleared(s);
        if (!(std::fabs(error) <= piece_substance_tolerance + piece_substance_share * reference)) {
            return true;
        }
    }
    return false;
}

// The soil evaporation (m/s) the suction of the surface compartment at the
// end of the piece would give, against the one the piece used.
bool evaporation_changes(const ModelState& st)
{
    if (st.plant_type == 0) {
        return false;
    }
    float evaporation = 0.0f;
    float dew_point = st.dew_point_temperature;
    compute_evaporation(evaporation, st.relative_humidity, st.air_temperature, st.matric_potential(2), dew_point,
                        st.weather_date[1], st.plant_type);
    evaporation *= 1.1574e-8f;  // mm/day to m/s
    const double used = st.soil_evaporation;
    const double change = std::fabs(static_cast<double>(evaporation) - used);
    return change > smallest_evaporation && change > piece_evaporation_share * std::fabs(used);
}

void count_failures(const PieceCheck& check, NumericsRecord& numerics)
{
    numerics.evaporation_failures += check.evaporation ? 1 : 0;
    numerics.non_finite_failures += check.non_finite ? 1 : 0;
    numerics.oscillation_failures += check.oscillation ? 1 : 0;
    numerics.water_balance_failures += check.water_balance ? 1 : 0;
    numerics.substance_balance_failures += check.substance_balance ? 1 : 0;
    numerics.dry_limit_failures += check.dry_limit ? 1 : 0;
}

// The model's running sums of substances (entered through the surface,
// leached through the lower face, transformed) in 64-bit, by the model's own
// terms; the 32-bit sums the result files print are rounded from them.
void keep_substance_sums_in_64_bit(ModelState& st, NumericsRecord& numerics)
{
    const double dt = st.time_step;
    const int n = st.compartment_count;
    for (int s = 1; s <= st.substance_count; ++s) {
        numerics.entered(s) += (static_cast<double>(st.mobile_concentration(1, s)) * st.downward_half_flux(2) * 2.0
                                + st.surface_input_flux(s))
                               * dt;
        numerics.leached(s) += static_cast<double>(st.mobile_concentration(n - 1, s)) * st.downward_half_flux(n) * dt * 2.0;
        double rate = 0.0;
        for (int c = 2; c <= n - 1; ++c) {
            rate += static_cast<double>(st.mobile_degradation(c, s)) + st.immobile_degradation(c, s);
        }
        numerics.transformed(s) += rate * dt;
        st.substance_entered(s) = static_cast<float>(numerics.entered(s));
        st.substance_leached(s) = static_cast<float>(numerics.leached(s));
        st.substance_transformed(s) = static_cast<float>(numerics.transformed(s));
    }
}

}  // namespace

StepResult advance_soundly(ModelState& st)
{
    StepResult result;
    const float dt = st.time_step;
    result.predictor = solve_stage_directly(st, {dt / 2.0f, st.state, st.immobile_concentration}, false);
    apply_lower_boundary(st, st.state);

    result.corrector = solve_stage_directly(st, {dt, st.start_state, st.start_immobile_concentration}, true);
    return_wet_limit_water(st, result.corrector, dt);
    update_irreversible_sorption(st);
    apply_lower_boundary(st, st.start_state);
    st.surface_runoff += st.surface_excess;
    st.state = st.start_state;
    st.immobile_concentration = st.start_immobile_concentration;
    return result;
}

PieceCheck check_piece(const ModelState& start, const SubstanceTotals& inventory_before, const ModelState& st,
                       const StepResult& result)
{
    PieceCheck check;
    check.non_finite = !finite_state(st, result);
    if (check.non_finite) {
        return check;
    }
    for (int c = 3; c <= st.compartment_count - 2; ++c) {
        check.oscillation = check.oscillation || (oscillates(st, c) && !oscillates(start, c));
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        check.dry_limit = check.dry_limit
                          || (st.matric_potential(c) >= driest_suction && start.matric_potential(c) < driest_suction);
    }
    check.evaporation = evaporation_changes(st);
    check.water_balance = water_balance_fails(start, st, result);
    check.substance_balance = substance_balance_fails(inventory_before, st, result);
    return check;
}

// The pieces are the leaves of a binary tree over the step: a piece that
// fails is replaced by its two halves; after a piece, the next one is as
// large as the block that begins there (the sibling of the piece, or of its
// smallest ancestor that was a first half). Positions count 1/64 steps;
// pieces of a power-of-two fraction of a float step add up exactly on the
// 64-bit clock.
void simulate_subdivided_step(ModelState& st, ModelState& start, FileSet& files, RunRecord& record)
{
    constexpr int whole = 1 << finest_subdivision_level;
    NumericsRecord& numerics = record.numerics;
    const float full_step = st.time_step;
    int level = 0;
    int position = 0;
    bool subdivided = false;
    // What the column holds at the start of the step.
    SubstanceTotals inventory_before;
    for (int s = 1; s <= st.substance_count; ++s) {
        inventory_before(s) = substance_inventory(st, s);
    }
    while (position < whole) {
        // The weather of the step holds for every piece; the soil
        // evaporation follows the surface suction at the piece's start.
        update_soil_evaporation(st);
        offer_surface_flux(st);
        start = st;
        st.time_step = full_step / static_cast<float>(1 << level);
        StepResult result = advance_soundly(st);
        const PieceCheck check = check_piece(start, inventory_before, st, result);
        if (!check.passed()) {
            count_failures(check, numerics);
            if (level < finest_subdivision_level) {
                st = start;
                ++level;
                ++numerics.rejected_pieces;
                subdivided = true;
                continue;
            }
            ++numerics.unresolved_pieces;
        }
        numerics.wet_limit_water_returned += result.corrector.limits.wet_water_returned;
        book_advanced_step(st, result, files, record);
        keep_substance_sums_in_64_bit(st, numerics);
        ++numerics.pieces;
        for (int s = 1; s <= st.substance_count; ++s) {
            inventory_before(s) = substance_inventory(st, s);
        }
        numerics.deepest_level = level > numerics.deepest_level ? level : numerics.deepest_level;
        position += whole >> level;
        while (level > 0 && position % (whole >> (level - 1)) == 0) {
            --level;
        }
    }
    numerics.subdivided_steps += subdivided ? 1 : 0;
    st.time_step = full_step;
}

const char* numerics_mode_name(NumericsMode mode)
{
    switch (mode) {
    case NumericsMode::sound: return "sound";
    case NumericsMode::classic: return "classic";
    default: return "unknown";  // no other mode exists
    }
}

}  // namespace soilcolumn
