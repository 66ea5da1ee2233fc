// The regulatory endpoint: the ranking and pairing rule on hand-made period
// tables, the choice of the target face, and annual sums that add up to the
// run's totals.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "driver/run.hpp"
#include "driver/time_loop.hpp"
#include "endpoint/annual_balances.hpp"
#include "endpoint/endpoint.hpp"
#include "input/temp_directory.hpp"
#include "stage/test_column.hpp"

namespace soilcolumn {
namespace {

// Periods whose concentrations (ug/L) are given, each with 0.2 m of water.
std::vector<LeachingPeriod> periods_with(const std::vector<double>& concentrations)
{
    std::vector<LeachingPeriod> periods;
    int year = 1;
    for (double c : concentrations) {
        const double water = 0.2;
        periods.push_back({year, year, water, c * water / 1000.0, c});
        ++year;
    }
    return periods;
}

std::vector<double> one_to(int n, bool reversed = false)
{
    std::vector<double> values;
    for (int k = 1; k <= n; ++k) values.push_back(reversed ? n + 1 - k : k);
    return values;
}

// By hand: ranks floor(0.8 n) and ceil(0.8 n), the second moved on by one
// when they coincide; with equal water the endpoint is the mean of the two.
// The percentile lies at position 1 + 0.8 (n - 1) between order statistics.
TEST(Endpoint, RanksAndPairsThePeriods)
{
    struct Case { const char* what; std::vector<double> concentrations; double endpoint; double percentile; int first_rank_year; };
    const Case cases[] = {
        {"20 periods: 16th and 17th", one_to(20), 16.5, 16.2, 16},
        {"20 periods in falling order", one_to(20, true), 16.5, 16.2, 5},
        {"19 periods: 15th and 16th", one_to(19), 15.5, 15.4, 15},
        {"10 periods: 8th and 9th", one_to(10), 8.5, 8.2, 8},
        {"2 periods: 1st and 2nd", one_to(2), 1.5, 1.8, 1},
        {"ties: ranks 4 and 5 in the order of the run", {3, 3, 3, 3, 3}, 3.0, 3.0, 4},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const Endpoint e = endpoint_of(periods_with(k.concentrations), 0.1);
        ASSERT_TRUE(e.value.has_value());
        EXPECT_NEAR(*e.value, k.endpoint, 1e-12);
        EXPECT_NEAR(*e.percentile_80, k.percentile, 1e-12);
        EXPECT_EQ(e.lower_rank_period->first_year, k.first_rank_year);
        EXPECT_TRUE(*e.exceeds_limit);
    }
}

// The endpoint weighs the two periods by their water: mass over water of
// both, not the mean of their concentrations. Ranks 8 and 9 of 10: 0.008 g
// in 0.1 m (80 ug/L) and 0.009 g in 0.3 m (30 ug/L)? No: ordered by
// concentration, so give rank 9 the higher one: 0.003 g in 0.1 m (30) and
// 0.012 g in 0.3 m (40): (0.003 + 0.012) / 0.4 = 37.5 ug/L.
TEST(Endpoint, WeighsThePairByItsWater)
{
    std::vector<LeachingPeriod> periods = periods_with(one_to(10));
    periods[7] = {8, 8, 0.1, 0.003, 30.0};
    periods[8] = {9, 9, 0.3, 0.012, 40.0};
    periods[9] = {10, 10, 0.1, 0.005, 50.0};
    const Endpoint e = endpoint_of(periods, 0.1);
    EXPECT_NEAR(*e.value, 37.5, 1e-9);
}

// No number is invented: fewer than two periods with percolation give none;
// a period without percolation is not ranked.
TEST(Endpoint, NeedsTwoPeriodsWithPercolation)
{
    std::vector<LeachingPeriod> periods = periods_with({0.05});
    EXPECT_FALSE(endpoint_of(periods, 0.1).value.has_value());
    periods.push_back({2, 2, 0.0, 0.0, std::nullopt});  // a dry year
    const Endpoint one_usable = endpoint_of(periods, 0.1);
    EXPECT_FALSE(one_usable.value.has_value());
    EXPECT_EQ(one_usable.usable_periods, 1);
    EXPECT_FALSE(one_usable.note.empty());
    periods.push_back({3, 3, 0.2, 0.2 * 0.02 / 1000.0, 0.02});
    const Endpoint two_usable = endpoint_of(periods, 0.1);
    ASSERT_TRUE(two_usable.value.has_value());
    EXPECT_NEAR(*two_usable.value, 0.035, 1e-12);
    EXPECT_FALSE(*two_usable.exceeds_limit);
}

// Warm-up years and partial years are left out; periods of two years sum
// their years; an incomplete last period is dropped.
TEST(Endpoint, GroupsCompleteYearsAfterTheWarmUp)
{
    std::vector<YearLeaching> years = {{false, 1.0, 1.0}};  // a partial first year
    for (int y = 0; y < 9; ++y) years.push_back({true, 0.1 * (y + 1), 0.001});
    years.push_back({false, 1.0, 1.0});  // a partial last year
    const auto yearly = evaluation_periods(years, {.warm_up_years = 2, .period_years = 1});
    ASSERT_EQ(yearly.size(), 7u);
    EXPECT_EQ(yearly.front().first_year, 4);
    const auto biennial = evaluation_periods(years, {.warm_up_years = 2, .period_years = 2});
    ASSERT_EQ(biennial.size(), 3u);
    EXPECT_NEAR(biennial[0].water, 0.3 + 0.4, 1e-12);
    EXPECT_NEAR(*biennial[0].concentration, 1000.0 * 0.002 / 0.7, 1e-9);
}

// Compartments 0.1, 0.2, 0.3, 0.4 m below the boundary node: faces 2..6 at
// 0, 0.1, 0.3, 0.6 and 1.0 m.
TEST(TargetFace, NearestFaceToTheDepth)
{
    ModelState st;
    st.compartment_count = 6;
    const float thickness[] = {0.1f, 0.1f, 0.2f, 0.3f, 0.4f, 0.1f};
    for (int c = 1; c <= 6; ++c) st.compartment_thickness(c) = thickness[c - 1];
    struct Case { double depth; int face; double face_depth; };
    const Case cases[] = {
        {0.3, 4, 0.3},  // on a face
        {0.4, 4, 0.3},  // nearer to 0.3 than to 0.6
        {0.45, 4, 0.3}, // half way: the shallower face
        {0.5, 5, 0.6},
        {1.0, 6, 1.0},  // the bottom
        {0.0, 2, 0.0},  // the surface
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.depth);
        std::string message;
        const auto face = target_face_near(st, k.depth, message);
        ASSERT_TRUE(face.has_value()) << message;
        EXPECT_EQ(face->face, k.face);
        EXPECT_NEAR(face->depth, k.face_depth, 1e-6);
    }
    std::string message;
    EXPECT_FALSE(target_face_near(st, 1.01, message).has_value());
    EXPECT_NE(message.find("outside the column"), std::string::npos);
}

// Unit-gradient flow: every face carries K(h); the target face's water over
// the steps is K dt per step, as the face-flux output shows it.
TEST(AnnualBalances, SteadyFlowAtTheTargetIsTheFaceFlux)
{
    auto st = testing::column({.suction = std::vector<float>(8, 1.0f), .closed_bottom = false});
    st->weather_date = {1, 1, 2010};
    const float k = st->unsaturated_conductivity(4);
    AnnualBalances annual;
    annual.start(*st, {4, 0.4});
    for (int i = 0; i < 24; ++i) {
        st->time_step = 3600.0f;
        st->start_state = st->state;
        st->gravity_flux(1) = k;
        st->gravity_flux(2) = k;
        const StepResult result = advance_water_and_substances(*st);
        annual.book_step(*st, result.corrector);
    }
    annual.finish();
    ASSERT_EQ(annual.years().size(), 1u);
    EXPECT_NEAR(annual.years()[0].water_target, 24 * 3600.0 * k, 1e-5 * 24 * 3600.0 * k);
    EXPECT_NEAR(annual.years()[0].water_target, annual.years()[0].water_lower, 1e-5 * annual.years()[0].water_lower);
}

// The years of the default scenario add up to the run's 64-bit totals.
TEST(AnnualBalances, YearsAddUpToTheRunTotals)
{
    testing::TempDirectory out;
    std::ostringstream console;
    soilcolumn::Run run({.input_directory = std::filesystem::path(SOILCOLUMN_SOURCE_DIR) / "examples" / "default",
                         .output_directory = out.path(), .console = &console});
    ASSERT_EQ(run_to_end(run), RunStatus::completed);
    const auto& years = run.record().annual.years();
    // The first step still has 31 December 2009 in force; 1096 days then
    // cover 2010, 2011 and 2012 in full.
    ASSERT_EQ(years.size(), 4u);
    EXPECT_TRUE(years[0].partial);
    EXPECT_EQ(years[1].weather_year, 2010);
    EXPECT_FALSE(years[1].partial);
    EXPECT_FALSE(years[3].partial);
    double infiltration = 0.0, lower = 0.0, storage = 0.0, applied = 0.0, degraded = 0.0;
    for (const YearBalance& year : years) {
        infiltration += year.infiltration;
        lower += year.water_lower;
        storage += year.storage_change;
        applied += year.substances[0].applied;
        degraded += year.substances[0].degraded;
    }
    const RunDiagnostics& d = run.record().diagnostics;
    EXPECT_NEAR(infiltration, d.water.surface_inflow, 1e-9);
    EXPECT_NEAR(lower, d.water.lower_outflow, 1e-9);
    EXPECT_NEAR(storage, d.water.storage - d.water.initial_storage, 1e-9);
    EXPECT_NEAR(applied, d.substance(1).applied, 1e-12);
    EXPECT_NEAR(degraded, d.substance(1).degraded, 1e-12);
    EXPECT_NEAR(run.record().annual.target().depth, 1.0, 0.05);
}

}  // namespace
}  // namespace soilcolumn
