// The direct solve of the sound numerics: the Thomas algorithm on rows with
// known solutions, the same discrete solution as converged sweeps, and the
// conserving corrector that keeps the stored water equal to what its face
// fluxes moved.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "diagnostics/run_diagnostics.hpp"
#include "driver/step_subdivision.hpp"
#include "stage/direct_solver.hpp"
#include "stage/stage_coefficients.hpp"
#include "stage/stage_solver.hpp"
#include "stage/test_column.hpp"

namespace soilcolumn {
namespace {

using testing::column;

struct ThomasCase {
    const char* fault;
    std::vector<double> lower, diagonal, upper, rhs, solution;
};

// Each system's solution was chosen first and its right-hand side computed
// by hand as A x.
const ThomasCase thomas_cases[] = {
    {"one row", {0}, {4}, {0}, {8}, {2}},
    {"forward sweep uses the eliminated upper", {0, -1, -1}, {2, 2, 2}, {-1, -1, 0}, {1, 0, 1}, {1, 1, 1}},
    {"back substitution order", {0, -1, -1, -1}, {4, 4, 4, 4}, {-1, -1, -1, 0}, {3, 2, 2, 3}, {1, 1, 1, 1}},
    {"unsymmetric advection rows", {0, -3, -3}, {4, 5, 4}, {-1, -1, 0}, {2, 6, -2}, {1, 2, 1}},
    {"identity row of a zero diagonal", {0, 0, -1}, {3, 1, 2}, {-1, 0, 0}, {1, 5, 5}, {2, 5, 5}},
};

TEST(Thomas, SolvesRowsWithKnownSolutions)
{
    for (const ThomasCase& c : thomas_cases) {
        SCOPED_TRACE(c.fault);
        TridiagonalRows rows;
        const int n = static_cast<int>(c.diagonal.size());
        for (int i = 0; i < n; ++i) {
            rows.lower(i + 2) = c.lower[static_cast<std::size_t>(i)];
            rows.diagonal(i + 2) = c.diagonal[static_cast<std::size_t>(i)];
            rows.upper(i + 2) = c.upper[static_cast<std::size_t>(i)];
            rows.rhs(i + 2) = c.rhs[static_cast<std::size_t>(i)];
        }
        solve_tridiagonal(rows, 2, n + 1);
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(rows.rhs(i + 2), c.solution[static_cast<std::size_t>(i)], 1e-12) << "row " << i;
        }
    }
}

// Wet over dry: the water moves fast and the capacity varies along the column.
const std::vector<float> wet_half_over_dry_half = {0.3f, 0.3f, 0.3f, 0.3f, 5.0f, 5.0f, 5.0f, 5.0f};

// The predictor's rows are the classic ones: the sweeps, once converged
// (their stopping test is a residual of 1E-6 of the right-hand side), and
// the direct solve reach the same suctions to float precision.
TEST(DirectSolve, SameWaterSolutionAsConvergedSweeps)
{
    for (const float dt : {60.0f, 1800.0f, 7200.0f}) {
        SCOPED_TRACE(dt);
        auto swept = column({.suction = wet_half_over_dry_half});
        auto direct = column({.suction = wet_half_over_dry_half});
        const StageContext swept_stage{dt, swept->state, swept->immobile_concentration};
        const StageContext direct_stage{dt, direct->state, direct->immobile_concentration};
        assemble_step_coefficients(*swept, swept_stage);
        assemble_step_coefficients(*direct, direct_stage);
        const StageResult by_sweeps = solve_step_equations(*swept, swept_stage);
        const StageResult by_thomas = solve_step_equations_directly(*direct, direct_stage, false);
        ASSERT_TRUE(by_sweeps.water.converged);
        EXPECT_TRUE(by_thomas.water.converged);
        for (int c = 2; c <= 7; ++c) {
            EXPECT_NEAR(direct->matric_potential(c), swept->matric_potential(c),
                        2e-5f * std::fabs(swept->matric_potential(c)))
                << "compartment " << c;
        }
    }
}

// The conserving corrector: the change of the stored water equals what the
// solved rows moved through the faces, from short steps to four hours.
TEST(DirectSolve, ConservingCorrectorKeepsStoredWaterEqualToFaceFluxes)
{
    for (const float dt : {600.0f, 3600.0f, 14400.0f}) {
        SCOPED_TRACE(dt);
        auto st = column({.suction = wet_half_over_dry_half});
        const double before = stored_water(*st);
        const StageContext stage{dt, st->state, st->immobile_concentration};
        assemble_step_coefficients(*st, stage);
        const StageResult result = solve_step_equations_directly(*st, stage, true);
        EXPECT_TRUE(result.water.converged);
        const int n = st->compartment_count;
        const double through_faces = (result.fluxes.water(2) - result.fluxes.water(n)) * dt;
        double moved = 0.0;
        for (int f = 3; f <= n - 1; ++f) moved += std::fabs(result.fluxes.water(f)) * dt;
        EXPECT_GT(moved, 1e-3) << "the water must move";
        EXPECT_NEAR(stored_water(*st) - before, through_faces, 1e-7 + 1e-6 * moved);
    }
}

// A closed column with a solute peak and Freundlich sorption: the direct
// solve conserves the inventory the balances count, to 1E-7 of it.
TEST(DirectSolve, FreundlichSoluteMassIsConserved)
{
    for (const float exponent : {1.0f, 0.9f, 0.7f}) {
        SCOPED_TRACE(exponent);
        auto st = column({.suction = wet_half_over_dry_half});
        for (int c = 2; c <= 7; ++c) {
            st->sorption_exponent(c, 1) = exponent;
            st->mobile_concentration(c, 1) = c == 4 ? 10.0f : 0.01f;
            st->immobile_concentration(c, 1) = st->mobile_concentration(c, 1);
        }
        const double before = substance_inventory(*st, 1);
        const StageContext stage{3600.0f, st->state, st->immobile_concentration};
        assemble_step_coefficients(*st, stage);
        const StageResult result = solve_step_equations_directly(*st, stage, true);
        EXPECT_TRUE(result.solutes.converged);
        const int n = st->compartment_count;
        const double through_faces = (result.fluxes.substance(1)(2) - result.fluxes.substance(1)(n)) * 3600.0;
        EXPECT_NEAR(substance_inventory(*st, 1) - before, through_faces, 1e-7 * before);
    }
}

}  // namespace
}  // namespace soilcolumn
