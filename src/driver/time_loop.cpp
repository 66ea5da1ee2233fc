#include "driver/time_loop.hpp"

#include <algorithm>

#include "driver/balances.hpp"
#include "driver/boundary.hpp"
#include "diagnostics/run_warnings.hpp"
#include "driver/result_files.hpp"
#include "driver/step_subdivision.hpp"
#include "records/input_unit.hpp"
#include "stage/stage_coefficients.hpp"
#include "stage/stage_solver.hpp"
#include "water/hydraulic_functions.hpp"

namespace soilcolumn {

namespace {

// Simulated time between two records of the observation series.
constexpr float observation_interval = 14400.0f;  // 4 hours

// Everything that would make the run impossible is refused before a single
// record is written. The depth tables come first: the observation depths
// are checked against them.
void check_run_settings(ModelState& st, FileSet& files)
{
    compute_depth_tables(st);
    check_weather_start(st, files.console);
    check_observation_depths(st, files.console);
    check_weather_file_has_data(files.weather, files.console);
}

float sum_of_sorption_coefficients(const ModelState& st)
{
    float sum = 0.0f;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            sum += st.sorption_coefficient(c, s);
        }
    }
    return sum;
}

// The aggregates of the soil compartments start in equilibrium with the
// mobile water; the boundary compartments have no immobile region.
void start_immobile_region(ModelState& st)
{
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            st.immobile_concentration(c, s) = st.mobile_concentration(c, s);
        }
    }
}

void reset_clock_and_balances(ModelState& st)
{
    st.simulation_time = -1.0;
    st.plant_record_end = -1.0f;
    st.application_end_time = -1.0f;
    st.precipitation_total = 0.0f;
    st.infiltration_total = 0.0;
    st.evaporation_total = 0.0;
    st.recharge_total = 0.0;
    st.snow_total = 0.0;
    st.snow_storage = 0.0f;
    st.surface_runoff = 0.0f;
    st.previous_water_storage = 0.0f;
    for (int s = 1; s <= st.substance_count; ++s) {
        st.substance_entered(s) = 0.0f;
        st.substance_leached(s) = 0.0f;
        st.substance_transformed(s) = 0.0f;
    }
    st.time_since_output = 0.0f;
    st.time_since_observation = 0.0f;
}

// Column by column, compartments 1..N, as the tables are stored.
void copy_state(const ModelState& st, const SpeciesTable& from_state,
                const SubstanceTable& from_immobile, SpeciesTable& to_state,
                SubstanceTable& to_immobile)
{
    const int n = st.compartment_count;
    for (int k = 0; k <= st.substance_count; ++k) {
        std::copy_n(&from_state(1, k), n, &to_state(1, k));
    }
    for (int s = 1; s <= st.substance_count; ++s) {
        std::copy_n(&from_immobile(1, s), n, &to_immobile(1, s));
    }
}

void save_start_of_step(ModelState& st)
{
    copy_state(st, st.state, st.immobile_concentration, st.start_state,
               st.start_immobile_concentration);
}

void take_end_of_step(ModelState& st)
{
    copy_state(st, st.start_state, st.start_immobile_concentration, st.state,
               st.immobile_concentration);
}

void prepare_boundaries(ModelState& st, FileSet& files)
{
    update_plant_schedule(st, files.plant, files.console);
    update_weather_day(st, files.weather, files.console);
    update_soil_evaporation(st);
    offer_surface_flux(st);
    update_substance_input(st, files.chemdat, files.console);
}

// The console learns of a phase that did not converge; the run's record
// counts every phase.
void report_phase(const PhaseResult& phase, PhaseStatistics& statistics, FileSet& files)
{
    statistics.add(phase);
    if (!phase.converged) {
        files.console.write_record("(1X,' Mehr als',I5,' Iterationen')", {std::int32_t{phase.sweeps}});
    }
}

void report_stage(const ModelState& st, const StageResult& stage, bool corrector, FileSet& files,
                  RunRecord& record)
{
    report_phase(stage.water, record.water, files);
    if (!stage.water.converged) {
        book_unconverged(st, corrector, false, stage.water, record.diagnostics);
    }
    report_phase(stage.solutes, record.solutes, files);
    if (!stage.solutes.converged) {
        book_unconverged(st, corrector, true, stage.solutes, record.diagnostics);
    }
}

