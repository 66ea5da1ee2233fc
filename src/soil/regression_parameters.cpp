#include "soil/regression_parameters.hpp"

#include <cmath>

#include "soil/van_genuchten_curve.hpp"

namespace soilcolumn {

namespace {

// The retention model whose curve is drawn log-linearly through three fixed points.
constexpr std::int32_t three_point_model = 3;

// The three-point model keeps 99 % of the water at 150 m inside the aggregates.
constexpr float three_point_aggregate_share = 0.99f;

// Soil composition in the percentages the regressions are fitted on.
struct TexturePercent {
    float clay;
    float silt;
    float sand;
    float organic_matter;
};

TexturePercent to_percent(const TextureVector& texture, float organic_matter_fraction)
{
    return {100.0f * texture(1), 100.0f * texture(2), 100.0f * texture(3),
            100.0f * organic_matter_fraction};
}

ThreePointCurve three_point_curve(const TexturePercent& p, float porosity)
{
    const float S = p.sand;
    const float OM = p.organic_matter;
    const float C = p.clay;
    float theta_1 = 0.4118f - 0.003f * S + 0.0317f * OM + 0.0023f * C;
    if (theta_1 > porosity) {
        theta_1 = porosity;  // only the wettest point can exceed saturation
    }
    const float theta_3_3 = 0.2576f - 0.002f * S + 0.0299f * OM + 0.0036f * C;
    const float theta_150 = 0.0158f * OM + 0.005f * C + 0.026f;
    return {theta_1, theta_3_3, theta_150};
}

// Brooks-Corey bubbling pressure (cm) from clay %, sand % and porosity, as
// the logarithm of its value.
float log_bubbling_pressure(float C, float S, float phi)
{
    const float C2 = C * C;
    const float S2 = S * S;
    const float phi2 = phi * phi;
    return 5.3397f
           + 0.1845f * C
           - 2.48395f * phi
           - 0.002139f * C2
           - 0.04356f * phi * S
           - 0.61745f * phi * C
           + 0.001436f * S2 * phi2
           - 0.00855f * C2 * phi2
           - 1.282E-5f * C * S2
           + 0.008954f * phi * C2
           - 0.0007247f * phi * S2
           + 5.4E-6f * S * C2
           + 0.50028f * C * phi2;
}

// Brooks-Corey pore-size distribution index, as the logarithm of its value.
float log_pore_size_index(float C, float S, float phi)
{
    const float C2 = C * C;
    const float S2 = S * S;
    const float phi2 = phi * phi;
    return -0.78428f
           + 0.01775f * S
           - 1.062498f * phi
           - 5.304E-5f * S2
           - 0.002735f * C2
           + 1.11135f * phi2
           - 0.03088f * phi * S
           + 0.00026587f * S2 * phi2
           - 0.006105f * C2 * phi2
           - 2.35E-6f * C * S2
           + 0.007987f * phi * C2
           - 0.006745f * C * phi2;
}

float brooks_corey_residual_water_content(float C, float S, float phi)
{
    const float C2 = C * C;
    const float phi2 = phi * phi;
    return 0.02939f * phi
           + 0.00087269f * S
           + 0.005135f * C
           - 0.01825f
           - 0.00015395f * C2
           - 0.0010827f * phi * S
           - 0.00018233f * C2 * phi2
           + 0.00030703f * phi * C2
           - 0.0023584f * C * phi2;
}

// Water content of the curve theta_r + (theta_s - theta_r) / (1 + alpha h)^n,
// a single power of (1 + alpha h) without a separate exponent m.
float single_power_water_content(float h, float porosity, float residual_water_content,
                                 float alpha, float n)
{
    return residual_water_content
           + (porosity - residual_water_content) / std::pow(1.0f + h * alpha, n);
}

}  // namespace

PorosityRegressionParameters derive_porosity_regression_parameters(
    const TextureVector& texture, float porosity, float organic_matter_fraction,
    std::int32_t model)
{
    const TexturePercent p = to_percent(texture, organic_matter_fraction);
    PorosityRegressionParameters r{};
    if (model == three_point_model) {
        r.three_point = three_point_curve(p, porosity);
        r.aggregate_porosity = three_point_aggregate_share * r.three_point->water_content_150m;
        return r;
    }

    // Every other model number: the Brooks-Corey estimate in van Genuchten form.
    const float phi = porosity;
    const float hb = std::exp(log_bubbling_pressure(p.clay, p.sand, phi)) / 100.0f;  // cm to m
    const float lambda = std::exp(log_pore_size_index(p.clay, p.sand, phi));
    const float theta_r = brooks_corey_residual_water_content(p.clay, p.sand, phi);
    const float alpha = 1.0f / hb;
    const float n = lambda + 1.0f;
    const float m = lambda / n;

    const float theta_x =
        van_genuchten_water_content(dry_end_junction_suction, phi, theta_r, alpha, n, m);
    r.brooks_corey = BrooksCoreyCurve{dry_end_junction_suction, theta_x, theta_r, alpha, m, n};
    r.aggregate_porosity =
        van_genuchten_water_content(aggregate_water_suction, phi, theta_r, alpha, n, m);
    return r;
}

DensityRegressionParameters derive_density_regression_parameters(
    const TextureVector& texture, float bulk_density, float porosity,
    float organic_matter_fraction, float saturated_conductivity)
{
    const float f1 = texture(1);  // clay
    const float f3 = texture(3);  // sand
    const float om = organic_matter_fraction;
    const TexturePercent p = to_percent(texture, organic_matter_fraction);
    const float S2 = p.sand * p.sand;

    const float theta_r = 0.5f * f1 + 1.4f * om + 0.015f;
    // The regression gives alpha in 1/cm.
    const float alpha =
        100.0f * std::exp(-2.486f + 2.5f * f3 - 35.1f * om - 0.002617f * bulk_density - 2.3f * f1);
    const float n = std::exp(0.053f - 0.9f * f3 - 1.3f * f1 + 0.00015f * S2);

    const float theta_x =
        single_power_water_content(dry_end_junction_suction, porosity, theta_r, alpha, n);
    const float theta_aggregate =
        single_power_water_content(aggregate_water_suction, porosity, theta_r, alpha, n);

    // 8640000 converts m/s to cm/day.
    const float a = std::exp(0.579f * std::log(saturated_conductivity * 8640000.0f) - 3.01f
                             - 1.9f * f3 + 5.6f * f1);
    const float b = std::exp(1.186f - 0.194f * std::log(p.clay) - 0.0489f * std::log(p.silt));

    return {dry_end_junction_suction, theta_x, theta_r, alpha, n, a, b, theta_aggregate};
}

}  // namespace soilcolumn
