#pragma once
// The one record of everything a simulation run knows. Fixed size, zero at
// construction; every operation of the model reads and writes it in place.
// A ModelState is about 73 kB: create it on the heap (std::make_unique).

#include <cstdint>

#include "state/power_memo.hpp"
#include "state/tables.hpp"

namespace soilcolumn {

// One row of the soil-type table of vekin.txt. A row never written stays zero.
struct SoilType {
    TextureVector texture_fractions;
    std::int32_t saturated_conductivity_method = 0;
    std::int32_t conductivity_model = 0;
    std::int32_t retention_model = 0;
    float aggregate_density = 0.0f;
    float aggregate_diameter = 0.0f;
    float saturated_conductivity = 0.0f;
    float organic_matter_fraction = 0.0f;
    float reference_potential = 0.0f;
    float reference_water_content = 0.0f;
    float topsoil_indicator = 0.0f;
    bool defined = false;  // a record of vekin.txt named this type
};

// The state is kept in rooms: each sub-record below holds one concern, and
// an operation that needs only one room can take only that room. ModelState
// joins them, so that every field is still reached by its model name
// (st.compartment_count, st.water_content(c)).

// Run control (vekin.txt, chemvek.txt).
struct RunControl {
    std::int32_t compartment_count = 0;  // N
    std::int32_t substance_count = 0;    // S
    std::int32_t soil_type_count = 0;
    float simulation_end = 0.0f;  // s
    float time_step = 0.0f;       // s
    std::int32_t lower_boundary_type = 0;
    float mean_annual_recharge = 0.0f;  // mm per year
    float dispersivity = 0.0f;          // m
    float output_interval = 0.0f;       // s
    float weather_start = 0.0f;         // s, later the driver's weather-day clock
    std::int32_t observation_depth_count = 0;
    ObservationDepths observation_depths;  // m
    FixedText<50> weather_file_name;
};

// Substance table (chemvek.txt), s = 1..4.
struct SubstanceProperties {
    SubstanceArray water_diffusion_coefficient;  // m2/s
    SubstanceArray air_diffusion_coefficient;    // m2/s
    SubstanceArray sorption_per_organic_matter;
    SubstanceArray sorption_per_clay;
    SubstanceArray default_sorption_exponent;
    SubstanceArray half_life;  // days
    SubstanceArray henry_constant;
    SubstanceArray transfer_coefficient;  // 1/s
    SubstanceArray irreversible_share;
};

// Soil-type table, k = 1..100.
class SoilTypeTable {
public:
    SoilType& soil_type(int k)
    {
        assert(k >= 1 && k <= max_soil_types);
        return soil_types_[static_cast<std::size_t>(k - 1)];
    }
    const SoilType& soil_type(int k) const
    {
        assert(k >= 1 && k <= max_soil_types);
        return soil_types_[static_cast<std::size_t>(k - 1)];
    }

private:
    std::array<SoilType, max_soil_types> soil_types_{};
};

// Compartment properties: the input of every compartment and its depths.
struct CompartmentProperties {
    CompartmentColumn compartment_thickness;  // m
    CompartmentColumn centre_distance;        // m, between centres of c-1 and c
    CompartmentColumn node_depth;             // m, centre of c below centre of 1
    CompartmentColumn face_depth;             // m, top face of c below the surface
    CompartmentCodes compartment_soil_type;
    CompartmentColumn porosity;
    CompartmentColumn bulk_density;        // kg/m3
    CompartmentColumn aggregate_porosity;  // capacity of the immobile region
    TextureTable texture_fractions;        // (c, j): clay, silt, sand, gravel
    CompartmentColumn organic_matter_fraction;
    CompartmentColumn saturated_conductivity;  // m/s
    CompartmentCodes saturated_conductivity_method;
    CompartmentCodes retention_model;
    CompartmentCodes conductivity_model;
    CompartmentColumn aggregate_density;   // kg/m3
    CompartmentColumn aggregate_diameter;  // mm
    CompartmentColumn reference_potential;      // m
    CompartmentColumn reference_water_content;  // m3/m3
    CompartmentColumn topsoil_indicator;
};

// Hydraulic parameters, written once by the soil parameterisation.
struct HydraulicParameters {
    CompartmentColumn dry_end_suction;
    CompartmentColumn dry_end_water_content;
    CompartmentColumn air_entry_suction;
    CompartmentColumn pore_size_exponent;
    CompartmentColumn second_entry_suction;
    CompartmentColumn second_pore_size_exponent;
    CompartmentColumn junction_water_content;
    CompartmentColumn junction_conductivity;
    CompartmentColumn water_content_1m;
    CompartmentColumn water_content_3_3m;
    CompartmentColumn water_content_150m;
    CompartmentColumn residual_water_content;
    CompartmentColumn vg_alpha;
    CompartmentColumn vg_m;
    CompartmentColumn vg_n;
    CompartmentColumn retention_tortuosity;
    CompartmentColumn conductivity_exponent;
    CompartmentColumn conductivity_residual_water_content;
    CompartmentColumn conductivity_vg_alpha;
    CompartmentColumn conductivity_vg_m;
    CompartmentColumn conductivity_vg_n;
    CompartmentColumn conductivity_vg_l;
    CompartmentColumn gardner_a;
    CompartmentColumn gardner_b;
};

// The primary state: column 0 matric potential (m suction), 1..4 mobile
// concentration (g/m3); the start-of-step copy has the same layout.
struct PrimaryState {
    SpeciesTable state;
    SpeciesTable start_state;
    float& matric_potential(int c) { return state(c, 0); }
    float matric_potential(int c) const { return state(c, 0); }
    float& mobile_concentration(int c, int s) { return state(c, s); }
    float mobile_concentration(int c, int s) const { return state(c, s); }
    float& start_matric_potential(int c) { return start_state(c, 0); }
    float& start_mobile_concentration(int c, int s) { return start_state(c, s); }
};

// What follows from the suctions: water contents, conductivities, fluxes.
struct WaterState {
    CompartmentColumn water_content;
    CompartmentColumn immobile_water_content;
    CompartmentColumn water_capacity;  // 1/m
    CompartmentColumn unsaturated_conductivity;
    CompartmentColumn face_conductivity;  // face c, between c-1 and c
    CompartmentColumn gravity_flux;       // elements 1, 2: surface water flux
    CompartmentColumn half_face_flux;
    CompartmentColumn downward_half_flux;
    CompartmentColumn upward_half_flux;
    CompartmentColumn water_flux;
    std::int32_t shallow_index = 0;
};

// The immobile region, sorbed stores and what follows from the concentrations.
struct SoluteState {
    SubstanceTable immobile_concentration;
    SubstanceTable start_immobile_concentration;
    SubstanceTable sorption_coefficient;
    SubstanceTable sorption_exponent;
    SubstanceTable mobile_sorbed;    // g/kg
    SubstanceTable immobile_sorbed;  // g/kg
    SubstanceTable mobile_irreversible_sorbed;
    SubstanceTable immobile_irreversible_sorbed;
    SubstanceTable total_concentration;
    SubstanceTable mobile_capacity;
    SubstanceTable immobile_capacity;
    SubstanceTable half_life_factor;
    SubstanceTable degradation_rate;  // 1/s, first-order, from the effective half-life
    SubstanceTable dispersive_flux;
    SubstanceTable solute_flux;
};

// The terms and coefficients of the rows of one stage.
struct StageTerms {
    // Solute step terms.
    SubstanceTable dispersion_coefficient;  // m2/s, face c
    SpeciesTable source_term;  // column 0 water (m/s), 1..4 surface input into compartment 2
    SubstanceTable immobile_source;
    SubstanceTable mobile_degradation;
    SubstanceTable immobile_degradation;
    SubstanceTable transfer_rate;
    SubstanceTable mobile_irreversible_rate;
    SubstanceTable immobile_irreversible_rate;

