#include "water/conductivity_models.hpp"

#include <cmath>

#include "state/power_batch.hpp"
#include "water/van_genuchten_column.hpp"

namespace soilcolumn {

namespace {

constexpr float driest_conducting_water = 0.0001f;  // model 7: drier soil does not conduct
constexpr float cm_per_m = 100.0f;                   // model 6 takes the suction in cm

// Model 1: water held only in the aggregates (theta not above the aggregate
// porosity) does not conduct.
float campbell_conductivity(const ModelState& st, int c, float theta)
{
    if (st.aggregate_porosity(c) >= theta) return 0.0f;
    return st.saturated_conductivity(c) *
           std::pow(theta / st.porosity(c), 2.0f * st.conductivity_exponent(c) + 3.0f);
}

// Model 2: the intra-aggregate pores conduct up to the junction water content
// theta2 (reaching K2 there); above it the inter-aggregate pores add to K2.
float two_pore_system_conductivity(const ModelState& st, int c, float theta)
{
    if (st.aggregate_porosity(c) > theta) return 0.0f;
    const float theta_2 = st.junction_water_content(c);
    const float k_2 = st.junction_conductivity(c);
    if (theta < theta_2) return k_2 * std::pow(theta / theta_2, 2.0f * st.pore_size_exponent(c) + 3.0f);
    return st.saturated_conductivity(c) *
               std::pow(theta / st.porosity(c), 2.0f * st.second_pore_size_exponent(c) + 3.0f) +
           k_2;
}

// Models 3, 4: K = Ks Se^l (1 - (1 - Se^(1/m))^m)^2 with Se = (1 + (alpha h)^n)^-m,
// written in (alpha h) so that no power of Se is needed. Where the curve
// shares alpha and n with a van Genuchten retention curve of m = 1 - 1/n,
// (alpha h)^n and (1 + (alpha h)^n)^m are the powers that curve has just
// taken at the same suction: they are asked of its kept powers (the fast
// arithmetic takes them from the van Genuchten column where it holds them,
// water/van_genuchten_column.hpp).
//
// (1 + (alpha h)^n)^((l + 2) m). The fast arithmetic has handed it to the
// kept powers beforehand (prepare_mualem_powers); the classic run raises it
// here, since it hardly ever repeats.
float mualem_denominator(const ModelState& st, int c, float x_n, float m)
{
    const float exponent = mualem_denominator_exponent(st, c, m);
    return st.vector_powers ? st.powers.water(c, WaterPower::mualem_denominator).pow(1.0f + x_n, exponent)
                            : std::pow(1.0f + x_n, exponent);
}

float mualem_conductivity(const ModelState& st, int c, float h)
{
    const float alpha = st.conductivity_vg_alpha(c);
    const float n = st.conductivity_vg_n(c);
    const float m = mualem_conductivity_m(st, c);
    const float x_n = st.powers.water(c, WaterPower::retention_1).pow(alpha * h, n);
    // (alpha h)^(n-1) = (alpha h)^n / (alpha h) in the fast arithmetic.
    const float x_n_1 = st.derived_powers && alpha * h > 0.0f ? x_n / (alpha * h) : std::pow(alpha * h, n - 1.0f);
    return mualem_from_powers(st, c, x_n_1, st.powers.water(c, WaterPower::retention_2).pow(1.0f + x_n, m),
                              mualem_denominator(st, c, x_n, m));
}

// Model 5: Mualem with l = 0.5 and a free exponent m; no flow below the
// residual water content.
float mualem_free_m_conductivity(const ModelState& st, int c, float h, float theta)
{
    if (st.conductivity_residual_water_content(c) > theta) return 0.0f;
    const float m = st.conductivity_vg_m(c);
    const float se = std::pow(1.0f + std::pow(st.conductivity_vg_alpha(c) * h, st.conductivity_vg_n(c)), -m);
    const float bracket = 1.0f - std::pow(1.0f - std::pow(se, 1.0f / m), m);
    return st.saturated_conductivity(c) * std::pow(se, 0.5f) * (bracket * bracket);
}

// Model 6: Ks a / (a + h_cm^b); no flow below the residual water content.
float gardner_conductivity(const ModelState& st, int c, float h, float theta)
{
    if (st.conductivity_residual_water_content(c) > theta) return 0.0f;
    const float a = st.gardner_a(c);
    return st.saturated_conductivity(c) * a / (a + std::pow(cm_per_m * h, st.gardner_b(c)));
}

// Model 7: the exponent 3 - 2 bK grows with the (negative) GHM slope bK.
float ghm_conductivity(const ModelState& st, int c, float theta)
{
    if (theta < driest_conducting_water) return 0.0f;
    return st.saturated_conductivity(c) *
           std::pow(theta / st.porosity(c), 3.0f - 2.0f * st.conductivity_exponent(c));
}

}  // namespace

float mualem_conductivity_m(const ModelState& st, int c) { return 1.0f - 1.0f / st.conductivity_vg_n(c); }

float mualem_denominator_exponent(const ModelState& st, int c, float m)
{
    return (st.conductivity_vg_l(c) + 2.0f) * m;
}

float unsaturated_conductivity_at(const ModelState& st, int c, float h, float theta, float unchanged)
{
    switch (st.conductivity_model(c)) {
    case 1: return campbell_conductivity(st, c, theta);
    case 2: return two_pore_system_conductivity(st, c, theta);
    case 3:
    case 4: return mualem_conductivity(st, c, h);
    case 5: return mualem_free_m_conductivity(st, c, h, theta);
    case 6: return gardner_conductivity(st, c, h, theta);
    case 7: return ghm_conductivity(st, c, theta);
    default: return unchanged;  // no conductivity model: the conductivity stays as it was
    }
}

void prepare_mualem_powers(const ModelState& st, const SpeciesTable& state)
{
    PowerRequests requests;
    for (int c = 2; c <= st.compartment_count; ++c) {
        const int model = st.conductivity_model(c);
        if ((model != 3 && model != 4) || column_conducts(st, c, state(c, 0))) continue;
        const float alpha = st.conductivity_vg_alpha(c);
        const float n = st.conductivity_vg_n(c);
        const float m = mualem_conductivity_m(st, c);
        // As the curve takes it: from the retention's kept powers.
        const float x_n = st.powers.water(c, WaterPower::retention_1).pow(alpha * state(c, 0), n);
        requests.add(st.powers.water(c, WaterPower::mualem_denominator), 1.0f + x_n,
                     mualem_denominator_exponent(st, c, m));
    }
    requests.raise_and_hand_over();
}

}  // namespace soilcolumn
