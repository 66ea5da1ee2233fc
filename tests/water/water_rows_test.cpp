#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "water/water_rows.hpp"

namespace soilcolumn {
namespace {

constexpr int n = 5;  // soil compartments 2..4
constexpr float stage = 100.0f;

// Suction, face conductivity and gravity flux of faces 1..5 (entries 1 and 2
// of the gravity flux are the surface flux), water content of compartments.
struct Column {
    std::array<float, n> h;
    std::array<float, n> kf;
    std::array<float, n> g;
    std::array<float, n> theta;
};

std::unique_ptr<ModelState> column(const Column& col)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = n;
    for (int c = 1; c <= n; ++c) {
        st->matric_potential(c) = col.h[c - 1];
        st->face_conductivity(c) = col.kf[c - 1];
        st->gravity_flux(c) = col.g[c - 1];
        st->water_content(c) = col.theta[c - 1];
        st->compartment_thickness(c) = 0.1f;
        st->centre_distance(c) = 0.1f;
        st->water_capacity(c) = 0.05f;
    }
    return st;
}

// All water rows of the stage, in the order of the assembly.
void assemble_water_rows(ModelState& st)
{
    assemble_water_face_fluxes(st);
    for (int c = 2; c <= n - 1; ++c) {
        assemble_water_upper_coupling(st, c);
        assemble_water_lower_coupling(st, c);
    }
    for (int c = 2; c <= n - 1; ++c) {
        assemble_water_diagonals(st, c, stage);
    }
    assemble_surface_excess(st, stage);
}

// With the suction left unchanged over the stage, the water row of a
// compartment must reduce to its balance: what enters through its upper face
// minus what leaves through its lower face (full fluxes 2F). The storage
// terms must add up to twice dz C / dt.
void expect_rows_balance_face_fluxes(const ModelState& st)
{
    for (int c = 2; c <= n - 1; ++c) {
        SCOPED_TRACE(c);
        const float l = st.upper_coupling(c, 0);
        const float u = st.lower_coupling(c, 0);
        const float h = st.matric_potential(c);
        const float residual = st.water_diag_new(c) * h - l * st.matric_potential(c - 1)
                               - u * st.matric_potential(c + 1)
                               - (st.water_diag_old(c) * h + l * st.matric_potential(c - 1)
                                  + u * st.matric_potential(c + 1) + st.source_term(c, 0));
        const float balance = 2.0f * (st.half_face_flux(c) - st.half_face_flux(c + 1));
        EXPECT_NEAR(residual, balance, 1e-10f);  // float cancellation of D h terms near 1e-4
        EXPECT_NEAR(st.water_diag_new(c) + st.water_diag_old(c), 2.0f * 0.1f * 0.05f / stage, 1e-10f);
    }
}

// Evaporation at the surface, downward flow through face 3, upward through
// faces 4 and 5. By hand: F(c) = 0.5 ((h(c) - h(c-1)) Kf(c) / 0.1 + G(c)).
TEST(WaterRows, UpwindSplitOfTheFaceFluxes)
{
    auto st = column({.h = {1.0f, 2.0f, 2.5f, 2.2f, 1.0f},
                      .kf = {0.0f, 0.0f, 1e-6f, 2e-6f, 1e-6f},
                      .g = {-1e-7f, -1e-7f, 1e-6f, 2e-6f, 1e-6f},
                      .theta = {0.3f, 0.3f, 0.3f, 0.3f, 0.3f}});
    assemble_water_rows(*st);

    struct Face { int c; float f, p, q; };
    const Face faces[] = {
        {2, -5e-8f, 0.0f, 0.0f},      // evaporation carries no solute out
        {3, 3e-6f, 3e-6f, 0.0f},      // 0.5 (0.5 x 1e-5 + 1e-6)
        {4, -2e-6f, 0.0f, -2e-6f},    // 0.5 (-0.3 x 2e-5 + 2e-6)
        {5, -5.5e-6f, 0.0f, 0.0f},    // upward at the bottom brings no solute in
    };
    for (const auto& face : faces) {
        SCOPED_TRACE(face.c);
        EXPECT_NEAR(st->half_face_flux(face.c), face.f, 1e-12f);
        EXPECT_NEAR(st->downward_half_flux(face.c), face.p, 1e-12f);
        EXPECT_NEAR(st->upward_half_flux(face.c), face.q, 1e-12f);
    }
    EXPECT_EQ(st->surface_excess, 0.0f);
    EXPECT_EQ(st->upper_coupling(2, 0), 0.0f);  // compartment 1 does not enter the water equation
    expect_rows_balance_face_fluxes(*st);
}

TEST(WaterRows, NoGravityFluxBelowADryCompartment)
{
    auto st = column({.h = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f},
                      .kf = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
                      .g = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
                      .theta = {0.3f, 0.0009f, 0.001f, 0.3f, 0.3f}});
    assemble_water_rows(*st);
    EXPECT_EQ(st->gravity_flux(3), 0.0f);
    EXPECT_EQ(st->half_face_flux(3), 0.0f);
    EXPECT_EQ(st->gravity_flux(4), 1e-6f);  // 0.001 is not below 0.001
    expect_rows_balance_face_fluxes(*st);
}

