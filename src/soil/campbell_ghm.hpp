#pragma once

#include <cstdint>
#include <optional>

#include "state/tables.hpp"

namespace soilcolumn {

// The pores between the aggregates of an aggregated soil and the junction
// where they meet the pores inside the aggregates.
struct InterAggregatePores {
    float second_entry_suction;       // psi_e2, m
    float second_pore_size_exponent;  // b2
    float junction_water_content;     // theta_a, the pore fraction inside the aggregates
    float junction_conductivity;      // m/s
};

struct CampbellParameters {
    float dry_end_suction;
    float dry_end_water_content;
    float air_entry_suction;
    float pore_size_exponent;
    float aggregate_porosity;  // capacity of the immobile region
    // Model 1 (a single pore system) has none; the caller keeps what it had.
    std::optional<InterAggregatePores> inter_aggregate_pores;

    // Conditions for the caller to report. Pores inside the aggregates (from
    // the aggregate density) exceeding the porosity end the derivation early:
    // only the pore-size exponent and the grain-size condition are set, and
    // the run cannot go on.
    bool aggregate_pores_exceed_porosity = false;
    bool compaction_out_of_range = false;  // compaction factor above 15 (aggregated soil)
    bool grain_size_out_of_range = false;  // geometric standard deviation above 40
};

// Campbell retention parameters from the grain-size distribution: model 1 a
// single pore system, any other model an aggregated soil with intra- and
// inter-aggregate pores.
CampbellParameters derive_campbell_parameters(const TextureVector& texture, float porosity,
                                              float aggregate_density, float aggregate_diameter,
                                              float organic_matter_fraction, std::int32_t model);

struct GhmParameters {
    float dry_end_suction;
    float dry_end_water_content;
    float pore_size_exponent;
    float aggregate_porosity;  // capacity of the immobile region
};

// GHM retention line through the fixed anchor and the measured reference
// point (suction in m, water content).
GhmParameters derive_ghm_parameters(float porosity, float reference_potential,
                                    float reference_water_content);

}  // namespace soilcolumn