StageResult solve_stage(ModelState& st, const StageContext& stage)
{
    assemble_step_coefficients(st, stage);
    return solve_step_equations(st, stage);
}

// Predictor over half the step from the current state.
StageResult predict(ModelState& st)
{
    StageResult predictor = solve_stage(st, {st.time_step / 2.0f, st.state, st.immobile_concentration});
    apply_lower_boundary(st, st.state);
    return predictor;
}

// The corrector that advances the saved start-of-step state over the whole
// step with the coefficients of the middle of the step.
StageResult correct(ModelState& st)
{
    return solve_stage(st, {st.time_step, st.start_state, st.start_immobile_concentration, true});
}

// The profile timer must exceed the interval and restarts at zero; the
// observation timer needs only to reach 4 hours. Returns whether a profile
// was written.
bool write_due_output(ModelState& st, FileSet& files, ObservationSeries& observations,
                      const RunObservers& observers)
{
    bool profile_written = false;
    st.time_since_output += st.time_step;
    if (st.time_since_output > st.output_interval) {
        st.time_since_output = 0.0f;
        write_profile_output(st, files);
        profile_written = true;
    }
    st.time_since_observation += st.time_step;
    if (st.observation_depth_count != 0 && st.time_since_observation >= observation_interval) {
        observations.write_record(st, files);
        for (RunObserver* observer : observers) observer->on_observation_record(st, observations);
        st.time_since_observation = 0.0f;
    }
    return profile_written;
}

}  // namespace

void clear_solute_step_terms(ModelState& st)
{
    for (int s = 1; s <= max_substances; ++s) {
        for (int c = 1; c <= max_compartments; ++c) {
            st.dispersion_coefficient(c, s) = 0.0f;
            st.source_term(c, s) = 0.0f;
            st.immobile_source(c, s) = 0.0f;
            st.mobile_degradation(c, s) = 0.0f;
            st.immobile_degradation(c, s) = 0.0f;
            st.transfer_rate(c, s) = 0.0f;
        }
    }
}

void start_simulation(ModelState& st, FileSet& files)
{
    check_run_settings(st, files);
    write_result_headings(st, files);
    st.sorption_sum = sum_of_sorption_coefficients(st);
    start_immobile_region(st);
    files.console.write_record("(1X,/,1X,'Gerechnete Zeit:')");
    apply_lower_boundary(st, st.state);
    compute_water_retention(st, st.state);
    keep_water_retention(st, st.state);
    compute_hydraulic_properties(st, st.state);
    reset_clock_and_balances(st);
    records::skip_record(files.weather);
    skip_schedule_heading(files.chemdat);
    skip_schedule_heading(files.plant);
    st.weather_day_end = -st.weather_start;
    save_start_of_step(st);
}

// The predictor, then the corrector; the braces order them, and each
// stage's result is built in place, not copied.
StepResult advance_water_and_substances(ModelState& st)
{
    StepResult result{predict(st), correct(st)};
    update_irreversible_sorption(st);
    apply_lower_boundary(st, st.start_state);
    st.surface_runoff += st.surface_excess;
    take_end_of_step(st);
    return result;
}

void book_advanced_step(ModelState& st, const StepResult& result, FileSet& files, RunRecord& record)
{
    st.simulation_time += st.time_step;
    report_stage(st, result.predictor, false, files, record);
    report_stage(st, result.corrector, true, files, record);
    update_balances(st);
    book_step(st, result.predictor, result.corrector, record.diagnostics);
    record.annual.book_step(st, result.corrector);
}

bool simulate_step(ModelState& st, FileSet& files, ObservationSeries& observations, RunRecord& record,
                   const RunObservers& observers, ModelState* step_start)
{
    prepare_boundaries(st, files);
    if (step_start != nullptr) {
        simulate_subdivided_step(st, *step_start, files, record);
    } else {
        book_advanced_step(st, advance_water_and_substances(st), files, record);
    }
    if (write_due_output(st, files, observations, observers)) {
        book_output_time(st, record.diagnostics);
        for (RunObserver* observer : observers) observer->on_profile_output(st, record);
    }
    ++record.steps;
    if (static_cast<double>(st.simulation_end) >= st.simulation_time) {
        return true;
    }
    book_output_time(st, record.diagnostics);
    record.annual.finish();
    write_end_of_run_warnings(st, record, files.console);
    files.console.write_list("***Regulaeres Ende erreicht***");
    return false;
}

}  // namespace soilcolumn
