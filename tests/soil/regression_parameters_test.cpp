#include <gtest/gtest.h>

#include <cmath>

#include "soil/expect_close.hpp"
#include "soil/regression_parameters.hpp"
#include "soil/texture.hpp"

namespace soilcolumn {
namespace {

using testing::expect_close;

// Expected values below: the regressions evaluated in a python3 script with
// every operation rounded to single precision, in the written term order.
TEST(PorosityRegression, ThreePointModelCapsOnlyTheWettestPoint)
{
    struct Case { float clay, silt, sand, om, porosity, t1, t33, t150, aggregate; };
    const Case cases[] = {
        {0.2f, 0.4f, 0.4f, 0.02f, 0.45f, 0.401199996f, 0.309399992f, 0.157599986f, 0.156023994f},
        {0.2f, 0.4f, 0.4f, 0.02f, 0.38f, 0.38f, 0.309399992f, 0.157599986f, 0.156023994f},
        // theta at 3.3 m above the porosity stays as estimated
        {0.5f, 0.45f, 0.05f, 0.05f, 0.5f, 0.5f, 0.577099979f, 0.354999989f, 0.351449996f},
    };
    for (const Case& k : cases) {
        const PorosityRegressionParameters r = derive_porosity_regression_parameters(
            texture_of(k.clay, k.silt, k.sand), k.porosity, k.om, 3);
        ASSERT_TRUE(r.three_point.has_value());
        expect_close(r.three_point->water_content_1m, k.t1, "theta 1 m");
        expect_close(r.three_point->water_content_3_3m, k.t33, "theta 3.3 m");
        expect_close(r.three_point->water_content_150m, k.t150, "theta 150 m");
        expect_close(r.aggregate_porosity, k.aggregate, "aggregate porosity");
        // The van Genuchten columns keep what they had.
        EXPECT_FALSE(r.brooks_corey.has_value());
    }
}

TEST(PorosityRegression, BrooksCoreyPolynomialsInVanGenuchtenForm)
{
    struct Case {
        float clay, silt, sand, om, porosity;
        std::int32_t model;
        float tr, alpha, n, m, tx, aggregate;
    };
    const Case cases[] = {
        {0.2f, 0.4f, 0.4f, 0.02f, 0.45f, 6, 0.0824596509f, 3.76231241f, 1.32133198f,
         0.243187949f, 0.108544894f, 0.129461631f},
        {0.05f, 0.1f, 0.85f, 0.01f, 0.40f, 5, 0.0531533621f, 12.6342983f, 1.47155654f,
         0.320447475f, 0.0571900383f, 0.0627324581f},
    };
    for (const Case& k : cases) {
        const PorosityRegressionParameters r = derive_porosity_regression_parameters(
            texture_of(k.clay, k.silt, k.sand), k.porosity, k.om, k.model);
        // The three fixed points keep what they had.
        EXPECT_FALSE(r.three_point.has_value());
        ASSERT_TRUE(r.brooks_corey.has_value());
        const BrooksCoreyCurve& bc = *r.brooks_corey;
        const float tx = bc.dry_end_water_content, tr = bc.residual_water_content;
        const float a = bc.vg_alpha, m = bc.vg_m, n = bc.vg_n, aggregate = r.aggregate_porosity;
        EXPECT_EQ(bc.dry_end_suction, 1000.0f);
        expect_close(tr, k.tr, "residual");
        expect_close(a, k.alpha, "alpha");
        expect_close(n, k.n, "n");
        expect_close(m, k.m, "m");
        expect_close(tx, k.tx, "dry end");
        expect_close(aggregate, k.aggregate, "aggregate porosity");
        // the dry end and the aggregates sit on the fitted curve (free m)
        const auto curve = [&](float h) {
            return tr + (k.porosity - tr) / std::pow(1.0f + std::pow(a * h, n), m);
        };
        expect_close(tx, curve(1000.0f), "dry end joins the curve");
        expect_close(aggregate, curve(160.0f), "theta at 160 m");
    }
}

struct DensityResult { float hx, tx, tr, alpha, n, ga, gb, aggregate; };

DensityResult density_regression(const TextureVector& tex, float bulk_density, float porosity,
                                 float om, float ks)
{
    const DensityRegressionParameters p =
        derive_density_regression_parameters(tex, bulk_density, porosity, om, ks);
    return {p.dry_end_suction, p.dry_end_water_content, p.residual_water_content, p.vg_alpha,
            p.vg_n, p.gardner_a, p.gardner_b, p.aggregate_porosity};
}

TEST(DensityRegression, LoamWithSingleBracketPowerCurve)
{
    // bulk density (1 - 0.45) * (2650 - 1150 * 0.02) = 1444.85 kg/m3
    const DensityResult r = density_regression(texture_of(0.2f, 0.4f, 0.4f), 1444.85f, 0.45f,
                                               0.02f, 1.0e-5f);
    EXPECT_EQ(r.hx, 1000.0f);
    expect_close(r.tr, 0.143000007f, "residual");
    expect_close(r.alpha, 0.161378562f, "alpha");
    expect_close(r.n, 0.72108376f, "n");
    expect_close(r.tx, 0.150819197f, "dry end, (1 + alpha h)^n");
    expect_close(r.aggregate, 0.171647936f, "theta at 160 m");
    expect_close(r.ga, 0.934030652f, "gardner a");
    expect_close(r.gb, 1.52873659f, "gardner b");

    // The saturated conductivity moves only the Gardner a, as Ks^0.579:
    // the retention side and the Gardner b stay.
    const DensityResult slower = density_regression(texture_of(0.2f, 0.4f, 0.4f), 1444.85f,
                                                    0.45f, 0.02f, 1.0e-6f);
    EXPECT_EQ(slower.tx, r.tx);
    EXPECT_EQ(slower.tr, r.tr);
    EXPECT_EQ(slower.alpha, r.alpha);
    EXPECT_EQ(slower.n, r.n);
    EXPECT_EQ(slower.aggregate, r.aggregate);
    EXPECT_EQ(slower.gb, r.gb);
    EXPECT_NEAR(slower.ga / r.ga, std::pow(0.1f, 0.579f), 1e-5f);
}

TEST(DensityRegression, WithoutSandNDependsOnClayAlone)
{
    for (float clay : {0.1f, 0.35f, 0.7f}) {
        const DensityResult r =
            density_regression(texture_of(clay, 1.0f - clay, 0.0f), 1300.0f, 0.5f, 0.03f, 1e-6f);
        EXPECT_FLOAT_EQ(r.n, std::exp(0.053f - 1.3f * clay)) << clay;
    }
}

}  // namespace
}  // namespace soilcolumn
