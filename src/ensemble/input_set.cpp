#include "ensemble/input_set.hpp"

#include <fstream>
#include <span>

#include "exports/number_text.hpp"
#include "input/heading.hpp"
#include "records/input_unit.hpp"
#include "records/run_errors.hpp"
#include "state/tables.hpp"

namespace soilcolumn::ensemble {
namespace {

namespace fs = std::filesystem;

constexpr int weather_name_length = 50;  // the length of the name vekin.txt can give

// A heading is kept whole (the model echoes its first 100 characters), so
// that a written scenario reads as the original does.
std::string heading(records::InputUnit& unit)
{
    std::string record;
    if (!unit.next_record(record)) records::read_line(unit, heading_length);  // throws the end-of-file report
    record.erase(record.find_last_not_of(' ') + 1);
    return record;
}

std::string trimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void check_count(const char* what, std::int32_t count, std::int32_t low, std::int32_t high)
{
    if (count < low || count > high) {
        throw InputSetError(std::string(what) + " " + std::to_string(count) + " is outside " + std::to_string(low) +
                            ".." + std::to_string(high));
    }
}

void read_chemvek(InputSet& set, records::InputUnit& unit)
{
    set.substance_file_heading = heading(unit);
    std::int32_t count = 0;
    records::read_values(unit, {&count});
    check_count("chemvek.txt: the number of substances", count, 0, max_substances);
    set.substance_table_heading = heading(unit);
    set.substances.resize(static_cast<std::size_t>(count));
    for (SubstanceRecord& s : set.substances) {
        records::read_values(unit, {&s.water_diffusion_coefficient, &s.air_diffusion_coefficient,
                                    &s.sorption_per_organic_matter, &s.sorption_per_clay,
                                    &s.default_sorption_exponent, &s.half_life, &s.henry_constant,
                                    &s.transfer_coefficient, &s.irreversible_share});
    }
}

// The record order of read_input: run control, output control (read up to
// the depth count, then again with its depths), weather file name, soil
// types, compartments.
void read_vekin(InputSet& set, records::InputUnit& unit)
{
    set.run_heading = heading(unit);
    records::read_values(unit, {&set.simulation_end, &set.time_step, &set.soil_type_count, &set.compartment_count,
                                &set.mean_annual_recharge, &set.lower_boundary_type, &set.unused_item});
    check_count("vekin.txt: the number of compartments", set.compartment_count, 3, max_compartments);
    check_count("vekin.txt: the number of soil types", set.soil_type_count, 0, max_soil_types);

    set.output_heading = heading(unit);
    const int records_before = unit.record_number();
    std::int32_t depth_count = 0;
    records::read_values(unit, {&set.dispersivity, &set.output_interval, &set.weather_start, &depth_count});
    check_count("vekin.txt: the number of observation depths", depth_count, 0, max_observation_depths);
    if (depth_count > 0) {
        set.observation_depths.resize(static_cast<std::size_t>(depth_count));
        std::vector<records::ReadTarget> targets{&set.dispersivity, &set.output_interval, &set.weather_start,
                                                 &depth_count};
        for (float& depth : set.observation_depths) targets.emplace_back(&depth);
        unit.rewind();
        for (int r = 0; r < records_before; ++r) records::skip_record(unit);
        records::read_values(unit, std::span<const records::ReadTarget>(targets));
    }
    set.weather_heading = heading(unit);
    set.weather_file_name = trimmed(records::read_line(unit, weather_name_length));
    set.soil_separator = heading(unit);
    set.soil_heading = heading(unit);
    set.soil_types.resize(static_cast<std::size_t>(set.soil_type_count));
    for (SoilTypeRecord& k : set.soil_types) {
        records::read_values(unit, {&k.number, &k.texture_fractions[0], &k.texture_fractions[1],
                                    &k.texture_fractions[2], &k.texture_fractions[3],
                                    &k.saturated_conductivity_method, &k.conductivity_model, &k.retention_model,
                                    &k.aggregate_density, &k.aggregate_diameter, &k.saturated_conductivity,
                                    &k.organic_matter_fraction, &k.reference_potential,
                                    &k.reference_water_content, &k.topsoil_indicator});
    }
    set.compartment_separator = heading(unit);
    set.compartment_heading = heading(unit);
    const std::size_t S = set.substances.size();
    set.compartments.resize(static_cast<std::size_t>(set.compartment_count));
    for (CompartmentRecord& c : set.compartments) {
        std::vector<records::ReadTarget> targets{&c.compartment_thickness, &c.compartment_soil_type, &c.porosity};
        for (std::size_t s = 0; s < S; ++s) targets.emplace_back(&c.mobile_concentration[s]);
        for (std::size_t s = 0; s < S; ++s) targets.emplace_back(&c.sorption_coefficient[s]);
        for (std::size_t s = 0; s < S; ++s) targets.emplace_back(&c.sorption_exponent[s]);
        records::read_values(unit, std::span<const records::ReadTarget>(targets));
    }
}

void append(std::string& line, float value)
{
    line += ' ';
    exports::append_number(line, value);
}

void append(std::string& line, std::int32_t value)
{
    line += ' ';
    exports::append_number(line, static_cast<std::int64_t>(value));
}

void write_file(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw InputSetError("cannot write " + path.string());
}

}  // namespace

InputSet read_input_set(const fs::path& directory)
{
    InputSet set;
    try {
        records::InputUnit chemvek(14, "chemvek.txt");
        chemvek.open_existing((directory / "chemvek.txt").string());
        read_chemvek(set, chemvek);
        records::InputUnit vekin(7, "vekin.txt");
        vekin.open_existing((directory / "vekin.txt").string());
        read_vekin(set, vekin);
    } catch (const RunFailure& failure) {
        throw InputSetError("cannot read the scenario in " + directory.string() + ": " + failure.what());
    }
    return set;
}

std::string chemvek_text(const InputSet& set)
{
    std::string text = set.substance_file_heading + "\n";
    text += " " + std::to_string(set.substances.size()) + "\n";
    text += set.substance_table_heading + "\n";
    for (const SubstanceRecord& s : set.substances) {
        std::string line;
        for (float value : {s.water_diffusion_coefficient, s.air_diffusion_coefficient, s.sorption_per_organic_matter,
                            s.sorption_per_clay, s.default_sorption_exponent, s.half_life, s.henry_constant,
                            s.transfer_coefficient, s.irreversible_share}) {
            append(line, value);
        }
        text += line + "\n";
    }
    return text;
}

std::string vekin_text(const InputSet& set)
{
    std::string text = set.run_heading + "\n";
    std::string line;
    append(line, set.simulation_end);
    append(line, set.time_step);
    append(line, set.soil_type_count);
    append(line, set.compartment_count);
    append(line, set.mean_annual_recharge);
    append(line, set.lower_boundary_type);
    append(line, set.unused_item);
    text += line + "\n" + set.output_heading + "\n";
    line.clear();
    append(line, set.dispersivity);
    append(line, set.output_interval);
    append(line, set.weather_start);
    append(line, static_cast<std::int32_t>(set.observation_depths.size()));
    for (float depth : set.observation_depths) append(line, depth);
    text += line + "\n" + set.weather_heading + "\n" + set.weather_file_name + "\n";
    text += set.soil_separator + "\n" + set.soil_heading + "\n";
    for (const SoilTypeRecord& k : set.soil_types) {
        line.clear();
        append(line, k.number);
        for (float fraction : k.texture_fractions) append(line, fraction);
        append(line, k.saturated_conductivity_method);
        append(line, k.conductivity_model);
        append(line, k.retention_model);
        for (float value : {k.aggregate_density, k.aggregate_diameter, k.saturated_conductivity,
                            k.organic_matter_fraction, k.reference_potential, k.reference_water_content,
                            k.topsoil_indicator}) {
            append(line, value);
        }
        text += line + "\n";
    }
    text += set.compartment_separator + "\n" + set.compartment_heading + "\n";
    const std::size_t S = set.substances.size();
    for (const CompartmentRecord& c : set.compartments) {
        line.clear();
        append(line, c.compartment_thickness);
        append(line, c.compartment_soil_type);
        append(line, c.porosity);
        for (std::size_t s = 0; s < S; ++s) append(line, c.mobile_concentration[s]);
        for (std::size_t s = 0; s < S; ++s) append(line, c.sorption_coefficient[s]);
        for (std::size_t s = 0; s < S; ++s) append(line, c.sorption_exponent[s]);
        text += line + "\n";
    }
    return text;
}

void write_scenario(const InputSet& set, const fs::path& source, const fs::path& directory)
{
    std::error_code error;
    fs::create_directories(directory, error);
    if (error) throw InputSetError("cannot create " + directory.string() + ": " + error.message());
    write_file(directory / "vekin.txt", vekin_text(set));
    write_file(directory / "chemvek.txt", chemvek_text(set));
    std::vector<std::string> copied{"chemdat.txt", "plant.txt"};
    // An absolute weather file name is found where it is; a blank one stays blank.
    if (!set.weather_file_name.empty() && fs::path(set.weather_file_name).is_relative()) {
        copied.push_back(set.weather_file_name);
    }
    for (const std::string& name : copied) {
        fs::copy_file(source / name, directory / name, fs::copy_options::overwrite_existing, error);
        if (error) {
            throw InputSetError("cannot copy " + (source / name).string() + " to " + directory.string() + ": " +
                                error.message());
        }
    }
}

}  // namespace soilcolumn::ensemble
