#include <gtest/gtest.h>

#include <cmath>

#include "soil/expect_close.hpp"
#include "soil/van_genuchten_estimates.hpp"
#include "soil/texture.hpp"

namespace soilcolumn {
namespace {

struct SoilSample { float clay, silt, sand, bulk_density, porosity, om, topsoil; };
struct Fitted { float hx, tx, tr, alpha, n, l, t160; };

using Regression = VanGenuchtenEstimate (*)(const TextureVector&, float, float, float, float);

Fitted fitted(Regression f, const SoilSample& s)
{
    const VanGenuchtenEstimate e =
        f(texture_of(s.clay, s.silt, s.sand), s.bulk_density, s.porosity, s.om, s.topsoil);
    return {e.dry_end_suction, e.dry_end_water_content, e.residual_water_content, e.vg_alpha,
            e.vg_n, e.vg_l, e.water_content_160m};
}

float vg_curve(float h, float porosity, float alpha, float n)
{
    return porosity / std::pow(1.0f + std::pow(alpha * h, n), 1.0f - 1.0f / n);
}

using testing::expect_close;

// Loam: bulk density (1 - 0.45) * (2650 - 1150 * 0.02); sand: (1 - 0.4) * (2650 - 1150 * 0.01).
constexpr SoilSample loam_top{0.2f, 0.4f, 0.4f, 1444.85f, 0.45f, 0.02f, 1.0f};
constexpr SoilSample loam_sub{0.2f, 0.4f, 0.4f, 1444.85f, 0.45f, 0.02f, 0.0f};
constexpr SoilSample sand_top{0.05f, 0.1f, 0.85f, 1583.1f, 0.40f, 0.01f, 1.0f};
constexpr SoilSample sand_sub{0.05f, 0.1f, 0.85f, 1583.1f, 0.40f, 0.01f, 0.0f};

// Expected values: the regressions evaluated in a separate python3 script with
// every operation rounded to single precision.
TEST(VanGenuchtenEstimates, RealisticSoils)
{
    struct Case { Regression f; SoilSample soil; Fitted expected; const char* name; };
    const Case cases[] = {
        // the topsoil indicator moves alpha and n but not l
        {estimate_vg_parameters_general, loam_top,
         {1000, 0.0911185592f, 0, 3.49682713f, 1.19572949f, -2.98931766f, 0.130422145f},
         "general loam top"},
        {estimate_vg_parameters_general, loam_sub,
         {1000, 0.111727566f, 0, 3.70341992f, 1.16954756f, -2.98931766f, 0.152429178f},
         "general loam sub"},
        {estimate_vg_parameters_sand_loam, loam_top,
         {1000, 0.123317234f, 0, 6.19446421f, 1.14825571f, -4.5018158f, 0.161807895f},
         "class loam top"},
        // the loam/clay equations ignore the topsoil indicator
        {estimate_vg_parameters_sand_loam, loam_sub,
         {1000, 0.123317234f, 0, 6.19446421f, 1.14825571f, -4.5018158f, 0.161807895f},
         "class loam sub"},
        {estimate_vg_parameters_sand_loam, sand_top,
         {1000, 0.00326342462f, 0, 1.31308126f, 1.66972101f, 0.799497724f, 0.0111344596f},
         "class sand top"},
        {estimate_vg_parameters_sand_loam, sand_sub,
         {1000, 0.00250486727f, 0, 1.94912529f, 1.66972101f, 0.272004098f, 0.00854655076f},
         "class sand sub"},
        // a sand fraction of exactly one half is loam; just above it is sand
        {estimate_vg_parameters_sand_loam, {0.1f, 0.4f, 0.5f, 1500.0f, 0.43f, 0.015f, 0.0f},
         {1000, 0.0458283834f, 0, 5.0954442f, 1.26228333f, -1.39284861f, 0.074107714f},
         "sand 0.50"},
        {estimate_vg_parameters_sand_loam, {0.1f, 0.39f, 0.51f, 1500.0f, 0.43f, 0.015f, 0.0f},
         {1000, 0.025297612f, 0, 1.59699821f, 1.38409853f, 0.0628043115f, 0.0511356965f},
         "sand 0.51"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Fitted r = fitted(k.f, k.soil);
        EXPECT_EQ(r.hx, 1000.0f);
        EXPECT_EQ(r.tr, 0.0f);
        expect_close(r.alpha, k.expected.alpha, "alpha");
        expect_close(r.n, k.expected.n, "n");
        expect_close(r.l, k.expected.l, "l");
        expect_close(r.tx, k.expected.tx, "dry end");
        expect_close(r.t160, k.expected.t160, "theta 160 m");
        // the dry end joins the fitted curve; the aggregates hold the water at 160 m
        expect_close(r.tx, vg_curve(1000.0f, k.soil.porosity, r.alpha, r.n), "junction");
        expect_close(r.t160, vg_curve(160.0f, k.soil.porosity, r.alpha, r.n), "aggregates");
        EXPECT_LT(r.tx, r.t160);
        EXPECT_LT(r.t160, k.soil.porosity);
    }
}

TEST(VanGenuchtenEstimates, TortuosityStaysInsideTheClassBounds)
{
    for (float om : {0.002f, 0.02f, 0.06f}) {
        for (float topsoil : {0.0f, 1.0f}) {
            for (float sand : {0.51f, 0.7f, 0.9f}) {
                const SoilSample s{0.03f, 0.97f - sand, sand, 1500.0f, 0.4f, om, topsoil};
                const float l = fitted(estimate_vg_parameters_sand_loam, s).l;
                EXPECT_TRUE(l > -2.0f && l < 2.0f) << sand << ' ' << om << ' ' << l;
            }
            for (float clay : {0.01f, 0.1f, 0.3f, 0.6f}) {
                const SoilSample s{clay, 0.9f - clay, 0.1f, 1300.0f, 0.5f, om, topsoil};
                const float l = fitted(estimate_vg_parameters_sand_loam, s).l;
                EXPECT_TRUE(l > -10.0f && l < 10.0f) << clay << ' ' << om << ' ' << l;
            }
        }
    }
}

}  // namespace
}  // namespace soilcolumn
