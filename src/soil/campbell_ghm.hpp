#pragma once

#include <cstdint>

#include "records/output_unit.hpp"
#include "state/tables.hpp"

namespace soilcolumn {

// Campbell retention parameters from the grain-size distribution: model 1 a
// single pore system, any other model an aggregated soil with intra- and
// inter-aggregate pores. Writes its warnings to the console; an aggregate
// porosity above the total porosity stops the run (OrderlyStop).
// Model 1 leaves the four second-system results untouched.
void derive_campbell_parameters(records::OutputUnit& console, const TextureVector& texture,
                                float porosity, float aggregate_density,
                                float aggregate_diameter, float& dry_end_suction,
                                float& dry_end_water_content, float& air_entry_suction,
                                float& pore_size_exponent, float& second_entry_suction,
                                float& second_pore_size_exponent, float& junction_water_content,
                                float& junction_conductivity, float organic_matter_fraction,
                                float& aggregate_porosity, std::int32_t model);

// GHM retention line through the fixed anchor and the measured reference
// point (suction in m, water content).
void derive_ghm_parameters(float porosity, float reference_potential,
                           float reference_water_content, float& dry_end_suction,
                           float& dry_end_water_content, float& pore_size_exponent,
                           float& aggregate_porosity);

}  // namespace soilcolumn
