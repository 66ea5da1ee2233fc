// The control file vekin.txt: run and output control, the weather file name,
// the soil-type table and one record per compartment, then everything that
// follows from them before the first time step.
#include "input/control_input.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "input/compartment_parameters.hpp"
#include "input/heading.hpp"
#include "input/input_checks.hpp"
#include "input/substance_input.hpp"
#include "input/weather_file.hpp"
#include "records/input_unit.hpp"
#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

// Echoed headings begin a record: their first character is taken as the
// line-control character.
void read_run_control(ModelState& st, FileSet& files)
{
    const std::string heading = records::read_line(files.vekin, heading_length);
    float unused_item = 0.0f;
    records::read_values(files.vekin,
                         {&st.simulation_end, &st.time_step, &st.soil_type_count,
                          &st.compartment_count, &st.mean_annual_recharge,
                          &st.lower_boundary_type, &unused_item});
    files.console.write_record("(1X,/,A,/,F11.1,F14.1,2I14,F10.2,4X,I3,2X,F10.2)",
                               {std::string_view(heading), st.simulation_end, st.time_step,
                                st.soil_type_count, st.compartment_count,
                                st.mean_annual_recharge, st.lower_boundary_type, unused_item});
    check_compartment_count(files.console, st.compartment_count);
    check_time_step(files.console, st.time_step);
    const float end_days = st.simulation_end;
    st.simulation_end = st.simulation_end * seconds_per_day;
    check_simulated_period(files.console, end_days, st.simulation_end);
    check_clock_advances(files.console, st.time_step, st.simulation_end);
    check_step_count(files.console, st.time_step, end_days, st.simulation_end);
}

// The record holds as many depths as its fourth item says, and no more than
// the model stores may be read: the record is read once up to the count,
// which is checked, and then again from its start with all its depths.
void read_output_control_record(ModelState& st, FileSet& files)
{
    records::InputUnit& unit = files.vekin;
    const int records_before = unit.record_number();
    std::array<records::ReadTarget, 4 + max_observation_depths> targets{
        &st.dispersivity, &st.output_interval, &st.weather_start, &st.observation_depth_count};
    records::read_values(unit, std::span(targets).first(4));
    check_observation_depth_count(files.console, st.observation_depth_count);
    if (st.observation_depth_count == 0) {
        return;
    }
    for (int i = 1; i <= st.observation_depth_count; ++i) {
        targets[static_cast<std::size_t>(3 + i)] = &st.observation_depths(i);
    }
    unit.rewind();
    for (int r = 0; r < records_before; ++r) {
        records::skip_record(unit);
    }
    records::read_values(
        unit, std::span(targets).first(static_cast<std::size_t>(4 + st.observation_depth_count)));
}

void read_output_control(ModelState& st, FileSet& files)
{
    const std::string heading = records::read_line(files.vekin, heading_length);
    read_output_control_record(st, files);
    std::vector<records::FormatValue> echo{std::string_view(heading), st.dispersivity,
                                           st.output_interval, st.weather_start,
                                           st.observation_depth_count};
    for (int i = 1; i <= st.observation_depth_count; ++i) {
        echo.emplace_back(st.observation_depths(i));
    }
    files.console.write_record("(1X,/,A,/,F7.2,12X,G10.5,7X,F10.0,2X,I2,2X,10F5.2)", echo);
    const float interval_days = st.output_interval;
    const float start_days = st.weather_start;
    st.output_interval = st.output_interval * seconds_per_day;
    st.weather_start = st.weather_start * seconds_per_day;
    check_dispersivity(files.console, st.dispersivity);
    check_output_interval(files.console, interval_days, st.output_interval);
    check_weather_start_reachable(files.console, start_days, st.weather_start);
}

// Only the first eight characters of the name appear in the echo, the first
// of them as line-control character.
void read_weather_file_name(ModelState& st, FileSet& files)
{
    const std::string heading = records::read_line(files.vekin, heading_length);
    st.weather_file_name.assign(records::read_line(files.vekin, 50));
    files.console.write_record("(1X,/,A,/,A8)",
                               {std::string_view(heading), st.weather_file_name.view()});
}

void read_table_heading(FileSet& files)
{
    const std::string heading = records::read_line(files.vekin, heading_length);
    files.console.write_record("(1X,/,A70)", {std::string_view(heading)});
}

void echo_soil_type(records::OutputUnit& console, std::int32_t k, const SoilType& row)
{
    console.write_record(
        "(1X,I7,4X,4F6.3,3I3,1X,F7.2,1X,F5.2,1X,F8.3,1X,F5.3,1X,F5.2,1X,F5.3,1X,F2.0)",
        {k, row.texture_fractions(1), row.texture_fractions(2), row.texture_fractions(3),
         row.texture_fractions(4), row.saturated_conductivity_method, row.conductivity_model,
         row.retention_model, row.aggregate_density, row.aggregate_diameter,
         row.saturated_conductivity, row.organic_matter_fraction, row.reference_potential,
         row.reference_water_content, row.topsoil_indicator});
}

// A record names its row k in its first item; a later record for the same k
// replaces the earlier one. The row is stored only once k is known to exist.
void read_soil_type(ModelState& st, FileSet& files, std::int32_t position)
{
    std::int32_t k = 0;
    SoilType row;
    records::read_values(
        files.vekin,
        {&k, &row.texture_fractions(1), &row.texture_fractions(2), &row.texture_fractions(3),
         &row.texture_fractions(4), &row.saturated_conductivity_method, &row.conductivity_model,
         &row.retention_model, &row.aggregate_density, &row.aggregate_diameter,
         &row.saturated_conductivity, &row.organic_matter_fraction, &row.reference_potential,
         &row.reference_water_content, &row.topsoil_indicator});
    echo_soil_type(files.console, k, row);
    check_soil_type_number(files.console, position, k);
    row.defined = true;
    st.soil_type(k) = row;
    check_texture_sum(files.console, position, row);
    check_reference_point(files.console, position, row);
    check_model_combination(files.console, position, row);
    check_organic_matter(files.console, position, row);
}

