// Retention, capacity, conductivity and face terms of the hydraulic functions.
// Reference values come from a separate python3 evaluation (double precision)
// of the same curves; for models 3 and 4-8 the capacity there was taken as
// the analytic derivative written independently of the code.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "water/hydraulic_functions.hpp"
#include "water/van_genuchten_column.hpp"

namespace soilcolumn {
namespace {

struct Soil {
    const char* name;
    int retention = 0;
    int conductivity = 0;
    float porosity = 0.0f;
    float aggregate = 0.0f;
    float dry_h = 1000.0f;
    float dry_theta = 0.0f;
    float air_entry = 0.0f, b = 0.0f;
    float second_entry = 0.0f, b2 = 0.0f, theta2 = 0.0f, k2 = 0.0f;
    float theta_1m = 0.0f, theta_3_3m = 0.0f, theta_150m = 0.0f;
    float theta_r = 0.0f, alpha = 0.0f, n = 0.0f, m = 0.0f;
    float ks = 1.0e-5f, k_exponent = 0.0f;
    float k_alpha = 0.0f, k_n = 0.0f, k_m = 0.0f, k_l = 0.0f, k_theta_r = 0.0f;
    float gardner_a = 0.0f, gardner_b = 0.0f;
    std::vector<float> junctions;  // suctions where the curve changes branch
};

// Realistic parameter sets, dry ends placed on the curve at 1000 m
// (theta_x computed in python3 from the curve itself).
const Soil campbell{.name = "1 Campbell / K1", .retention = 1, .conductivity = 1, .porosity = 0.40f,
                    .aggregate = 0.06f, .dry_theta = 0.06594745617f, .air_entry = 0.30f, .b = 4.5f,
                    .k_exponent = 4.5f, .junctions = {1000.0f, 0.4365922595f}};
const Soil two_segment{.name = "2 two segments / K2", .retention = 2, .conductivity = 2, .porosity = 0.42f,
                       .aggregate = 0.05f, .dry_theta = 0.08451807342f, .air_entry = 0.5f, .b = 6.0f,
                       .second_entry = 0.0228f, .b2 = 9.17712437f, .theta2 = 0.30f, .k2 = 2.0e-6f,
                       .junctions = {1000.0f, 0.5f, 0.0228f}};
const Soil three_point{.name = "3 three points / K5", .retention = 3, .conductivity = 5, .porosity = 0.40f,
                       .aggregate = 0.11f, .theta_1m = 0.36f, .theta_3_3m = 0.29f, .theta_150m = 0.12f,
                       .k_alpha = 5.0f, .k_n = 1.6f, .k_m = 0.35f, .k_theta_r = 0.05f,
                       .junctions = {3.3f, 150.0f}};
const Soil vg_sand_loam{.name = "4 van Genuchten / K3", .retention = 4, .conductivity = 3, .porosity = 0.38f,
                        .aggregate = 0.03f, .dry_theta = 0.01545017536f, .alpha = 3.0f, .n = 1.4f,
                        .k_alpha = 3.0f, .k_n = 1.4f, .k_l = 0.5f, .junctions = {1000.0f}};
const Soil vg_general{.name = "5 van Genuchten / K4", .retention = 5, .conductivity = 4, .porosity = 0.41f,
                      .aggregate = 0.08f, .dry_theta = 0.06130838328f, .alpha = 2.0f, .n = 1.25f,
                      .k_alpha = 2.0f, .k_n = 1.25f, .k_l = -1.0f, .junctions = {1000.0f}};
const Soil vg_free_m{.name = "6 van Genuchten free m / K5", .retention = 6, .conductivity = 5, .porosity = 0.40f,
                     .aggregate = 0.06f, .dry_theta = 0.05296923560f, .theta_r = 0.05f, .alpha = 5.0f,
                     .n = 1.6f, .m = 0.35f, .k_alpha = 5.0f, .k_n = 1.6f, .k_m = 0.35f, .k_theta_r = 0.05f,
                     .junctions = {1000.0f}};
const Soil single_power{.name = "7 (1 + alpha h)^n / K6", .retention = 7, .conductivity = 6, .porosity = 0.40f,
                        .aggregate = 0.16f, .dry_theta = 0.1468701880f, .theta_r = 0.143f, .alpha = 0.4f,
                        .n = 0.7f, .k_theta_r = 0.143f, .gardner_a = 0.93f, .gardner_b = 1.53f,
                        .junctions = {1000.0f}};
const Soil ghm{.name = "8 GHM / K7", .retention = 8, .conductivity = 7, .porosity = 0.42f, .aggregate = 0.2f,
               .dry_theta = 0.1362288389f, .b = -7.237772029f, .k_exponent = -7.237772029f,
               .junctions = {1000.0f}};

const Soil* const all_soils[] = {&campbell, &two_segment, &three_point, &vg_sand_loam,
                                 &vg_general, &vg_free_m, &single_power, &ghm};

void place(ModelState& st, int c, const Soil& s)
{
    st.retention_model(c) = s.retention;
    st.conductivity_model(c) = s.conductivity;
    st.porosity(c) = s.porosity;
    st.aggregate_porosity(c) = s.aggregate;
    st.compartment_thickness(c) = 0.1f;
    st.dry_end_suction(c) = s.dry_h;
    st.dry_end_water_content(c) = s.dry_theta;
    st.air_entry_suction(c) = s.air_entry;
    st.pore_size_exponent(c) = s.b;
    st.second_entry_suction(c) = s.second_entry;
    st.second_pore_size_exponent(c) = s.b2;
    st.junction_water_content(c) = s.theta2;
    st.junction_conductivity(c) = s.k2;
    st.water_content_1m(c) = s.theta_1m;
    st.water_content_3_3m(c) = s.theta_3_3m;
    st.water_content_150m(c) = s.theta_150m;
    st.residual_water_content(c) = s.theta_r;
    st.vg_alpha(c) = s.alpha;
    st.vg_n(c) = s.n;
    st.vg_m(c) = s.m;
    st.saturated_conductivity(c) = s.ks;
    st.conductivity_exponent(c) = s.k_exponent;
    st.conductivity_vg_alpha(c) = s.k_alpha;
    st.conductivity_vg_n(c) = s.k_n;
    st.conductivity_vg_m(c) = s.k_m;
    st.conductivity_vg_l(c) = s.k_l;
    st.conductivity_residual_water_content(c) = s.k_theta_r;
    st.gardner_a(c) = s.gardner_a;
    st.gardner_b(c) = s.gardner_b;
}

// A column of one soil whose compartments 2..N hold the given suctions
// (at most 99); `vector_powers` and `derived_powers` as the fast arithmetic
// sets them.
std::unique_ptr<ModelState> evaluate(const Soil& soil, const std::vector<float>& suctions,
                                     bool vector_powers = false)
{
    EXPECT_LE(suctions.size(), 99u);
    auto st = std::make_unique<ModelState>();
    st->vector_powers = vector_powers;
    st->derived_powers = vector_powers;
    st->compartment_count = static_cast<int>(suctions.size()) + 1;
    for (int c = 2; c <= st->compartment_count; ++c) {
        place(*st, c, soil);
        st->state(c, 0) = suctions[static_cast<std::size_t>(c - 2)];
    }
    compute_water_retention(*st, st->state);
    compute_hydraulic_properties(*st, st->state);
    return st;
}

std::vector<float> log_spaced(float from, float to, int count)
{
    std::vector<float> h;
    for (int i = 0; i < count; ++i)
        h.push_back(from * std::pow(to / from, static_cast<float>(i) / static_cast<float>(count - 1)));
    return h;
}

void expect_relative(float actual, double expected, double tolerance, const char* what)
{
    EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected) + 1e-30) << what;
}

