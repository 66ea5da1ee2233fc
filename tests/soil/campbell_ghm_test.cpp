#include <gtest/gtest.h>

#include <cmath>

#include "soil/campbell_ghm.hpp"
#include "soil/campbell_ghm_relations.hpp"
#include "soil/texture.hpp"

namespace soilcolumn {
namespace {

// Expected numbers below come from an independent python3 evaluation of the
// retention formulas in binary32: every arithmetic step rounded to float
// (struct 'f'), exp/log/pow/sqrt/log10 taken from libm's float versions via
// ctypes, the film water summed class by class in the same order.

void expect_relative(float actual, float expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected));
}

struct Soil {
    TextureVector texture;
    float porosity;
    float aggregate_density;
    float aggregate_diameter;
    float organic_matter_fraction;
};

CampbellParameters run_campbell(const Soil& soil, std::int32_t model)
{
    return derive_campbell_parameters(soil.texture, soil.porosity, soil.aggregate_density,
                                      soil.aggregate_diameter, soil.organic_matter_fraction,
                                      model);
}

TEST(GrainSizeStatistics, SingleClassHasNoSpreadEvenWhenFractionsDoNotSumToOne)
{
    // A single class summing to 1.02 (the input accepts 0.98..1.02) makes
    // q - a^2 negative; it must count as zero spread, not as NaN.
    struct Case { TextureVector texture; float dg; float b; };
    const Case cases[] = {
        {texture_of(0.0f, 0.0f, 1.0f, 0.0f), 1.025f, 1.18772960f},   // b = 1.025^-0.5 + 0.2
        {texture_of(0.0f, 0.0f, 1.02f, 0.0f), 1.02550626f, 1.18748581f},
        {texture_of(0.0f, 0.0f, 0.0f, 1.02f), 21.2349186f, 0.417007476f},
    };
    for (const Case& c : cases) {
        const GrainSizeStatistics s = grain_size_statistics(c.texture);
        EXPECT_EQ(s.geometric_standard_deviation, 1.0f);
        expect_relative(s.geometric_mean_diameter, c.dg);
        expect_relative(s.pore_size_exponent, c.b);
    }
}

TEST(CampbellParameters, SinglePoreSystemMatchesIndependentValues)
{
    struct Case { Soil soil; float psi_e; float b; float dry_suction; float dry_theta; float immobile; };
    const Case cases[] = {
        // Loam: little film water, the dry end stays at 1000 m.
        {{texture_of(0.20f, 0.40f, 0.38f, 0.02f), 0.45f, 0, 0, 0},
         0.3192572f, 7.01735497f, 1000.0f, 0.14290227f, 0.185547486f},
        // Loamy sand: film water above theta160 moves the dry end.
        {{texture_of(0.05f, 0.10f, 0.83f, 0.02f), 0.40f, 0, 0, 0},
         0.0968214497f, 2.66931009f, 17.6972389f, 0.0568427071f, 0.0423567519f},
    };
    for (const Case& c : cases) {
        const CampbellParameters r = run_campbell(c.soil, 1);
        expect_relative(r.air_entry_suction, c.psi_e);
        expect_relative(r.pore_size_exponent, c.b);
        expect_relative(r.dry_end_suction, c.dry_suction);
        expect_relative(r.dry_end_water_content, c.dry_theta);
        expect_relative(r.aggregate_porosity, c.immobile);
        // No second pore system: the caller keeps its columns as they were.
        EXPECT_FALSE(r.inter_aggregate_pores.has_value());
    }
}

TEST(CampbellParameters, AggregatedSoilMatchesIndependentValues)
{
    struct Case {
        Soil soil;
        float theta_a, psi_e, psi_e2, b2, k_junction, dry_suction, dry_theta, immobile;
    };
    const Case cases[] = {
        {{texture_of(0.15f, 0.35f, 0.48f, 0.02f), 0.50f, 1600.0f, 5.0f, 0.02f},
         0.390940249f, 0.340028793f, 0.0228078924f, 10.9810495f, 8.65103402e-07f,
         97.7520905f, 0.149087459f, 0.13848874f},
        {{texture_of(0.30f, 0.40f, 0.30f, 0.0f), 0.55f, 1500.0f, 5.0f, 0.02f},
         0.429006457f, 0.647926092f, 0.0228078924f, 13.4703941f, 2.55457337e-07f,
         1000.0f, 0.185620591f, 0.228793785f},
    };
    for (const Case& c : cases) {
        const CampbellParameters r = run_campbell(c.soil, 2);
        ASSERT_TRUE(r.inter_aggregate_pores.has_value());
        const InterAggregatePores& q = *r.inter_aggregate_pores;
        expect_relative(q.junction_water_content, c.theta_a);
        expect_relative(r.air_entry_suction, c.psi_e);
        expect_relative(q.second_entry_suction, c.psi_e2);
        expect_relative(q.second_pore_size_exponent, c.b2);
        expect_relative(q.junction_conductivity, c.k_junction);
        expect_relative(r.dry_end_suction, c.dry_suction);
        expect_relative(r.dry_end_water_content, c.dry_theta);
        expect_relative(r.aggregate_porosity, c.immobile);
        // Both segments give the air-entry suction at the junction.
        expect_relative(q.second_entry_suction *
                            std::pow(q.junction_water_content / c.soil.porosity,
                                     -q.second_pore_size_exponent),
                        r.air_entry_suction, 1e-4f);
    }
}