// Thickness, soil type, porosity, then per substance the initial
// concentrations, the sorption coefficients and the sorption exponents.
void read_compartment_record(ModelState& st, FileSet& files, std::int32_t c)
{
    std::array<records::ReadTarget, 3 + 3 * max_substances> targets{
        &st.compartment_thickness(c), &st.compartment_soil_type(c), &st.porosity(c)};
    const int S = st.substance_count;
    for (int s = 1; s <= S; ++s) {
        targets[static_cast<std::size_t>(2 + s)] = &st.mobile_concentration(c, s);
        targets[static_cast<std::size_t>(2 + S + s)] = &st.sorption_coefficient(c, s);
        targets[static_cast<std::size_t>(2 + 2 * S + s)] = &st.sorption_exponent(c, s);
    }
    records::read_values(files.vekin,
                         std::span(targets).first(static_cast<std::size_t>(3 + 3 * S)));
}

// With fewer than four substances the coefficients and exponents move into
// the earlier columns of the format.
void echo_compartment(const ModelState& st, records::OutputUnit& console, std::int32_t c)
{
    const int S = st.substance_count;
    std::vector<records::FormatValue> echo{st.compartment_thickness(c),
                                           st.compartment_soil_type(c), st.porosity(c)};
    for (int s = 1; s <= S; ++s) {
        echo.emplace_back(st.mobile_concentration(c, s));
    }
    for (int s = 1; s <= S; ++s) {
        echo.emplace_back(st.sorption_coefficient(c, s));
    }
    for (int s = 1; s <= S; ++s) {
        echo.emplace_back(st.sorption_exponent(c, s));
    }
    console.write_record("(1X,F8.3,I8,2X,F10.3,3X,4F8.3,1X,8G7.2)", echo);
}

void copy_soil_type(ModelState& st, std::int32_t c)
{
    const SoilType& row = st.soil_type(st.compartment_soil_type(c));
    for (int j = 1; j <= texture_class_count; ++j) {
        st.texture_fractions(c, j) = row.texture_fractions(j);
    }
    st.aggregate_density(c) = row.aggregate_density;
    st.aggregate_diameter(c) = row.aggregate_diameter;
    st.saturated_conductivity(c) = row.saturated_conductivity;
    st.saturated_conductivity_method(c) = row.saturated_conductivity_method;
    st.conductivity_model(c) = row.conductivity_model;
    st.retention_model(c) = row.retention_model;
    st.organic_matter_fraction(c) = row.organic_matter_fraction;
    st.reference_potential(c) = row.reference_potential;
    st.reference_water_content(c) = row.reference_water_content;
    st.topsoil_indicator(c) = row.topsoil_indicator;
}

// Compartment 1 is a boundary node: it gets its soil type's properties but is
// neither checked nor warned about.
void read_compartment(ModelState& st, FileSet& files, std::int32_t c)
{
    read_compartment_record(st, files, c);
    echo_compartment(st, files.console, c);
    check_compartment_soil_type(files.console, st, c);
    check_compartment_values(files.console, st, c);
    copy_soil_type(st, c);
    if (c >= 2) {
        check_porosity(files.console, c, st.porosity(c));
        warn_outside_verified_range(files.console, st, c);
    }
}

void set_centre_distances(ModelState& st)
{
    st.centre_distance(1) = 0.0f;
    for (int c = 2; c <= st.compartment_count; ++c) {
        st.centre_distance(c) =
            (st.compartment_thickness(c - 1) + st.compartment_thickness(c)) * 0.5f;
    }
}

// A sorption coefficient below 1e-15 counts as not given: it follows from the
// organic matter and the clay, and the exponent is the substance's default.
void set_default_sorption(ModelState& st)
{
    for (int c = 2; c <= st.compartment_count; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            if (st.sorption_coefficient(c, s) < 1e-15f) {
                st.sorption_coefficient(c, s) =
                    st.sorption_per_organic_matter(s) * st.organic_matter_fraction(c) +
                    st.texture_fractions(c, 1) * st.sorption_per_clay(s);
                st.sorption_exponent(c, s) = st.default_sorption_exponent(s);
            }
        }
    }
}

}  // namespace

void read_input(ModelState& st, FileSet& files)
{
    read_substance_input(st, files);

    read_run_control(st, files);
    read_output_control(st, files);
    read_weather_file_name(st, files);
    records::skip_record(files.vekin);
    read_table_heading(files);
    for (std::int32_t i = 1; i <= st.soil_type_count; ++i) {
        read_soil_type(st, files, i);
    }
    records::skip_record(files.vekin);
    read_table_heading(files);
    for (std::int32_t c = 1; c <= st.compartment_count; ++c) {
        read_compartment(st, files, c);
    }

    connect_weather_file(st, files);
    for (std::int32_t c = 2; c <= st.compartment_count; ++c) {
        parameterise_compartment(st, files.console, c);
    }
    for (std::int32_t c = 2; c <= st.compartment_count; ++c) {
        set_initial_matric_potential(st, files.console, c);
    }
    set_centre_distances(st);
    set_default_sorption(st);
}

}  // namespace soilcolumn