struct SaturationCase {
    const char* what;
    Column col;
    int limited_face;
    float f, p, q;        // half face flux of the limited face and its split
    float g2;             // accepted surface flux
    float excess;         // m
    float kf_limited;     // face conductivity of the limited face afterwards
};

// By hand, with dz = dzi = 0.1 and a stage of 100 s: out = 2 F(j+1),
// G(j) = out - (h(j) - h(j-1)) Kf(j) / 0.1, excess = (G(1) - G(2)) x 100.
const SaturationCase saturation_cases[] = {
    {"saturated top passes on what drains below it",
     {.h = {0.001f, 0.001f, 0.5f, 0.5f, 0.5f}, .kf = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
      .g = {1e-5f, 1e-5f, 1e-6f, 1e-6f, 1e-6f}, .theta = {0.4f, 0.4f, 0.3f, 0.3f, 0.3f}},
     // F(3) = 0.5 (0.499 x 1e-5 + 1e-6) = 2.995e-6
     2, 2.995e-6f, 2.995e-6f, 0.0f, 5.99e-6f, 4.01e-4f, 0.0f},
    {"saturated top fed from below seeps out at the surface",
     {.h = {0.001f, 0.001f, 0.002f, 0.5f, 0.5f}, .kf = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
      .g = {-1e-7f, -1e-7f, -2e-6f, 1e-6f, 1e-6f}, .theta = {0.4f, 0.4f, 0.4f, 0.3f, 0.3f}},
     // F(3) = 0.5 (0.001 x 1e-5 - 2e-6) = -9.95e-7; nothing leaves upward with solute
     2, -9.95e-7f, 0.0f, 0.0f, -1.99e-6f, 1.89e-4f, 0.0f},
    {"two saturated compartments lose their pressure coupling",
     {.h = {0.5f, 0.001f, 0.001f, 0.5f, 0.5f}, .kf = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
      .g = {1e-5f, 1e-5f, 1e-5f, 1e-6f, 1e-6f}, .theta = {0.3f, 0.4f, 0.4f, 0.3f, 0.3f}},
     // F(4) = 2.995e-6 limits face 3, which then limits the surface
     3, 2.995e-6f, 2.995e-6f, 0.0f, 5.99e-6f, 4.01e-4f, 0.0f},
    {"upward outflow of a saturated compartment is split by its sign",
     {.h = {0.5f, 0.5f, 0.001f, 0.002f, 0.5f}, .kf = {0.0f, 0.0f, 1e-6f, 1e-6f, 1e-6f},
      .g = {0.0f, 0.0f, 1e-5f, -2e-6f, 1e-6f}, .theta = {0.3f, 0.3f, 0.4f, 0.4f, 0.3f}},
     // F(4) = -9.95e-7 limits F(3) = 0.5 (-0.499 x 1e-5 + 1e-5) = 2.505e-6
     3, -9.95e-7f, 0.0f, -9.95e-7f, 0.0f, 0.0f, 1e-6f},
};

TEST(WaterRows, SaturatedCompartmentTakesInOnlyWhatDrains)
{
    for (const auto& tc : saturation_cases) {
        SCOPED_TRACE(tc.what);
        auto st = column(tc.col);
        assemble_water_rows(*st);
        const int j = tc.limited_face;
        EXPECT_NEAR(st->half_face_flux(j), tc.f, 1e-12f);
        EXPECT_NEAR(st->downward_half_flux(j), tc.p, 1e-12f);
        EXPECT_NEAR(st->upward_half_flux(j), tc.q, 1e-12f);
        EXPECT_NEAR(st->gravity_flux(2), tc.g2, 1e-12f);
        EXPECT_NEAR(st->surface_excess, tc.excess, 1e-9f);
        EXPECT_EQ(st->face_conductivity(j), tc.kf_limited);
        EXPECT_EQ(st->upward_half_flux(2), 0.0f);
        expect_rows_balance_face_fluxes(*st);
    }
}

}  // namespace
}  // namespace soilcolumn
