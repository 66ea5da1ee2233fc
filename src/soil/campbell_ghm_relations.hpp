#pragma once
// Relations shared by the Campbell retention parameters and the saturated
// conductivity estimates: the log-normal grain-size statistics of the four
// texture classes and the straight GHM line in log(suction)-log(water content).

#include "state/tables.hpp"

namespace soilcolumn {

// Log-normal statistics of the grain-size distribution with the class
// diameters 0.001 (clay), 0.026 (silt), 1.025 (sand) and 20 mm (gravel).
struct GrainSizeStatistics {
    float geometric_mean_diameter;       // dg, mm
    float geometric_standard_deviation;  // sigma_g
    float entry_suction_scale;           // psi_es = -0.5 dg^-0.5 (negative)
    float pore_size_exponent;            // b = -2 psi_es + 0.2 sigma_g
};

GrainSizeStatistics grain_size_statistics(const TextureVector& texture);

// Conductivity of a packing whose pores are R^(1.3 b) times wider than at the
// reference packing (the compaction factor), reduced by the fine fractions, m/s.
float campbell_conductivity(float compaction_factor, const TextureVector& texture);

// Exponent B of the GHM line through the fixed anchor (100 theta = e^4.02,
// h/100 = e^-7.89) and the reference point (suction in m, water content).
float ghm_exponent(float reference_potential, float reference_water_content);

// Water content of the GHM line at the suction h = 100 * suction_hundreds m.
float ghm_water_content(float suction_hundreds, float exponent);

}  // namespace soilcolumn
