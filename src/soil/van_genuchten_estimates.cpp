#include "soil/van_genuchten_estimates.hpp"

#include <cmath>

#include "soil/van_genuchten_curve.hpp"

namespace soilcolumn {

namespace {

// Median grain size of the sand fraction (micrometres) assumed for sandy soils.
constexpr float median_sand_grain_size = 170.0f;

// A soil counts as sandy when its sand fraction exceeds one half.
constexpr float sandy_soil_sand_fraction = 0.5f;

// Bounds of the Mualem l: the sandy-soil regression, every other estimate.
constexpr float sand_tortuosity_bound = 2.0f;
constexpr float default_tortuosity_bound = 10.0f;

// The regressions estimate transformed parameters that map onto the
// admissible range of alpha, n and l.
struct TransformedParameters {
    float alpha_star;
    float n_star;
    float l_star;
};

// Maps l* onto (-bound, bound) by bound (e^l* - 1) / (e^l* + 1).
float bounded_tortuosity(float l_star, float bound)
{
    return bound * (std::exp(l_star) - 1.0f) / (std::exp(l_star) + 1.0f);
}

// Turns the transformed parameters into the van Genuchten-Mualem parameters
// (theta_r = 0, m = 1 - 1/n) and the points of the fitted curve at the dry-end
// junction and at the suction that fills the aggregates.
VanGenuchtenEstimate fitted_curve(const TransformedParameters& t, float tortuosity_bound,
                                  float porosity)
{
    const float theta_r = 0.0f;
    const float alpha = std::exp(t.alpha_star) * 100.0f;  // 1/cm to 1/m
    const float n = std::exp(t.n_star) + 1.0f;
    const float l = bounded_tortuosity(t.l_star, tortuosity_bound);
    const float m = 1.0f - 1.0f / n;

    const float theta_x =
        van_genuchten_water_content(dry_end_junction_suction, porosity, theta_r, alpha, n, m);
    const float theta_160 =
        van_genuchten_water_content(aggregate_water_suction, porosity, theta_r, alpha, n, m);
    return {dry_end_junction_suction, theta_x, theta_r, alpha, n, l, theta_160};
}

// One set of regressions for all soils. C clay %, S silt %, OM organic
// matter %, D bulk density g/cm3, T topsoil indicator.
TransformedParameters general_transformed_parameters(float C, float S, float OM, float D,
                                                     float T)
{
    const float C2 = C * C;
    const float OM2 = OM * OM;
    const float D2 = D * D;
    TransformedParameters t{};
    t.alpha_star = 0.646f * OM
                   + 15.29f * D
                   + 0.0351f * S
                   + 0.03135f * C
                   - 14.96f
                   - 0.192f * T
                   - 4.671f * D2
                   - 0.000781f * C2
                   - 0.00687f * OM2
                   + 0.1482f * std::log(OM)
                   + 0.0663f * std::log(S)
                   + 0.0449f / OM
                   - 0.04546f * D * S
                   - 0.4852f * OM * D
                   + 0.00673f * T * C;
    t.n_star = -25.23f
               - 0.02195f * C
               + 0.0074f * S
               - 0.194f * OM
               + 45.5f * D
               - 7.24f * D2
               + 0.002885f * OM2
               + 0.0003658f * C2
               - 12.81f / D
               - 0.1524f / S
               - 0.01958f / OM
               - 0.2876f * std::log(S)
               - 0.0709f * std::log(OM)
               - 44.6f * std::log(D)
               - 0.02264f * D * C
               + 0.0896f * OM * D
               + 0.00718f * T * C;
    t.l_star = 0.0202f
               + 0.0006193f * C2
               - 0.001136f * OM2
               - 0.2316f * std::log(OM)
               - 0.03544f * D * C
               + 0.0488f * OM * D
               + 0.00283f * D * S;
    return t;
}

// Sandy soils. L clay plus silt %, OM organic matter %, D bulk density g/cm3,
// T topsoil indicator.
TransformedParameters sand_transformed_parameters(float L, float OM, float D, float T)
{
    const float M50 = median_sand_grain_size;
    const float D2 = D * D;
    const float OM2 = OM * OM;
    const float M50_2 = M50 * M50;
    TransformedParameters t{};
    t.alpha_star = 146.9f
                   - 0.0832f * OM
                   - 0.395f * T
                   - 102.1f * D
                   + 22.61f * D2
                   - 70.6f / D
                   - 1.872f / L
                   - 0.3931f * std::log(L);
    t.n_star = 1.336f * M50
               + 0.0957f * L
               + 1092.0f
               - 13229.0f / M50
               - 0.001203f * M50_2
               - 234.6f * std::log(M50)
               - 2.67f / D
               - 0.115f / OM
               - 0.4129f * std::log(OM)
               - 0.0721f * D * L;
    t.l_star = 0.0677f * OM2 + (0.797f - 0.591f * OM) + 0.573f * T;
    return t;
}

// Loamy and clayey soils. Cl clay %, OM organic matter %, D bulk density
// g/cm3; the topsoil indicator does not enter.
TransformedParameters loam_transformed_parameters(float Cl, float OM, float D)
{
    const float D2 = D * D;
    TransformedParameters t{};
    t.alpha_star = 2.03f * std::log(OM)
                   + (11.0f - 2.298f * D2 - 12.41f / D)
                   + 0.838f * OM
                   + 0.343f / OM
                   - 1.263f * OM * D;
    t.n_star = (1.224f / D - 0.34f)
               - 0.7952f * std::log(Cl)
               - 0.3201f * std::log(OM)
               + 0.0651f * OM * D;
    t.l_star = (2.678f / D + 0.451f) - 1.093f * std::log(Cl);
    return t;
}

}  // namespace

VanGenuchtenEstimate estimate_vg_parameters_general(const TextureVector& texture,
                                                    float bulk_density, float porosity,
                                                    float organic_matter_fraction,
                                                    float topsoil_indicator)
{
    const float C = 100.0f * texture(1);
    const float S = 100.0f * texture(2);
    const float OM = 100.0f * organic_matter_fraction;
    const float D = bulk_density / 1000.0f;  // kg/m3 to g/cm3
    const TransformedParameters t = general_transformed_parameters(C, S, OM, D, topsoil_indicator);
    return fitted_curve(t, default_tortuosity_bound, porosity);
}

VanGenuchtenEstimate estimate_vg_parameters_sand_loam(const TextureVector& texture,
                                                      float bulk_density, float porosity,
                                                      float organic_matter_fraction,
                                                      float topsoil_indicator)
{
    const float Cl = 100.0f * texture(1);
    const float L = Cl + 100.0f * texture(2);
    const float OM = 100.0f * organic_matter_fraction;
    const float D = bulk_density / 1000.0f;  // kg/m3 to g/cm3
    const bool sandy = texture(3) > sandy_soil_sand_fraction;
    const TransformedParameters t = sandy
                                        ? sand_transformed_parameters(L, OM, D, topsoil_indicator)
                                        : loam_transformed_parameters(Cl, OM, D);
    const float tortuosity_bound = sandy ? sand_tortuosity_bound : default_tortuosity_bound;
    return fitted_curve(t, tortuosity_bound, porosity);
}

}  // namespace soilcolumn