TEST(HydraulicFunctions, ValuesAgreeWithIndependentEvaluation)
{
    struct Case { const Soil* soil; float h; double theta, capacity, conductivity; };
    // K < 0 marks a row whose conductivity is not checked.
    const Case cases[] = {
        {&campbell, 5.0f, 0.21406124499, 0.0095138331105, 5.5174279132e-09},    // power law
        {&campbell, 0.3f, 0.38285619986, 0.076629393917, -1},                  // wet-end parabola
        {&campbell, 2000.0f, 0.056021374951, 7.1601527276e-06, -1},            // dry end
        {&two_segment, 100.0f, 0.12405556626, 0.00020675927710, 3.5355339059e-12},  // below theta2
        {&two_segment, 0.1f, 0.35750789464, 0.38956418180, 2.3206112316e-06},  // above theta2
        {&two_segment, 0.01f, 0.42, 0.42, -1},                                 // saturated
        {&three_point, 2.0f, 0.31936059173, 0.029315136388, -1},
        {&three_point, 10.0f, 0.24061911787, 0.0044540946036, -1},
        {&three_point, 1000.0f, 0.084988582145, 1.8455036125e-05, -1},
        {&vg_sand_loam, 1.0f, 0.23162800931, 0.076268814523, 2.2830851683e-08},
        {&vg_sand_loam, 5000.0f, 0.010050570791, 6.7099246379e-07, -1},
        {&vg_general, 10.0f, 0.19297302632, 0.0047128961094, 4.6192852144e-10},
        {&vg_free_m, 2.0f, 0.14556460420, 0.026102425882, 3.9055827967e-10},
        {&single_power, 30.0f, 0.18567492600, 0.00091915225233, 4.4512859650e-11},
        {&ghm, 10.0f, 0.25739326788, 0.0035562500014, 1.9221564852e-09},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.soil->name << " at h = " << k.h);
        const auto st = evaluate(*k.soil, {k.h});
        expect_relative(st->water_content(2), k.theta, 2e-5, "water content");
        expect_relative(st->water_capacity(2), k.capacity, 1e-4, "capacity");
        if (k.conductivity >= 0) expect_relative(st->unsaturated_conductivity(2), k.conductivity, 1e-4, "K");
    }
}