    // Equation coefficients.
    SpeciesTable upper_coupling;  // compartment c to c-1
    SpeciesTable lower_coupling;  // compartment c to c+1
    CompartmentColumn water_diag_new;
    CompartmentColumn water_diag_old;
};

// The clock, the boundaries and the dated inputs in force.
struct BoundaryInputs {
    double simulation_time = 0.0;  // s
    float surface_excess = 0.0f;  // m
    float surface_runoff = 0.0f;  // m
    std::array<std::int32_t, 3> weather_date{};  // day, month, year
    float weather_day_begin = 0.0f;
    float weather_day_end = 0.0f;
    float day_precipitation = 0.0f;  // mm, then m
    float air_temperature = 0.0f;    // deg C
    float relative_humidity = 0.0f;  // %
    float dew_point_temperature = 0.0f;  // K
    float soil_evaporation = 0.0f;       // m/s
    float snow_storage = 0.0f;           // m
    std::int32_t plant_type = 0;
    float plant_record_end = 0.0f;  // s
    float application_start_time = 0.0f;
    float application_end_time = 0.0f;
    SubstanceArray surface_input_flux;  // g/m2/s
};

// Balances and output bookkeeping.
struct Balances {
    float precipitation_total = 0.0f;
    double infiltration_total = 0.0;
    double evaporation_total = 0.0;
    double recharge_total = 0.0;
    double snow_total = 0.0;
    float water_storage = 0.0f;
    float previous_water_storage = 0.0f;
    SubstanceArray substance_entered;
    SubstanceArray substance_leached;
    SubstanceArray substance_transformed;
    SubstanceArray dissolved_amount;
    SubstanceArray sorbed_amount;
    SubstanceArray irreversible_amount;
    SubstanceArray gaseous_amount;
    float time_since_output = 0.0f;
    float time_since_observation = 0.0f;
    float sorption_sum = 0.0f;
};

// Results kept for reuse between calls: a cache that never changes a
// result (state/power_memo.hpp). Mutable, because the leaf functions that
// read the model state through a const reference fill it too.
struct ReusedResults {
    mutable ReusedPowers powers;
    // The inputs the half-life factors were last computed from.
    struct HalfLifeInputs {
        bool computed = false;
        float temperature = 0.0f;  // deg C
        std::int32_t compartment_count = 0;
        std::int32_t substance_count = 0;
        SubstanceArray half_life;
        CompartmentColumn centre_distance;
    } half_life_inputs;
    // What the retention curves gave for the suctions the last step ended
    // with (compartments 2..N): both stages of the next step start from them.
    struct KeptRetention {
        bool kept = false;
        CompartmentColumn suction;         // m, as the curves left it
        CompartmentColumn water;           // m3/m3
        CompartmentColumn immobile_water;  // m3/m3
    } kept_retention;
    // The storage capacities of the predictor's start and what they were
    // computed from (compartments 2..N-1, substances 1..S): the corrector
    // starts from the same state.
    struct KeptCapacities {
        bool kept = false;
        CompartmentColumn water;
        CompartmentColumn immobile_water;
        SubstanceTable mobile_concentration;
        SubstanceTable immobile_concentration;
        SubstanceTable mobile_capacity;
        SubstanceTable immobile_capacity;
    } kept_capacities;
    // The fast arithmetic's powers of the van Genuchten compartments at the
    // suctions they were raised at (water/van_genuchten_column.hpp),
    // compartments 2..N.
    // Which compartments it can hold and their exponents depend on the
    // input alone: they are planned at the run's first raise.
    struct VanGenuchtenPowers {
        bool planned = false;
        CompartmentCodes member;                // 1 where the column can hold the curve, 2 its Mualem denominator too
        CompartmentColumn m;                    // the curve's exponent m
        CompartmentColumn denominator_exponent;  // (l + 2) m
        CompartmentCodes held;                  // 1 where the powers below are those of `suction`
        CompartmentCodes conducts;              // 1 where the Mualem denominator is held too
        CompartmentColumn suction;              // m
        CompartmentColumn x_n;                  // (alpha h)^n
        CompartmentColumn bracket;              // (1 + x_n)^m
        CompartmentColumn denominator;          // (1 + x_n)^((l + 2) m)
    } van_genuchten_powers;
};

// How the run solves the stage's rows, beside the model: the classic run
// relaxes the water rows by sweeps; the fast arithmetic (run --fast) solves
// the same rows directly, and derives the van Genuchten capacity's and the
// Mualem conductivity's powers from those of the water content by the
// power laws (x^(a-1) = x^a / x), which hold exactly for real numbers and
// to a few units of the last place for floats, and takes the powers that
// never repeat (the tortuosities of the faces) from a vector powf
// (state/power_batch.hpp). Its solute sweeps order the same arithmetic so
// that each compartment waits less for the one above.
struct SolverChoice {
    bool direct_water_solve = false;
    bool reordered_solute_sweeps = false;
    bool derived_powers = false;
    bool vector_powers = false;
};

struct ModelState : RunControl,
                    SubstanceProperties,
                    SoilTypeTable,
                    CompartmentProperties,
                    HydraulicParameters,
                    PrimaryState,
                    WaterState,
                    SoluteState,
                    StageTerms,
                    BoundaryInputs,
                    Balances,
                    ReusedResults,
                    SolverChoice {
};

}  // namespace soilcolumn
