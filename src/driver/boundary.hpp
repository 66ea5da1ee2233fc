#pragma once
// The boundary data of every time step: plant schedule, daily weather with
// snow and ponded water, soil evaporation, the water flux offered at the soil
// surface, the substance applications and the lower boundary.

#include <cstdint>

#include "records/input_unit.hpp"
#include "records/output_unit.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Evaporation factor in mm per day and hPa of saturation deficit of a month
// (1..12) under a plant type (1..8).
float evaporation_factor(std::int32_t month, std::int32_t plant_type);

// Dew-point temperature (K) of air of the given temperature (deg C) and
// relative humidity (%), from its actual vapour pressure.
float dew_point_temperature_of(float relative_humidity, float air_temperature);

// Soil evaporation in mm/day from the saturation deficit between the soil
// surface (suction surface_suction, m) and the air; negative when water
// condenses. Also yields the dew-point temperature (K).
void compute_evaporation(float& soil_evaporation, float relative_humidity, float air_temperature,
                         float surface_suction, float& dew_point_temperature, std::int32_t month,
                         std::int32_t plant_type);

// Stops the run before the first step when the weather file cannot take the
// clock: a weather start below 1 s, or a file without a data record.
void check_weather_start(const ModelState& st, records::OutputUnit& console);
void check_weather_file_has_data(records::InputUnit& weather, records::OutputUnit& console);

// Skips the heading record of plant.txt or chemdat.txt; like every later
// record it must be there, or the file cannot cover the simulated period.
void skip_schedule_heading(records::InputUnit& schedule);

// Reads the next plant.txt record when the one in force has run out.
void update_plant_schedule(ModelState& st, records::InputUnit& plant, records::OutputUnit& console);

// Takes weather days into force until the day covers the clock; books snow,
// melt, precipitation and the re-offer of ponded water.
void update_weather_day(ModelState& st, records::InputUnit& weather, records::OutputUnit& console);

// Soil evaporation of the step in m/s (0 without plants) and the dew-point
// temperature that drives degradation.
void update_soil_evaporation(ModelState& st);

// The water flux offered at the soil surface (gravity_flux 1 and 2), m/s.
void offer_surface_flux(ModelState& st);

// Reads the next chemdat.txt record when the application interval has run
// out and spreads its amounts evenly over the new interval.
void update_substance_input(ModelState& st, records::InputUnit& chemdat,
                            records::OutputUnit& console);

// Zero-gradient lower boundary (type 2): compartment N takes the suction and
// mobile concentrations of N-1. Any other type keeps N fixed.
void apply_lower_boundary(ModelState& st, SpeciesTable& state);

}  // namespace soilcolumn