// The fast arithmetic raises the van Genuchten and Mualem powers of a whole
// column in batches: the same water contents, capacities and conductivities
// within a few units of the last place; the other curves take no batched
// powers and keep their bits.
TEST(HydraulicFunctions, BatchedPowersGiveTheCurvesValues)
{
    std::vector<float> suctions = log_spaced(1e-3f, 2e5f, 60);
    suctions.push_back(0.0f);
    for (const Soil* soil : all_soils) {
        SCOPED_TRACE(soil->name);
        const bool van_genuchten = soil->retention >= 4 && soil->retention <= 6;
        const bool mualem = soil->conductivity == 3 || soil->conductivity == 4;
        const auto classic = evaluate(*soil, suctions);
        const auto fast = evaluate(*soil, suctions, true);
        for (int c = 2; c <= classic->compartment_count; ++c) {
            SCOPED_TRACE(testing::Message() << "suction " << classic->state(c, 0));
            const float theta = classic->water_content(c);
            const float capacity = classic->water_capacity(c);
            if (van_genuchten) {
                EXPECT_NEAR(fast->water_content(c), theta, 1e-6f * std::fabs(theta));
                EXPECT_NEAR(fast->water_capacity(c), capacity, 1e-6f * std::fabs(capacity));
            } else {
                EXPECT_EQ(fast->water_content(c), theta);
                EXPECT_EQ(fast->water_capacity(c), capacity);
            }
            const float conductivity = classic->unsaturated_conductivity(c);
            if (van_genuchten || mualem) {
                // Mualem's bracket (1 + x)^m - x^m cancels at large suctions, where one
                // unit of the last place of a power moves it by far more; the
                // conductivity there is below a billionth of the saturated one.
                const float tolerance = 1e-5f * conductivity + 1e-9f * classic->saturated_conductivity(c);
                EXPECT_NEAR(fast->unsaturated_conductivity(c), conductivity, tolerance);
            } else {
                EXPECT_EQ(fast->unsaturated_conductivity(c), conductivity);
            }
        }
    }
}

// The fast arithmetic keeps the van Genuchten powers by compartment (the
// column) where a van Genuchten curve holds suctions above zero and below
// its dry end, and the Mualem denominator too where the conductivity takes
// the curve's alpha, n and m; elsewhere the curves raise their own powers.
// Either way the values are the classic ones within a few units of the last
// place.
TEST(HydraulicFunctions, FastColumnHoldsTheVanGenuchtenPowersItRaised)
{
    Soil other_alpha = vg_sand_loam;
    other_alpha.name = "4 van Genuchten / K3 of another alpha";
    other_alpha.k_alpha = 2.5f;
    // m = 1 - 1/n = 0.5 and, with l = 0, the Mualem denominator's exponent
    // (l + 2) m = 1: a power without powf, left to the conductivity.
    Soil unit_denominator = vg_sand_loam;
    unit_denominator.name = "4 van Genuchten / K3, n = 2, l = 0";
    unit_denominator.n = unit_denominator.k_n = 2.0f;
    unit_denominator.k_l = 0.0f;
    // n = 1 makes m = 0: the curve is flat and takes no powf at all.
    Soil unit_n = vg_sand_loam;
    unit_n.name = "4 van Genuchten / K3, n = 1";
    unit_n.n = unit_n.k_n = 1.0f;
    struct Case { const Soil* soil; float h; bool holds; bool conducts; };
    const Case cases[] = {
        {&vg_sand_loam, 1.0f, true, true},
        {&vg_general, 10.0f, true, true},
        {&vg_free_m, 2.0f, true, false},      // conductivity model 5 raises its own
        {&other_alpha, 1.0f, true, false},
        {&unit_denominator, 1.0f, true, false},
        {&unit_n, 1.0f, false, false},
        {&vg_sand_loam, 5000.0f, false, false},  // beyond the dry end
        {&vg_sand_loam, 0.0f, false, false},
        {&campbell, 5.0f, false, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.soil->name << " at h = " << k.h);
        const auto fast = evaluate(*k.soil, {k.h}, true);
        const auto classic = evaluate(*k.soil, {k.h});
        EXPECT_EQ(column_holds(*fast, 2, k.h), k.holds);
        EXPECT_EQ(column_conducts(*fast, 2, k.h), k.conducts);
        EXPECT_FALSE(column_holds(*classic, 2, k.h));
        expect_relative(fast->water_content(2), classic->water_content(2), 1e-6, "water content");
        expect_relative(fast->water_capacity(2), classic->water_capacity(2), 1e-6, "capacity");
        // Mualem's bracket (1 + x)^m - x^(n-1) cancels to a few digits, and
        // with them the units of the last place of its powers grow.
        expect_relative(fast->unsaturated_conductivity(2), classic->unsaturated_conductivity(2), 1e-4, "K");
    }
}

