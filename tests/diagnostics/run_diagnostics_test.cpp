// The run's own bookkeeping: balances formed from the fluxes the solved rows
// send through the faces, the water the suction limits move, oscillations,
// and the 64-bit sums beside the model's 32-bit ones.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "diagnostics/run_diagnostics.hpp"
#include "driver/balances.hpp"
#include "driver/time_loop.hpp"
#include "stage/stage_solver.hpp"
#include "stage/test_column.hpp"

namespace soilcolumn {
namespace {

using testing::column;

// One time step of the time loop with the surface flux given here, the
// model's balances, and the bookkeeping of the step.
void step(ModelState& st, RunDiagnostics& diagnostics, float dt, float surface_flux = 0.0f)
{
    st.time_step = dt;
    st.start_state = st.state;
    st.start_immobile_concentration = st.immobile_concentration;
    st.gravity_flux(1) = surface_flux;
    st.gravity_flux(2) = surface_flux;
    const StepResult result = advance_water_and_substances(st);
    st.simulation_time += dt;
    update_balances(st);
    book_step(st, result.predictor, result.corrector, diagnostics);
    take_inventories(st, diagnostics);
}

// No flux at either face: the flux-based error is the storage change itself.
TEST(WaterBookkeeping, ClosedColumnErrorIsItsStorageChange)
{
    auto st = column({.suction = {0.5f, 0.3f, 0.6f, 1.2f, 2.5f, 4.0f, 4.0f, 4.0f}});
    RunDiagnostics diagnostics;
    start_diagnostics(*st, diagnostics);
    for (int k = 0; k < 5; ++k) step(*st, diagnostics, 3600.0f);
    const WaterBookkeeping& water = diagnostics.water;
    EXPECT_EQ(water.surface_inflow, 0.0);
    EXPECT_EQ(water.lower_outflow, 0.0);
    EXPECT_EQ(water.error(), water.storage - water.initial_storage);
    EXPECT_NE(water.storage, water.initial_storage);  // redistribution with a curved retention changes it a little
    EXPECT_LT(std::fabs(water.error()), 1e-3);       // m: the capacity form's linearisation
}

// Uniform suction over an open bottom with the surface fed at the
// conductivity: unit-gradient flow. Every face carries K(h), storage stays,
// so the lower face lets out K dt per step and the error vanishes.
TEST(WaterBookkeeping, UnitGradientColumnPassesItsConductivityAndCloses)
{
    auto st = column({.suction = std::vector<float>(8, 1.0f), .closed_bottom = false});
    const double k = st->unsaturated_conductivity(4);
    RunDiagnostics diagnostics;
    start_diagnostics(*st, diagnostics);
    constexpr int steps = 24;
    for (int i = 0; i < steps; ++i) step(*st, diagnostics, 3600.0f, static_cast<float>(k));
    const WaterBookkeeping& water = diagnostics.water;
    EXPECT_NEAR(water.lower_outflow, k * 3600.0 * steps, 1e-5 * k * 3600.0 * steps);
    EXPECT_NEAR(water.surface_inflow, water.lower_outflow, 1e-5 * water.lower_outflow);
    EXPECT_NEAR(water.error(), 0.0, 1e-6 * water.lower_outflow);
    EXPECT_EQ(water.drained, water.lower_outflow);
}

// Water rows set by hand, D h' = E h with D = 1: E = 0 drives the suction to
// 0 and the wet limit holds it at 0.001 m; E = 1e6 drives it to 2e6 m and the
// dry limit holds it at 95000 m. By hand, the water each limit moves per
// compartment is the storage term (D + E) / 2 times the stage times the
// change: 0.5 x 3600 x 0.001 = 1.8 m thrown away, and
// 0.5 (1 + 1e6) 3600 (95000 - 2e6) made up (negative).
TEST(WaterBookkeeping, SuctionLimitsCountTheWaterTheyMove)
{
    struct Case { float old_diagonal; int wet; int dry; double wet_water; double dry_water; };
    const Case cases[] = {
        {0.0f, 3, 0, 3 * 1.8, 0.0},
        {1.0E6f, 0, 3, 0.0, 3 * 0.5 * (1.0 + 1.0E6) * 3600.0 * (95000.0 - 2.0E6)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.old_diagonal);
        auto st = column({.suction = std::vector<float>(5, 2.0f)});
        for (int c = 2; c <= 4; ++c) {
            st->water_diag_new(c) = 1.0f;
            st->water_diag_old(c) = k.old_diagonal;
        }
        const StageResult result = solve_step_equations(*st, {3600.0f, st->state, st->immobile_concentration});
        EXPECT_EQ(result.limits.wet, k.wet);
        EXPECT_EQ(result.limits.dry, k.dry);
        EXPECT_NEAR(result.limits.wet_water, k.wet_water, 1e-6 * std::fabs(k.wet_water) + 1e-12);
        EXPECT_NEAR(result.limits.dry_water, k.dry_water, 1e-6 * std::fabs(k.dry_water) + 1e-12);
    }
}

// A decaying tracer in a column at rest, without diffusion (each row
// stands alone, so the solve is exact), over 28800 steps of 300 s: the
// model's 32-bit running sum of the degraded amount adds small steps to an
// ever larger total and drifts; the 64-bit sum beside it does not, and its
// balance is left with the rounding of the 32-bit state itself (each step's
// decrement is about 1e-4 of a concentration held to 6e-8).
TEST(SubstanceBookkeeping, SixtyFourBitSumsCloseWhereTheModelsDrift)
{
    auto st = column({.suction = std::vector<float>(6, 1.0f), .saturated_conductivity = 0.0f,
                      .half_life = 30.0f});
    st->water_diffusion_coefficient(1) = 0.0f;
    st->air_diffusion_coefficient(1) = 0.0f;
    for (int c = 2; c <= 5; ++c) {
        st->mobile_concentration(c, 1) = 1.0f;
        st->immobile_concentration(c, 1) = 1.0f;
    }
    RunDiagnostics diagnostics;
    start_diagnostics(*st, diagnostics);
    for (int k = 0; k < 28800; ++k) step(*st, diagnostics, 300.0f);
    const SubstanceBookkeeping& books = diagnostics.substance(1);
    ASSERT_GT(books.degraded, 0.3 * books.initial_inventory);  // a good part of it is gone
    const double error_64 = books.error();
    const double error_32 = books.inventory() - (books.initial_inventory + st->substance_transformed(1));
    EXPECT_GT(std::fabs(-st->substance_transformed(1) - books.degraded), 5e-5 * books.degraded);
    EXPECT_LT(std::fabs(error_64), 0.6 * std::fabs(error_32)) << error_64 << " " << error_32;
    EXPECT_LT(std::fabs(error_64), 5e-5 * books.initial_inventory) << error_64;
}

// Interior suctions above ten times both neighbours' count, once per
// compartment and step; the boundary rows (2 and N-1) have a neighbour the
// solver does not move and are left out.
TEST(OscillationBookkeeping, CountsInteriorPeaksAboveTenTimesBothNeighbours)
{
    struct Case { const char* what; std::vector<float> suction; int count; int first; };
    const Case cases[] = {
        {"smooth profile", {1, 1, 2, 4, 8, 8, 8}, 0, 0},
        {"peak exactly ten times: not above", {1, 1, 10, 1, 1, 1, 1}, 0, 0},
        {"peak in compartment 3", {1, 1, 10.5f, 1, 1, 1, 1}, 1, 3},
        {"peak above one neighbour only", {1, 1, 20, 5, 1, 1, 1}, 0, 0},
        {"two peaks", {1, 1, 50, 1, 1, 50, 1}, 1, 3},  // compartment 6 is N-1
        {"peak in the top soil compartment", {1, 50, 1, 1, 1, 1, 1}, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ModelState st;
        st.compartment_count = static_cast<int>(k.suction.size());
        for (int c = 1; c <= st.compartment_count; ++c) st.matric_potential(c) = k.suction[c - 1];
        RunDiagnostics diagnostics;
        book_step(st, StageResult{}, StageResult{}, diagnostics);
        EXPECT_EQ(diagnostics.oscillation.count, k.count);
        EXPECT_EQ(diagnostics.oscillation.first_compartment, k.first);
    }
}

// Relative errors: water against the larger of entered and drained water,
// at least 1 mm; substance against applied plus initial inventory.
TEST(Bookkeeping, RelativeErrorsReferToWhatPassedThrough)
{
    WaterBookkeeping water;
    water.storage = 0.101;
    water.initial_storage = 0.1;
    EXPECT_NEAR(water.relative_error(), 100.0, 1e-9);  // 1 mm off, nothing entered: the 1 mm floor
    water.entered = 0.05;
    water.drained = 0.1;
    water.surface_inflow = 0.05;
    water.lower_outflow = 0.05;
    EXPECT_NEAR(water.relative_error(), 1.0, 1e-9);  // 1 mm of 100 mm drained

    SubstanceBookkeeping books;
    EXPECT_EQ(books.relative_error(), 0.0);
    books.initial_inventory = 1.0;
    books.applied = 1.0;
    books.dissolved = 1.5;
    books.degraded = 0.45;
    EXPECT_NEAR(books.relative_error(), -2.5, 1e-9);  // 1.5 - (1 + 1 - 0.45) = -0.05 of 2
}

}  // namespace
}  // namespace soilcolumn