TEST(CampbellParameters, DryEndLiesOnTheCurveOrOnTheFilmWaterLine)
{
    const Soil soils[] = {
        {texture_of(0.20f, 0.40f, 0.38f, 0.02f), 0.45f, 0, 0, 0},
        {texture_of(0.05f, 0.10f, 0.83f, 0.02f), 0.40f, 0, 0, 0},
        {texture_of(0.0f, 0.0f, 1.02f, 0.0f), 0.40f, 0, 0, 0},
    };
    for (const Soil& soil : soils) {
        const CampbellParameters r = run_campbell(soil, 1);
        const float b = r.pore_size_exponent;
        const auto curve_theta = [&](float psi) {
            return soil.porosity * std::pow(psi / r.air_entry_suction, -1.0f / b);
        };
        if (r.dry_end_suction == 1000.0f) {
            expect_relative(r.dry_end_water_content, curve_theta(1000.0f), 1e-4f);
            expect_relative(r.aggregate_porosity, curve_theta(160.0f), 1e-4f);
        } else {
            // Moved dry end: on the curve, wetter than the curve at 160 m, and
            // the immobile capacity on the line from there to (1e5 m, 0).
            expect_relative(curve_theta(r.dry_end_suction), r.dry_end_water_content, 1e-4f);
            EXPECT_GT(r.dry_end_water_content, curve_theta(160.0f));
            expect_relative(r.aggregate_porosity,
                            r.dry_end_water_content * std::log10(1e5f / 160.0f) /
                                std::log10(1e5f / r.dry_end_suction),
                            1e-4f);
        }
    }
}

TEST(CampbellParameters, FindsCompactionAndGrainSpreadOutOfRange)
{
    const Soil clay_gravel{texture_of(0.5f, 0.0f, 0.0f, 0.5f), 0.45f, 1600.0f, 5.0f, 0.0f};
    const Soil dense_clay{texture_of(0.5f, 0.3f, 0.2f, 0.0f), 0.65f, 1000.0f, 5.0f, 0.0f};
    struct Case { Soil soil; std::int32_t model; bool compaction; bool grain_size; };
    const Case cases[] = {
        {clay_gravel, 1, false, true},   // sigma_g = 141.4
        {dense_clay, 2, true, false},    // F = 101.5
        {dense_clay, 1, false, false},   // no F without aggregates
        {{texture_of(0.20f, 0.40f, 0.38f, 0.02f), 0.45f, 0, 0, 0}, 1, false, false},
    };
    for (const Case& c : cases) {
        const CampbellParameters r = run_campbell(c.soil, c.model);
        EXPECT_EQ(r.compaction_out_of_range, c.compaction) << "model " << c.model;
        EXPECT_EQ(r.grain_size_out_of_range, c.grain_size) << "model " << c.model;
        EXPECT_FALSE(r.aggregate_pores_exceed_porosity) << "model " << c.model;
    }
}

TEST(CampbellParameters, AggregatesDenserThanTheSoilEndTheDerivation)
{
    // theta_a = 1 - 1600 / 2627 = 0.391 exceeds the porosity 0.35; at 0.40
    // the same aggregates fit.
    const Soil dense{texture_of(0.15f, 0.35f, 0.48f, 0.02f), 0.35f, 1600.0f, 5.0f, 0.02f};
    const CampbellParameters r = run_campbell(dense, 2);
    EXPECT_TRUE(r.aggregate_pores_exceed_porosity);
    EXPECT_FALSE(r.inter_aggregate_pores.has_value());
    EXPECT_FALSE(r.compaction_out_of_range);

    Soil roomy = dense;
    roomy.porosity = 0.40f;
    EXPECT_FALSE(run_campbell(roomy, 2).aggregate_pores_exceed_porosity);
    // A single pore system has no aggregates to compare.
    EXPECT_FALSE(run_campbell(dense, 1).aggregate_pores_exceed_porosity);
}

TEST(GhmParameters, MatchesIndependentValuesAndPassesThroughTheReferencePoint)
{
    struct Case { float porosity, h_ref, theta_ref, b, dry_suction, dry_theta, immobile; };
    const Case cases[] = {
        {0.45f, 3.3f, 0.30f, -7.23777246f, 1000.0f, 0.136228845f, 0.175481394f},
        {0.40f, 3.3f, 0.12f, -2.91757655f, 21.7381725f, 0.0628881082f, 0.0480042547f},
    };
    for (const Case& c : cases) {
        const GhmParameters r = derive_ghm_parameters(c.porosity, c.h_ref, c.theta_ref);
        const float b = r.pore_size_exponent;
        expect_relative(b, c.b);
        expect_relative(r.dry_end_suction, c.dry_suction);
        expect_relative(r.dry_end_water_content, c.dry_theta);
        expect_relative(r.aggregate_porosity, c.immobile);
        const float psi_ref = 100.0f * std::exp(-7.89f) *
                              std::pow(100.0f * std::exp(-4.02f) * c.theta_ref, b);
        expect_relative(psi_ref, c.h_ref, 1e-4f);
    }
}

}  // namespace
}  // namespace soilcolumn