// The column answers only for the suction it was raised at, and only in the
// fast arithmetic: a state that ran fast gives the classic bits once the
// classic arithmetic takes it over.
TEST(HydraulicFunctions, FastColumnIsReadOnlyAtItsSuctionAndInTheFastArithmetic)
{
    auto st = evaluate(vg_sand_loam, {1.0f, 10.0f}, true);
    st->state(2, 0) = 10.0f;  // compartment 2 now holds compartment 3's suction
    compute_hydraulic_properties(*st, st->state);
    expect_relative(st->water_capacity(2), st->water_capacity(3), 1e-6, "capacity at the new suction");
    expect_relative(st->unsaturated_conductivity(2), st->unsaturated_conductivity(3), 1e-4, "K at the new suction");

    auto taken_over = evaluate(vg_sand_loam, {1.0f, 10.0f}, true);
    taken_over->vector_powers = taken_over->derived_powers = false;
    compute_water_retention(*taken_over, taken_over->state);
    compute_hydraulic_properties(*taken_over, taken_over->state);
    const auto classic = evaluate(vg_sand_loam, {1.0f, 10.0f});
    for (int c = 2; c <= 3; ++c) {
        EXPECT_EQ(taken_over->water_content(c), classic->water_content(c));
        EXPECT_EQ(taken_over->water_capacity(c), classic->water_capacity(c));
        EXPECT_EQ(taken_over->unsaturated_conductivity(c), classic->unsaturated_conductivity(c));
    }
}

TEST(HydraulicFunctions, WaterContentIsContinuousAtEveryJunction)
{
    for (const Soil* soil : all_soils) {
        for (float junction : soil->junctions) {
            SCOPED_TRACE(testing::Message() << soil->name << " at h = " << junction);
            const auto st = evaluate(*soil, {junction * (1.0f - 1e-5f), junction * (1.0f + 1e-5f)});
            EXPECT_NEAR(st->water_content(2), st->water_content(3), 1e-4f);
        }
    }
}

TEST(HydraulicFunctions, ParabolaMeetsPowerLawWithTheSameSlope)
{
    const float hi = campbell.junctions[1];
    const auto st = evaluate(campbell, {hi * 0.999f, hi * 1.001f});
    EXPECT_NEAR(st->water_capacity(2), st->water_capacity(3), 0.01f * st->water_capacity(3));
}

TEST(HydraulicFunctions, CapacityIsTheDerivativeOfWaterContent)
{
    const float step = 0.01f;  // relative suction step of the central difference
    for (const Soil* soil : all_soils) {
        std::vector<float> suctions;
        for (float h : log_spaced(0.002f, 50000.0f, 33)) {
            bool near_junction = false;
            for (float j : soil->junctions) near_junction = near_junction || std::fabs(h / j - 1.0f) < 0.05f;
            if (near_junction) continue;
            suctions.insert(suctions.end(), {h, h * (1.0f - step), h * (1.0f + step)});
        }
        const auto st = evaluate(*soil, suctions);
        for (int c = 2; c + 2 <= st->compartment_count; c += 3) {
            const float h = st->state(c, 0);
            // Saturated and capped branches carry the porosity's value, not the slope.
            if (st->water_content(c) > soil->porosity - 1e-4f || st->water_capacity(c) == soil->porosity)
                continue;
            SCOPED_TRACE(testing::Message() << soil->name << " at h = " << h);
            const float dh = st->state(c + 2, 0) - st->state(c + 1, 0);
            const float slope = (st->water_content(c + 1) - st->water_content(c + 2)) / dh;
            // 1 % plus the effect of rounding theta to float on both sides
            EXPECT_NEAR(st->water_capacity(c), slope, 0.01f * slope + 2e-7f / dh);
        }
    }
}

