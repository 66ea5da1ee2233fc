#include "soil/saturated_conductivity.hpp"

#include <cmath>

#include "soil/campbell_ghm_relations.hpp"

namespace soilcolumn {
namespace {

constexpr float cm_per_day_to_m_per_s = 8640000.0f;

// The soil quantities of the regressions, in the units they were fitted in.
struct SoilPercentages {
    float clay;            // C, %
    float silt;            // Si, %
    float sand;            // S, %
    float organic_matter;  // OM, %
    float density;         // rho, g/cm3
};

SoilPercentages soil_percentages(const TextureVector& texture, float bulk_density,
                                 float organic_matter_fraction)
{
    return {100.0f * texture(1), 100.0f * texture(2), 100.0f * texture(3),
            100.0f * organic_matter_fraction, bulk_density / 1000.0f};
}

float square(float x) { return x * x; }

// Campbell: conductivity of the grain-size distribution at the packing of
// the given porosity.
float campbell_estimate(const TextureVector& texture, float porosity)
{
    const GrainSizeStatistics stats = grain_size_statistics(texture);
    const float compaction_factor =
        std::pow(0.5f / (1.0f - porosity), 1.3f * stats.pore_size_exponent);
    return campbell_conductivity(compaction_factor, texture);
}

// Log-linear regression on clay, sand, organic matter and bulk density
// (kg/m3); 1.1574E-7 converts cm/day to m/s.
float clay_sand_organic_estimate(const SoilPercentages& p, float bulk_density)
{
    return std::exp(20.62f - 0.96f * std::log(p.clay) - 0.66f * std::log(p.sand) -
                    0.46f * std::log(p.organic_matter) - 0.00843f * bulk_density) *
           1.1574E-7f;
}

// Texture-only regression in inch/hour (60.96 converts to cm/day).
float texture_estimate(const SoilPercentages& p)
{
    return std::pow(10.0f, 0.0126f * p.sand - 0.6f - 0.0064f * p.clay) * 60.96f /
           cm_per_day_to_m_per_s;
}

// Polynomial in porosity, clay and sand for ln(Ks in cm/h).
float porosity_polynomial_estimate(const SoilPercentages& p, float porosity)
{
    const float phi = porosity;
    const float c = p.clay;
    const float s = p.sand;
    const float ln_ks = 19.52348f * phi - 8.96847f - 0.028212f * c + 0.00018107f * square(s) -
                        0.0094125f * square(c) - 8.395215f * square(phi) +
                        0.077718f * phi * s - 0.00298f * square(phi) * square(s) -
                        0.019492f * square(phi) * square(c) + 0.02733f * phi * square(c) +
                        0.001434f * phi * square(s) + 1.73E-5f * square(s) * c -
                        3.5E-6f * square(c) * s;
    return std::exp(ln_ks) * 24.0f / cm_per_day_to_m_per_s;
}

// Regression on sand, clay and porosity for ln(Ks in cm/h); 2.778E-6
// converts cm/h to m/s.
float sand_clay_porosity_estimate(const SoilPercentages& p, float porosity)
{
    const float c = p.clay;
    const float s = p.sand;
    return std::exp((-3.895f + 0.03671f * s - 0.1103f * c + 0.00087546f * square(c)) / porosity +
                    (12.012f - 0.0755f * s)) *
           2.778E-6f;
}

// Regressions for ln(Ks in cm/day), one for sandy soils (sand fraction above
// one half) and one for the others.
float density_organic_estimate(const TextureVector& texture, const SoilPercentages& p,
                               float organic_matter_fraction)
{
    const float rho = p.density;
    const float om = p.organic_matter;
    float ln_ks = 0.0f;
    if (texture(3) > 0.5f) {
        ln_ks = 9.5f - 1.471f * square(rho) - 0.688f * om + 0.0369f * square(om) -
                0.332f * std::log(p.silt + p.clay);
    } else {
        // The clay term takes the organic matter as a fraction, the others
        // as a percentage.
        ln_ks = -43.1f + 64.8f * rho - 22.21f * square(rho) + 7.02f * om - 0.1562f * square(om) +
                0.985f * std::log(om) - 0.01332f * organic_matter_fraction * p.clay -
                4.71f * rho * om;
    }
    return std::exp(ln_ks) / cm_per_day_to_m_per_s;
}

// Effective porosity above the water content at 330 on the GHM line (in the
// unit of the reference suction) raised to 3 - 1/B, times 1930 mm/h.
float ghm_effective_porosity_estimate(float porosity, float reference_potential,
                                      float reference_water_content)
{
    const float b = ghm_exponent(reference_potential, reference_water_content);
    const float theta_330 = ghm_water_content(3.3f, b);
    return std::pow(porosity - theta_330, 3.0f - 1.0f / b) * 1930.0f / 3600000.0f;
}

}  // namespace

SaturatedConductivityEstimate estimate_saturated_conductivity(
    const TextureVector& texture, float bulk_density, float porosity,
    float saturated_conductivity, float organic_matter_fraction, std::int32_t method,
    float reference_potential, float reference_water_content)
{
    SaturatedConductivityEstimate e{saturated_conductivity, organic_matter_fraction};
    switch (method) {
    case 2:
        e.saturated_conductivity = campbell_estimate(texture, porosity);
        break;
    case 3:
        // ln(OM) needs some organic matter; the raised value stays with the
        // compartment for everything computed later.
        if (e.organic_matter_fraction < 1.0E-5f) {
            e.organic_matter_fraction = 1.0E-5f;
        }
        e.saturated_conductivity = clay_sand_organic_estimate(
            soil_percentages(texture, bulk_density, e.organic_matter_fraction), bulk_density);
        break;
    case 4:
        e.saturated_conductivity =
            texture_estimate(soil_percentages(texture, bulk_density, organic_matter_fraction));
        break;
    case 5:
        e.saturated_conductivity = porosity_polynomial_estimate(
            soil_percentages(texture, bulk_density, organic_matter_fraction), porosity);
        break;
    case 6:
        e.saturated_conductivity = sand_clay_porosity_estimate(
            soil_percentages(texture, bulk_density, organic_matter_fraction), porosity);
        break;
    case 7:
        e.saturated_conductivity = density_organic_estimate(
            texture, soil_percentages(texture, bulk_density, organic_matter_fraction),
            organic_matter_fraction);
        break;
    case 8:
        e.saturated_conductivity = ghm_effective_porosity_estimate(
            porosity, reference_potential, reference_water_content);
        break;
    default:
        // Method 1 and unknown numbers keep the conductivity of the soil type.
        break;
    }
    return e;
}

}  // namespace soilcolumn
