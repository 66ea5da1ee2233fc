#include "water/retention_models.hpp"

#include <algorithm>
#include <cmath>

#include "water/suction_limits.hpp"

namespace soilcolumn {

namespace {

constexpr float log10_e = 0.4342944f;         // d(log10 h)/dh = log10_e / h
constexpr float log10_zero_water = 5.0f;      // log10 of 10^5 m, where the dry end reaches 0
constexpr float wet_end_share = 0.92f;        // model 1: parabola above 0.92 theta_s
constexpr float saturation_band = 0.0001f;    // model 3: capacity theta_s this close to theta_s
constexpr float log10_1m = 0.0f;              // model 3 fixed points at 1, 3.3 and 150 m
const float log10_3_3m = std::log10(3.3f);
const float log10_150m = std::log10(150.0f);
// GHM line: 100 theta = e^4.02 at h / 100 = e^-7.89.
const float ghm_water_anchor = std::exp(4.02f);
const float ghm_suction_anchor = std::exp(7.89f);

// The power at call site `site` of compartment c (state/power_memo.hpp).
float power(const ModelState& st, int c, WaterPower site, float x, float y)
{
    return st.powers.water(c, site).pow(x, y);
}

// ---- Dry end: straight in log10 h from (hx, theta_x) to (10^5 m, 0) ----

float dry_end_water_content(const ModelState& st, int c, float h)
{
    return st.dry_end_water_content(c) * (log10_zero_water - std::log10(h)) /
           (log10_zero_water - std::log10(st.dry_end_suction(c)));
}

float dry_end_capacity(const ModelState& st, int c, float h)
{
    return st.dry_end_water_content(c) * log10_e /
           ((log10_zero_water - std::log10(st.dry_end_suction(c))) * h);
}

// ---- Model 1: power law, parabolic between 0.92 theta_s and saturation ----

// h = -Mp (W - Np)(W - 1) with W = theta / theta_s: the parabola that meets
// the power law at W = 0.92 in value and slope and reaches h = 0 at W = 1.
struct WetEndParabola {
    float junction_suction;  // hi, the power law's suction at 0.92 theta_s
    float mp;
    float np;
};

WetEndParabola wet_end_parabola(const ModelState& st, int c)
{
    const float b = st.pore_size_exponent(c);
    const float wi = wet_end_share;
    const float hi = st.air_entry_suction(c) * power(st, c, WaterPower::retention_1, wi, -b);
    const float mp = hi / ((1.0f - wi) * (1.0f - wi)) - b * hi / ((1.0f - wi) * wi);
    const float np = 2.0f * wi - b * hi / (mp * wi) - 1.0f;
    return {hi, mp, np};
}

// The root of the parabola for suction h that lies strictly between
// 0.92 theta_s and theta_s; theta_s when neither does. Of two qualifying
// roots the second one is taken.
float parabola_water_content(const WetEndParabola& p, float theta_s, float h)
{
    const float a = -p.mp / (theta_s * theta_s);
    const float q = p.mp / theta_s * (p.np + 1.0f);
    const float r = -p.np * p.mp - h;
    const float root = std::sqrt(q * q - 4.0f * a * r);
    const float x1 = (root - q) / (2.0f * a);
    const float x2 = (-q - root) / (2.0f * a);
    const float theta_i = wet_end_share * theta_s;
    float theta = theta_s;
    if (theta_i < x1 && x1 < theta_s) theta = x1;
    if (theta_i < x2 && x2 < theta_s) theta = x2;
    return theta;
}

float parabola_capacity(const WetEndParabola& p, float theta_s, float theta)
{
    return std::fabs(1.0f / (((p.np + 1.0f) - 2.0f * theta / theta_s) * p.mp / theta_s));
}

float power_law_water_content(const ModelState& st, int c, float theta_top, float entry_suction, float b, float h)
{
    return theta_top * power(st, c, WaterPower::retention_2, h / entry_suction, -1.0f / b);
}

float power_law_capacity(const ModelState& st, int c, float theta_top, float entry_suction, float b, float h)
{
    const float e = -1.0f / b;
    return std::fabs(e * theta_top / power(st, c, WaterPower::retention_3, entry_suction, e) *
                     power(st, c, WaterPower::retention_4, h, e - 1.0f));
}

float campbell_water_content(const ModelState& st, int c, float h)
{
    const float theta_s = st.porosity(c);
    if (h > st.dry_end_suction(c)) return dry_end_water_content(st, c, h);
    const WetEndParabola p = wet_end_parabola(st, c);
    if (h > p.junction_suction)
        return power_law_water_content(st, c, theta_s, st.air_entry_suction(c), st.pore_size_exponent(c), h);
    if (h > 0.0f) return parabola_water_content(p, theta_s, h);
    return theta_s;
}

float campbell_capacity(const ModelState& st, int c, float h, float& theta)
{
    const float theta_s = st.porosity(c);
    if (h > st.dry_end_suction(c)) return dry_end_capacity(st, c, h);
    const WetEndParabola p = wet_end_parabola(st, c);
    if (h > p.junction_suction)
        return power_law_capacity(st, c, theta_s, st.air_entry_suction(c), st.pore_size_exponent(c), h);
    if (h > 0.0f) {
        theta = parabola_water_content(p, theta_s, h);
        return parabola_capacity(p, theta_s, theta);
    }
    // Saturated: the porosity's value keeps the water equation's storage term non-zero.
    return theta_s;
}

// ---- Model 2: intra-aggregate (below theta2) and inter-aggregate power laws ----

float two_segment_water_content(const ModelState& st, int c, float h)
{
    if (h > st.dry_end_suction(c)) return dry_end_water_content(st, c, h);
    if (h > st.air_entry_suction(c))
        return power_law_water_content(st, c, st.junction_water_content(c), st.air_entry_suction(c),
                                       st.pore_size_exponent(c), h);
    if (h > st.second_entry_suction(c))
        return power_law_water_content(st, c, st.porosity(c), st.second_entry_suction(c),
                                       st.second_pore_size_exponent(c), h);
    return st.porosity(c);
}

float two_segment_capacity(const ModelState& st, int c, float h)
{
    if (h > st.dry_end_suction(c)) return dry_end_capacity(st, c, h);
    if (h > st.air_entry_suction(c))
        return power_law_capacity(st, c, st.junction_water_content(c), st.air_entry_suction(c),
                                  st.pore_size_exponent(c), h);
    if (h > st.second_entry_suction(c))
        return power_law_capacity(st, c, st.porosity(c), st.second_entry_suction(c),
                                  st.second_pore_size_exponent(c), h);
    return st.porosity(c);
}

// ---- Model 3: log-linear through theta at 1, 3.3 and 150 m and 0 at 10^5 m ----

float three_point_water_content(const ModelState& st, int c, float h)
{
    const float theta_s = st.porosity(c);
    const float theta_1 = st.water_content_1m(c);
    const float theta_33 = st.water_content_3_3m(c);
    const float theta_150 = st.water_content_150m(c);
    float theta;
    if (h < wettest_suction)
        theta = theta_s;
    else if (h < 3.3f)  // the segment 1..3.3 m, extrapolated to wetter suctions
        theta = theta_1 + (log10_1m - std::log10(h)) * (theta_1 - theta_33) / (log10_3_3m - log10_1m);
    else if (h < 150.0f)
        theta = theta_33 + (log10_3_3m - std::log10(h)) * (theta_33 - theta_150) / (log10_150m - log10_3_3m);
    else
        theta = theta_150 + (log10_150m - std::log10(h)) * theta_150 / (log10_zero_water - log10_150m);
    return std::min(theta, theta_s);
}

// Chosen by theta, so the capped wet range gets the porosity's value.
float three_point_capacity(const ModelState& st, int c, float h, float theta)
{
    const float theta_s = st.porosity(c);
    const float theta_1 = st.water_content_1m(c);
    const float theta_33 = st.water_content_3_3m(c);
    const float theta_150 = st.water_content_150m(c);
    if (theta > theta_s - saturation_band) return theta_s;
    if (theta > theta_33) return (theta_1 - theta_33) * (log10_e / h) / (log10_3_3m - log10_1m);
    if (theta > theta_150) return (theta_33 - theta_150) * (log10_e / h) / (log10_150m - log10_3_3m);
    return theta_150 * (log10_e / h) / (log10_zero_water - log10_150m);
}

// ---- Models 4 to 6: van Genuchten ----

float van_genuchten_water_content(const ModelState& st, int c, float h, float m)
{
    if (h >= st.dry_end_suction(c)) return dry_end_water_content(st, c, h);
    const float alpha = st.vg_alpha(c);
    const float n = st.vg_n(c);
    const float x_n = power(st, c, WaterPower::retention_1, alpha * h, n);
    return van_genuchten_water_content_from(st, c, power(st, c, WaterPower::retention_2, 1.0f + x_n, m));
}

float van_genuchten_capacity(const ModelState& st, int c, float h, float theta, float m)
{
    if (theta < st.dry_end_water_content(c)) return dry_end_capacity(st, c, h);
    const float theta_r = st.residual_water_content(c);
    const float alpha = st.vg_alpha(c);
    const float n = st.vg_n(c);
    const float x_n = power(st, c, WaterPower::retention_1, alpha * h, n);
    if (st.derived_powers && h > 0.0f) {
        return derived_van_genuchten_capacity(st, c, h, m, x_n, power(st, c, WaterPower::retention_2, 1.0f + x_n, m));
    }
    return (st.porosity(c) - theta_r) * m * n * power(st, c, WaterPower::retention_3, alpha, n) *
           power(st, c, WaterPower::retention_4, h, n - 1.0f) *
           power(st, c, WaterPower::retention_5, 1.0f + x_n, -m - 1.0f);
}

float mualem_m(const ModelState& st, int c) { return 1.0f - 1.0f / st.vg_n(c); }

// ---- Model 7: theta_r + (theta_s - theta_r) / (1 + alpha h)^n ----

float single_power_water_content(const ModelState& st, int c, float h)
{
    if (h >= st.dry_end_suction(c)) return dry_end_water_content(st, c, h);
    const float theta_r = st.residual_water_content(c);
    return theta_r + (st.porosity(c) - theta_r) /
                         power(st, c, WaterPower::retention_1, 1.0f + st.vg_alpha(c) * h, st.vg_n(c));
}

float single_power_capacity(const ModelState& st, int c, float h, float theta)
{
    if (theta < st.dry_end_water_content(c)) return dry_end_capacity(st, c, h);
    const float alpha = st.vg_alpha(c);
    const float n = st.vg_n(c);
    return std::fabs((st.porosity(c) - st.residual_water_content(c)) * alpha * n *
                     power(st, c, WaterPower::retention_2, 1.0f + alpha * h, -n - 1.0f));
}

// ---- Model 8: GHM straight line in log theta - log h, capped at theta_s ----

float ghm_water_content(const ModelState& st, int c, float h)
{
    float theta;
    if (h < st.dry_end_suction(c)) {
        const float b = st.pore_size_exponent(c);
        theta = ghm_water_anchor * power(st, c, WaterPower::retention_1, ghm_suction_anchor * h / 100.0f, 1.0f / b) /
                100.0f;
    } else {
        theta = dry_end_water_content(st, c, h);
    }
    return std::min(theta, st.porosity(c));
}

float ghm_capacity(const ModelState& st, int c, float h, float theta)
{
    float capacity;
    if (theta >= st.dry_end_water_content(c)) {
        const float b = st.pore_size_exponent(c);
        capacity = std::fabs((1.0f / b) * ghm_suction_anchor * ghm_water_anchor / 10000.0f *
                             power(st, c, WaterPower::retention_2, ghm_suction_anchor * h / 100.0f, 1.0f / b - 1.0f));
    } else {
        capacity = dry_end_capacity(st, c, h);
    }
    return std::min(capacity, st.porosity(c));
}

}  // namespace

float van_genuchten_m(const ModelState& st, int c) { return st.retention_model(c) == 6 ? st.vg_m(c) : mualem_m(st, c); }

float retention_water_content(const ModelState& st, int c, float& h, float unchanged)
{
    switch (st.retention_model(c)) {
    case 1: return campbell_water_content(st, c, h);
    case 2: return two_segment_water_content(st, c, h);
    case 3: return three_point_water_content(st, c, h);
    case 4:
    case 5:
    case 6: return van_genuchten_water_content(st, c, h, van_genuchten_m(st, c));
    case 7: return single_power_water_content(st, c, h);
    case 8:
        h = std::max(h, wettest_suction);  // the GHM line is undefined at h <= 0
        return ghm_water_content(st, c, h);
    default: return unchanged;  // no retention model: the water content stays as it was
    }
}

float retention_capacity(const ModelState& st, int c, float h, float& theta, float unchanged)
{
    switch (st.retention_model(c)) {
    case 1: return campbell_capacity(st, c, h, theta);
    case 2: return two_segment_capacity(st, c, h);
    case 3: return three_point_capacity(st, c, h, theta);
    case 4:
    case 5:
    case 6: return van_genuchten_capacity(st, c, h, theta, van_genuchten_m(st, c));
    case 7: return single_power_capacity(st, c, h, theta);
    case 8: return ghm_capacity(st, c, h, theta);
    default: return unchanged;  // no retention model: the capacity stays as it was
    }
}

}  // namespace soilcolumn
