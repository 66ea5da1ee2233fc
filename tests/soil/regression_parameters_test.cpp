#include <gtest/gtest.h>

#include <cmath>

#include "soil/regression_parameters.hpp"
#include "soil/texture.hpp"

namespace soilcolumn {
namespace {

void expect_close(float actual, float expected, const char* what)
{
    EXPECT_NEAR(actual, expected, 1e-5f * std::fabs(expected)) << what;
}

constexpr float untouched = -7.0f;  // sentinel in outputs that must not be written

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
        float t1 = 0, t33 = 0, t150 = 0, aggregate = 0;
        float vg[6] = {untouched, untouched, untouched, untouched, untouched, untouched};
        derive_porosity_regression_parameters(texture_of(k.clay, k.silt, k.sand), k.porosity,
                                              k.om, t1, t33, t150, vg[0], vg[1], vg[2], vg[3],
                                              vg[4], vg[5], aggregate, 3);
        expect_close(t1, k.t1, "theta 1 m");
        expect_close(t33, k.t33, "theta 3.3 m");
        expect_close(t150, k.t150, "theta 150 m");
        expect_close(aggregate, k.aggregate, "aggregate porosity");
        for (float v : vg) {
            EXPECT_EQ(v, untouched);
        }
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
        float fixed[3] = {untouched, untouched, untouched};
        float hx = 0, tx = 0, tr = 0, a = 0, m = 0, n = 0, aggregate = 0;
        derive_porosity_regression_parameters(texture_of(k.clay, k.silt, k.sand), k.porosity,
                                              k.om, fixed[0], fixed[1], fixed[2], hx, tx, tr, a,
                                              m, n, aggregate, k.model);
        EXPECT_EQ(hx, 1000.0f);
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
        for (float v : fixed) {
            EXPECT_EQ(v, untouched);
        }
    }
}

struct DensityResult { float hx, tx, tr, alpha, n, ga, gb, aggregate; };

DensityResult density_regression(const TextureVector& tex, float bulk_density, float porosity,
                                 float om, float ks)
{
    DensityResult r{};
    derive_density_regression_parameters(tex, bulk_density, porosity, om, r.hx, r.tx, r.tr,
                                         r.alpha, r.n, r.ga, r.gb, ks, r.aggregate);
    return r;
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

    // The conductivity call of the same compartment, which sends its work
    // results to one scratch value, gives the same Gardner parameters.
    float scratch = 0, tr = 0, alpha = 0, n = 0, ga = 0, gb = 0;
    derive_density_regression_parameters(texture_of(0.2f, 0.4f, 0.4f), 1444.85f, 0.45f, 0.02f,
                                         scratch, scratch, tr, alpha, n, ga, gb, 1.0e-5f,
                                         scratch);
    EXPECT_EQ(ga, r.ga);
    EXPECT_EQ(gb, r.gb);
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
