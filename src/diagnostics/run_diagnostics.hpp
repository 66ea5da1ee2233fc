#pragma once
// Bookkeeping beside the model, in 64-bit, that changes no model value: the
// balances of water and substances formed from what the solved rows sent
// through the soil surface and the lower face (not from residuals), the
// water the suction limits moved, the mass the clearing of negative
// concentrations added, stages that did not converge and oscillating
// suctions. From these the run judges its own numbers.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// The largest value of a figure over the run, and the day it was seen.
struct Extreme {
    double value = 0.0;
    double day = 0.0;
    void keep_if_larger(double candidate, double at_day);
};

struct WaterBookkeeping {
    double initial_storage = 0.0;  // m, soil compartments 2..N-1
    double storage = 0.0;          // m, now
    double surface_inflow = 0.0;   // m through the soil surface (face 2), net downward
    double lower_outflow = 0.0;    // m through the lower face (face N), net downward
    double entered = 0.0;          // m, the downward part of the surface flux, step by step
    double drained = 0.0;          // m, the downward part of the lower flux, step by step
    std::int64_t wet_limit_hits = 0;  // compartment-stages held at the wet limit
    std::int64_t dry_limit_hits = 0;  // compartment-stages held at the dry limit
    double wet_limit_water = 0.0;     // m thrown away by the wet limit (corrector stages)
    double dry_limit_water = 0.0;     // m made up by the dry limit (corrector stages)
    Extreme largest_relative_error;   // % at the output times

    double storage_change() const { return storage - initial_storage; }
    // Change of storage minus what the faces let in, m.
    double error() const { return storage_change() - (surface_inflow - lower_outflow); }
    // In % of the larger of the water that entered and that drained, at least 1 mm.
    double relative_error() const;
};

struct SubstanceBookkeeping {
    double initial_inventory = 0.0;  // g/m2 in the soil compartments at the start
    double dissolved = 0.0;          // g/m2, now
    double sorbed = 0.0;
    double gaseous = 0.0;
    double irreversible = 0.0;
    double applied = 0.0;            // g/m2 of the application schedule that entered
    double entered_from_above = 0.0; // g/m2 carried in through the surface by the water
    double leached = 0.0;            // g/m2 through the lower face, net downward
    double degraded = 0.0;           // g/m2
    double negative_mass_cleared = 0.0;  // g/m2 added by setting negative concentrations to 0
    double largest_phantom_sorbed = 0.0; // g/m2 the model counts in a mobile region without water
    double phantom_day = 0.0;
    int phantom_compartment = 0;
    Extreme largest_relative_error;  // % at the output times

    double inventory() const { return dissolved + sorbed + gaseous + irreversible; }
    double error() const
    {
        return inventory() - initial_inventory - (applied + entered_from_above - leached - degraded);
    }
    // In % of what was applied plus the initial inventory (0 when both are 0 and nothing is off).
    double relative_error() const;
};

struct UnconvergedStage {
    double day = 0.0;
    bool corrector = false;  // else the predictor
    bool solutes = false;    // else the water phase
    double relative_residual = 0.0;
};

// An interior compartment oscillates when its suction exceeds this many
// times both neighbours'.
inline constexpr float oscillation_ratio = 10.0f;

// The oscillating compartments of a run.
struct OscillationBookkeeping {
    std::int64_t count = 0;
    double first_day = 0.0;
    int first_compartment = 0;
    std::array<float, 3> first_suctions{};  // m: above, at, below
};

struct RunDiagnostics {
    static constexpr std::size_t kept_unconverged = 5;

    WaterBookkeeping water;
    std::array<SubstanceBookkeeping, max_substances> substance_books{};
    SubstanceBookkeeping& substance(int s) { return substance_books[static_cast<std::size_t>(s - 1)]; }
    const SubstanceBookkeeping& substance(int s) const { return substance_books[static_cast<std::size_t>(s - 1)]; }
    int substance_count = 0;
    std::vector<UnconvergedStage> first_unconverged;  // at most kept_unconverged, reserved at the start
    OscillationBookkeeping oscillation;
};

// Water stored in the soil compartments 2..N-1, m.
double stored_water(const ModelState& st);

// Substance s in the soil compartments as the rows hold it (both regions,
// soil air, irreversible stores), g/m2.
double substance_inventory(const ModelState& st, int s);

// Mass of substance s degraded in the step just taken, g/m2: the degradation
// terms of the corrector are the ones its rows used.
double degraded_in_step(const ModelState& st, int s);

// Day of the model's clock, as the console's time lines count it.
double day_of(const ModelState& st);

// The initial storage and inventory, after the start state is set.
void start_diagnostics(const ModelState& st, RunDiagnostics& diagnostics);

// What one time step did: its fluxes, limits, degradation and clearing.
// What the column holds is taken only when it is read: at an output time,
// and when the run closes (take_inventories).
void book_step(const ModelState& st, const StageResult& predictor, const StageResult& corrector,
               RunDiagnostics& diagnostics);

// Notes a stage phase that did not converge (the first few are kept).
void book_unconverged(const ModelState& st, bool corrector, bool solutes, const PhaseResult& phase,
                      RunDiagnostics& diagnostics);

// The water stored and the substance held now: the books' storage and
// inventories, whose errors are read from them.
void take_inventories(const ModelState& st, RunDiagnostics& diagnostics);

// Takes the inventories and keeps the largest balance errors seen at an
// output time.
void book_output_time(const ModelState& st, RunDiagnostics& diagnostics);

}  // namespace soilcolumn
