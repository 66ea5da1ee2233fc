#include "soil/campbell_ghm_relations.hpp"

#include <cmath>

namespace soilcolumn {

GrainSizeStatistics grain_size_statistics(const TextureVector& texture)
{
    // ln of the class diameters in mm, each rounded to 32 bits.
    const float ln_clay = std::log(0.001f);
    const float ln_silt = std::log(0.026f);
    const float ln_sand = std::log(1.025f);
    const float ln_gravel = std::log(20.0f);

    const float a = texture(1) * ln_clay + texture(2) * ln_silt + texture(3) * ln_sand +
                    texture(4) * ln_gravel;
    const float q = texture(1) * (ln_clay * ln_clay) + texture(2) * (ln_silt * ln_silt) +
                    texture(3) * (ln_sand * ln_sand) + texture(4) * (ln_gravel * ln_gravel);

    GrainSizeStatistics stats{};
    stats.geometric_mean_diameter = std::exp(a);
    // q - a^2 is a variance; rounding can push it just below zero.
    float variance = q - a * a;
    if (variance < 0.0f) {
        variance = 0.0f;
    }
    stats.geometric_standard_deviation = std::exp(std::sqrt(variance));
    stats.entry_suction_scale = -0.5f * std::pow(stats.geometric_mean_diameter, -0.5f);
    stats.pore_size_exponent =
        -2.0f * stats.entry_suction_scale + 0.2f * stats.geometric_standard_deviation;
    return stats;
}

float campbell_conductivity(float compaction_factor, const TextureVector& texture)
{
    return 4.0E-5f * compaction_factor *
           std::exp(-6.88f * texture(1) - 3.63f * texture(2) - 0.025f);
}

float ghm_exponent(float reference_potential, float reference_water_content)
{
    return (std::log(reference_potential / 100.0f) + 7.89f) /
           (std::log(100.0f * reference_water_content) - 4.02f);
}

float ghm_water_content(float suction_hundreds, float exponent)
{
    return std::exp(4.02f) * std::pow(suction_hundreds * std::exp(7.89f), 1.0f / exponent) /
           100.0f;
}

}  // namespace soilcolumn