TEST(HydraulicFunctions, WettingRaisesWaterContentAndConductivity)
{
    const std::vector<float> drying = log_spaced(0.001f, 95000.0f, 99);
    for (const Soil* soil : all_soils) {
        SCOPED_TRACE(soil->name);
        const auto st = evaluate(*soil, drying);
        for (int c = 2; c <= st->compartment_count; ++c) {
            EXPECT_GE(st->unsaturated_conductivity(c), 0.0f) << "h = " << st->state(c, 0);
            EXPECT_GT(st->water_capacity(c), 0.0f) << "h = " << st->state(c, 0);
            EXPECT_LE(st->water_content(c), soil->porosity) << "h = " << st->state(c, 0);
            if (c == 2) continue;
            EXPECT_LE(st->water_content(c), st->water_content(c - 1)) << "h = " << st->state(c, 0);
            // The Mualem bracket (1 + x^n)^m - x^(n-1) cancels in float at the dry
            // end and leaves noise of order 1e-15 Ks there.
            EXPECT_LE(st->unsaturated_conductivity(c), st->unsaturated_conductivity(c - 1) + 1e-9f * soil->ks)
                << "h = " << st->state(c, 0);
        }
    }
}

TEST(HydraulicFunctions, DryEndReachesZeroWaterAtTenToTheFiveMetres)
{
    for (const Soil* soil : all_soils) {
        if (soil->retention == 3) continue;  // has its own last segment
        SCOPED_TRACE(soil->name);
        EXPECT_NEAR(evaluate(*soil, {1.0e5f})->water_content(2), 0.0f, 1e-7f);
    }
}

TEST(HydraulicFunctions, WetEndsGiveSaturationAndPorosityAsCapacity)
{
    struct Case { const Soil* soil; float h; };
    const Case cases[] = {
        {&campbell, 0.0f},       // model 1 at and above zero pressure
        {&campbell, -0.2f},
        {&three_point, 0.0005f},  // model 3 wetter than 0.001 m
        {&three_point, 0.5f},     // model 3 first segment extrapolated, capped
        {&ghm, 0.0001f},         // model 8 raised to 0.001 m, capped
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.soil->name << " at h = " << k.h);
        const auto st = evaluate(*k.soil, {k.h});
        EXPECT_EQ(st->water_content(2), k.soil->porosity);
        EXPECT_EQ(st->water_capacity(2), k.soil->porosity);
        if (k.soil->retention == 8) {
            EXPECT_EQ(st->state(2, 0), 0.001f);  // raised in the caller's array
        }
    }
}

TEST(HydraulicFunctions, WaterOnlyInAggregatesDoesNotConduct)
{
    // aggregate porosity = theta + offset, so the water sits in the aggregates
    // (offset >= 0) or partly between them (offset < 0).
    struct Case { const Soil* soil; float offset; bool conducts; };
    const Case cases[] = {
        {&campbell, 0.01f, false}, {&campbell, 0.0f, false}, {&campbell, -0.01f, true},
        {&two_segment, 0.01f, false}, {&two_segment, 0.0f, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.soil->name << " offset " << k.offset);
        auto st = evaluate(*k.soil, {50.0f});
        const float theta = st->water_content(2);
        st->aggregate_porosity(2) = theta + k.offset;
        compute_water_retention(*st, st->state);
        compute_hydraulic_properties(*st, st->state);
        EXPECT_EQ(st->unsaturated_conductivity(2) > 0.0f, k.conducts);
        EXPECT_EQ(st->immobile_water_content(2), k.offset >= 0.0f ? theta : theta + k.offset);
    }
}

