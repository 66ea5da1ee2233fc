#pragma once
// The input files of a scenario as values: vekin.txt and chemvek.txt read
// record by record with the model's own list reader, and written back as
// list-directed records that read to exactly the same values (every number
// as the shortest text of its 32-bit value). The headings are kept, so that
// the console echo of a written scenario is that of the original. This is
// the input-file writer of the ensembles: every member is a complete
// scenario directory that runs and can be audited on its own.

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace soilcolumn::ensemble {

// A scenario that cannot be read as an input set; what() says why, in English.
class InputSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SoilTypeRecord {
    std::int32_t number = 0;  // k, the first item of the record
    std::array<float, 4> texture_fractions{};  // clay, silt, sand, gravel
    std::int32_t saturated_conductivity_method = 0;
    std::int32_t conductivity_model = 0;
    std::int32_t retention_model = 0;
    float aggregate_density = 0.0f;       // kg/m3
    float aggregate_diameter = 0.0f;      // mm
    float saturated_conductivity = 0.0f;  // m/s
    float organic_matter_fraction = 0.0f;
    float reference_potential = 0.0f;      // m
    float reference_water_content = 0.0f;  // m3/m3
    float topsoil_indicator = 0.0f;
};

struct CompartmentRecord {
    float compartment_thickness = 0.0f;  // m
    std::int32_t compartment_soil_type = 0;
    float porosity = 0.0f;
    std::array<float, 4> mobile_concentration{};  // g/m3, per substance
    std::array<float, 4> sorption_coefficient{};
    std::array<float, 4> sorption_exponent{};
};

struct SubstanceRecord {
    float water_diffusion_coefficient = 0.0f;  // m2/s
    float air_diffusion_coefficient = 0.0f;    // m2/s
    float sorption_per_organic_matter = 0.0f;
    float sorption_per_clay = 0.0f;
    float default_sorption_exponent = 0.0f;
    float half_life = 0.0f;  // days
    float henry_constant = 0.0f;
    float transfer_coefficient = 0.0f;  // 1/s
    float irreversible_share = 0.0f;
};

// Values in the units of the files (periods in days, the step in seconds).
struct InputSet {
    // vekin.txt
    std::string run_heading;
    float simulation_end = 0.0f;  // d
    float time_step = 0.0f;       // s
    std::int32_t soil_type_count = 0;
    std::int32_t compartment_count = 0;
    float mean_annual_recharge = 0.0f;  // mm per year
    std::int32_t lower_boundary_type = 0;
    float unused_item = 0.0f;
    std::string output_heading;
    float dispersivity = 0.0f;     // m
    float output_interval = 0.0f;  // d
    float weather_start = 0.0f;    // d
    std::vector<float> observation_depths;  // m
    std::string weather_heading;
    std::string weather_file_name;
    std::string soil_separator;
    std::string soil_heading;
    std::vector<SoilTypeRecord> soil_types;
    std::string compartment_separator;
    std::string compartment_heading;
    std::vector<CompartmentRecord> compartments;
    // chemvek.txt
    std::string substance_file_heading;
    std::string substance_table_heading;
    std::vector<SubstanceRecord> substances;
};

// Reads vekin.txt and chemvek.txt of `directory`. Throws InputSetError when
// a file is missing, a value cannot be read or a count is outside what the
// model stores (the input checks of a run judge everything else).
InputSet read_input_set(const std::filesystem::path& directory);

// The texts of the two files.
std::string vekin_text(const InputSet& set);
std::string chemvek_text(const InputSet& set);

// Writes vekin.txt and chemvek.txt into `directory` and copies chemdat.txt,
// plant.txt and the weather file from `source`; throws InputSetError when a
// file cannot be written or copied.
void write_scenario(const InputSet& set, const std::filesystem::path& source,
                    const std::filesystem::path& directory);

}  // namespace soilcolumn::ensemble