TEST(HydraulicFunctions, UnknownModelCodesKeepPreviousValues)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = 3;
    for (int c = 2; c <= 3; ++c) {
        place(*st, c, vg_sand_loam);
        st->retention_model(c) = 9;
        st->conductivity_model(c) = 0;
        st->state(c, 0) = 10.0f;
        st->water_content(c) = 0.25f;
        st->water_capacity(c) = 0.5f;
        st->unsaturated_conductivity(c) = 3.0e-7f;
    }
    compute_water_retention(*st, st->state);
    compute_hydraulic_properties(*st, st->state);
    EXPECT_EQ(st->water_content(2), 0.25f);
    EXPECT_EQ(st->immobile_water_content(2), vg_sand_loam.aggregate);
    EXPECT_EQ(st->water_capacity(2), 0.5f);
    EXPECT_EQ(st->unsaturated_conductivity(2), 3.0e-7f);
}

// Face terms from conductivities set directly (conductivity code 0 keeps them).
struct FaceColumn {
    std::vector<float> thickness;     // compartments 2..N
    std::vector<float> conductivity;  // compartments 2..N
    int previous_shallow_index;
    int shallow_index;
    std::vector<double> face_conductivity;  // faces 3..N-1
    std::vector<double> gravity_flux;       // faces 3..N-1
};

TEST(HydraulicFunctions, FaceConductivityAndGravityFlux)
{
    // Harmonic means (dz1 + dz2) K1 K2 / (dz1 K2 + K1 dz2) and arithmetic
    // means computed by hand (python3).
    const FaceColumn columns[] = {
        // soil crosses 0.5 m in compartment 4 (0.25 + 0.25 is not above 0.5): faces 3, 4 arithmetic
        {{0.25f, 0.25f, 0.25f, 0.1f, 0.3f, 0.2f}, {1e-6f, 4e-6f, 2e-6f, 1e-6f, 6e-6f, 5e-6f}, 0, 4,
         {1.6e-6, 2.6666666667e-6, 1.5555555556e-6, 2.6666666667e-6}, {2.5e-6, 3.0e-6, 1.5555555556e-6, 2.6666666667e-6}},
        // 0.4 m of soil: harmonic everywhere
        {{0.1f, 0.1f, 0.1f, 0.1f}, {1e-6f, 4e-6f, 2e-6f, 1e-6f}, 0, 0,
         {1.6e-6, 2.6666666667e-6}, {1.6e-6, 2.6666666667e-6}},
        // ... unless an earlier column set the index, which then stays
        {{0.1f, 0.1f, 0.1f, 0.1f}, {1e-6f, 4e-6f, 2e-6f, 1e-6f}, 3, 3,
         {1.6e-6, 2.6666666667e-6}, {2.5e-6, 2.6666666667e-6}},
        // a non-conducting compartment closes its faces
        {{0.3f, 0.3f, 0.3f, 0.3f}, {0.0f, 0.0f, 2e-6f, 1e-6f}, 0, 3, {0.0, 0.0}, {0.0, 0.0}},
    };
    for (const FaceColumn& k : columns) {
        auto st = std::make_unique<ModelState>();
        const int n = static_cast<int>(k.thickness.size()) + 1;
        st->compartment_count = n;
        st->shallow_index = k.previous_shallow_index;
        st->gravity_flux(1) = 7e-7f;
        st->gravity_flux(2) = 6e-7f;
        for (int c = 2; c <= n; ++c) {
            st->compartment_thickness(c) = k.thickness[static_cast<std::size_t>(c - 2)];
            st->unsaturated_conductivity(c) = k.conductivity[static_cast<std::size_t>(c - 2)];
            st->face_conductivity(c) = -1.0f;
            st->state(c, 0) = 1.0f;
        }
        compute_hydraulic_properties(*st, st->state);
        SCOPED_TRACE(testing::Message() << "column of " << n << " compartments");
        EXPECT_EQ(st->shallow_index, k.shallow_index);
        for (int c = 3; c <= n - 1; ++c) {
            expect_relative(st->face_conductivity(c), k.face_conductivity[static_cast<std::size_t>(c - 3)], 1e-6, "Kf");
            expect_relative(st->gravity_flux(c), k.gravity_flux[static_cast<std::size_t>(c - 3)], 1e-6, "G");
        }
        EXPECT_EQ(st->face_conductivity(2), 0.0f);
        EXPECT_EQ(st->face_conductivity(n), st->unsaturated_conductivity(n - 1));
        EXPECT_EQ(st->gravity_flux(n), st->unsaturated_conductivity(n - 1));
        EXPECT_EQ(st->gravity_flux(1), 7e-7f);
        EXPECT_EQ(st->gravity_flux(2), 6e-7f);
    }
}

}  // namespace
}  // namespace soilcolumn
