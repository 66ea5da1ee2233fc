#include "driver/boundary.hpp"

#include <array>
#include <cmath>
#include <span>
#include <string>

#include "input/orderly_stop.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {

namespace {

constexpr float seconds_per_day = 86400.0f;

// mm per day and hPa of saturation deficit; rows are the plant types 1..8,
// columns the months January..December.
constexpr std::array<std::array<float, 12>, 8> evaporation_factors{{
    {0.22f, 0.22f, 0.22f, 0.32f, 0.46f, 0.50f, 0.47f, 0.22f, 0.22f, 0.22f, 0.22f, 0.22f},
    {0.22f, 0.22f, 0.22f, 0.22f, 0.25f, 0.26f, 0.35f, 0.35f, 0.32f, 0.22f, 0.22f, 0.22f},
    {0.22f, 0.22f, 0.22f, 0.22f, 0.28f, 0.40f, 0.48f, 0.43f, 0.34f, 0.22f, 0.22f, 0.22f},
    {0.22f, 0.22f, 0.22f, 0.27f, 0.28f, 0.39f, 0.46f, 0.38f, 0.22f, 0.22f, 0.22f, 0.22f},
    {0.22f, 0.22f, 0.22f, 0.29f, 0.29f, 0.28f, 0.26f, 0.25f, 0.23f, 0.22f, 0.22f, 0.22f},
    {0.11f, 0.14f, 0.15f, 0.17f, 0.19f, 0.21f, 0.21f, 0.17f, 0.15f, 0.14f, 0.11f, 0.11f},
    {0.22f, 0.22f, 0.22f, 0.29f, 0.29f, 0.28f, 0.26f, 0.25f, 0.23f, 0.22f, 0.22f, 0.22f},
    {0.22f, 0.22f, 0.22f, 0.15f, 0.19f, 0.23f, 0.25f, 0.25f, 0.21f, 0.22f, 0.22f, 0.22f},
}};

// Saturation vapour pressure (hPa) over water above 0 deg C, over ice below.
float saturation_vapour_pressure(float air_temperature)
{
    const float t = air_temperature;
    if (t >= 0.0f) {
        return 6.1078f * std::exp(17.08085f * t / (234.175f + t));
    }
    return 6.1078f * std::exp(17.84362f * t / (245.425f + t));
}

// Actual vapour pressure of the air, hPa.
float actual_vapour_pressure(float relative_humidity, float saturation_pressure)
{
    return relative_humidity * saturation_pressure * 0.01f;
}

// Dew point (K) from the actual vapour pressure in hPa.
float dew_point_from_vapour_pressure(float vapour_pressure)
{
    const float e = vapour_pressure * 0.1f;  // kPa
    return 264.728f + 17.119f * e - 1.98f * (e * e);
}

// Appends to an end-of-file report of a schedule file that the file must
// reach the end of the simulated period.
[[noreturn]] void rethrow_schedule_end(const ReadError& error, const records::InputUnit& unit)
{
    if (error.kind() != ReadErrorKind::end_of_file) {
        throw error;
    }
    throw ReadError(std::string(error.what()) + " - " + unit.file_name() +
                        " muss Datensaetze bis zum Ende des simulierten Zeitraums enthalten",
                    error.unit(), error.kind());
}

bool read_weather_values(records::InputUnit& weather, std::array<std::int32_t, 3>& date,
                         float& precipitation, float& temperature, float& humidity)
{
    return records::read_values_or_end(
        weather, {&date[0], &date[1], &date[2], &precipitation, &temperature, &humidity});
}

[[noreturn]] void stop_on_empty_weather_file(const records::InputUnit& weather,
                                             records::OutputUnit& console)
{
    stop_run(console,
             "(1X,/,' Die Wetterdatei ',A,' enthaelt nach der Kopfzeile keinen Datensatz',/,3X,"
             "'***Programm abgebrochen***',/)",
             {std::string_view(weather.file_name())});
}

void check_weather_month(std::int32_t month, const records::InputUnit& weather,
                         records::OutputUnit& console)
{
    if (month >= 1 && month <= 12) {
        return;
    }
    stop_run(console,
             "(1X,/,' Wetterdatei ',A,', Satz',I6,': der Monat',I6,"
             "' liegt nicht zwischen 1 und 12',/,3X,'***Programm abgebrochen***',/)",
             {std::string_view(weather.file_name()), std::int32_t{weather.record_number()}, month});
}

// The next day of the weather series; after its last record the series
// starts again with the first data record (the heading is skipped).
void read_next_weather_record(ModelState& st, records::InputUnit& weather,
                              records::OutputUnit& console)
{
    if (!read_weather_values(weather, st.weather_date, st.day_precipitation, st.air_temperature,
                             st.relative_humidity)) {
        weather.rewind();
        records::skip_record(weather);
        if (!read_weather_values(weather, st.weather_date, st.day_precipitation,
                                 st.air_temperature, st.relative_humidity)) {
            stop_on_empty_weather_file(weather, console);
        }
    }
    check_weather_month(st.weather_date[1], weather, console);
}

// Precipitation on a day at or below 0 deg C is stored as snow (m of water).
void store_snowfall(ModelState& st)
{
    if (st.air_temperature <= 0.0f) {
        st.snow_storage += st.day_precipitation * 0.001f;
        st.snow_total += st.day_precipitation * 0.001f;
        st.day_precipitation = 0.0f;
    }
}

// Snow melts on a day above 0 deg C, at most 5 mm of water per day whatever
// the temperature; a pack of 0.01 mm or less stays.
void melt_snow(ModelState& st)
{
    if (st.snow_storage > 0.00001f && st.air_temperature > 0.0f) {
        if (st.snow_storage > 0.005f) {
            st.day_precipitation += 0.005f;
            st.snow_storage -= 0.005f;
        } else {
            st.day_precipitation += st.snow_storage;
            st.snow_storage = 0.0f;
        }
    }
}

// The water of the day in force: rain in m, melt, the balance entry, and the
// ponded water that the soil refused since the last weather day.
void take_weather_day_into_force(ModelState& st)
{
    st.day_precipitation *= 0.001f;
    melt_snow(st);
    st.precipitation_total += st.day_precipitation;
    st.day_precipitation += st.surface_runoff;
    st.surface_runoff = 0.0f;
}

void check_plant_type(std::int32_t plant_type, const records::InputUnit& plant,
                      records::OutputUnit& console)
{
    if (plant_type >= 0 && plant_type <= 8) {
        return;
    }
    stop_run(console,
             "(1X,/,' plant.txt, Satz',I6,': der Pflanzentyp',I6,"
             "' liegt nicht zwischen 0 und 8',/,3X,'***Programm abgebrochen***',/)",
             {std::int32_t{plant.record_number()}, plant_type});
}

void check_application_interval(const ModelState& st, const records::InputUnit& chemdat,
                                records::OutputUnit& console)
{
    if (st.application_end_time > st.application_start_time) {
        return;
    }
    stop_run(console,
             "(1X,/,' chemdat.txt, Satz',I6,': Endzeit',F14.1,' s ist nicht groesser als die',"
             "' vorige Endzeit',F14.1,' s;',/,' die Endzeiten muessen von Satz zu Satz zunehmen',/,"
             "3X,'***Programm abgebrochen***',/)",
             {std::int32_t{chemdat.record_number()}, st.application_end_time,
              st.application_start_time});
}

}  // namespace

float evaporation_factor(std::int32_t month, std::int32_t plant_type)
{
    return evaporation_factors[static_cast<std::size_t>(plant_type - 1)]
                              [static_cast<std::size_t>(month - 1)];
}

float dew_point_temperature_of(float relative_humidity, float air_temperature)
{
    const float es = saturation_vapour_pressure(air_temperature);
    return dew_point_from_vapour_pressure(actual_vapour_pressure(relative_humidity, es));
}

void compute_evaporation(float& soil_evaporation, float relative_humidity, float air_temperature,
                         float surface_suction, float& dew_point_temperature, std::int32_t month,
                         std::int32_t plant_type)
{
    const float es = saturation_vapour_pressure(air_temperature);
    const float ea = actual_vapour_pressure(relative_humidity, es);
    dew_point_temperature = dew_point_from_vapour_pressure(ea);
    // Vapour pressure over the soil water, lowered by the suction (Kelvin
    // equation with g = 9.81 m/s2 and the gas constant of water vapour).
    float surface_pressure = es;
    if (surface_suction > 0.0f) {
        surface_pressure =
            es * std::exp(-(surface_suction * 9.81f) / (dew_point_temperature * 461.513f));
    }
    soil_evaporation = (surface_pressure - ea) * evaporation_factor(month, plant_type);
}

void check_weather_start(const ModelState& st, records::OutputUnit& console)
{
    if (st.weather_start >= 1.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,' vekin.txt, Ausgabesteuerung: Wetterbeginn',F12.5,' Tage; er muss mindestens',"
             "' 1 s betragen,',/,' damit im ersten Schritt ein Wettertag in Kraft ist',/,3X,"
             "'***Programm abgebrochen***',/)",
             {st.weather_start / seconds_per_day});
}

void check_weather_file_has_data(records::InputUnit& weather, records::OutputUnit& console)
{
    std::string heading;
    std::array<std::int32_t, 3> date{};
    float precipitation = 0.0f;
    float temperature = 0.0f;
    float humidity = 0.0f;
    if (!weather.next_record(heading) ||
        !read_weather_values(weather, date, precipitation, temperature, humidity)) {
        stop_on_empty_weather_file(weather, console);
    }
    weather.rewind();
}

void skip_schedule_heading(records::InputUnit& schedule)
{
    try {
        records::skip_record(schedule);
    } catch (const ReadError& error) {
        rethrow_schedule_end(error, schedule);
    }
}

void update_plant_schedule(ModelState& st, records::InputUnit& plant, records::OutputUnit& console)
{
    if (static_cast<double>(st.plant_record_end) > st.simulation_time) {
        return;
    }
    try {
        records::read_values(plant, {&st.plant_record_end, &st.plant_type});
    } catch (const ReadError& error) {
        rethrow_schedule_end(error, plant);
    }
    check_plant_type(st.plant_type, plant, console);
    st.plant_record_end *= seconds_per_day;
}

void update_weather_day(ModelState& st, records::InputUnit& weather, records::OutputUnit& console)
{
    bool day_changed = false;
    while (static_cast<double>(st.weather_day_end) <= st.simulation_time) {
        st.weather_day_begin = st.weather_day_end;
        read_next_weather_record(st, weather, console);
        store_snowfall(st);
        st.weather_day_end += seconds_per_day;
        day_changed = true;
    }
    // Days passed over within one step keep their snow but lose their rain.
    if (day_changed) {
        take_weather_day_into_force(st);
    }
}

void update_soil_evaporation(ModelState& st)
{
    if (st.plant_type != 0) {
        compute_evaporation(st.soil_evaporation, st.relative_humidity, st.air_temperature,
                            st.matric_potential(2), st.dew_point_temperature, st.weather_date[1],
                            st.plant_type);
        st.soil_evaporation *= 1.1574e-8f;  // mm/day to m/s
        return;
    }
    // Bare of plants nothing evaporates, but degradation still needs the
    // temperature of the day.
    st.soil_evaporation = 0.0f;
    st.dew_point_temperature = dew_point_temperature_of(st.relative_humidity, st.air_temperature);
}

void offer_surface_flux(ModelState& st)
{
    // The day's water enters at a constant rate over the whole weather day.
    const float flux = st.day_precipitation / (st.weather_day_end - st.weather_day_begin) -
                       st.soil_evaporation;
    st.gravity_flux(1) = flux;
    st.gravity_flux(2) = flux;
}

void update_substance_input(ModelState& st, records::InputUnit& chemdat,
                            records::OutputUnit& console)
{
    if (static_cast<double>(st.application_end_time) > st.simulation_time) {
        return;
    }
    st.application_start_time = st.application_end_time;
    SubstanceArray amount;
    const std::array<records::ReadTarget, 1 + max_substances> targets{
        &st.application_end_time, &amount(1), &amount(2), &amount(3), &amount(4)};
    try {
        records::read_values(chemdat, std::span(targets.data(), 1 + st.substance_count));
    } catch (const ReadError& error) {
        rethrow_schedule_end(error, chemdat);
    }
    check_application_interval(st, chemdat, console);
    for (int s = 1; s <= st.substance_count; ++s) {
        st.surface_input_flux(s) =
            amount(s) / (st.application_end_time - st.application_start_time);
    }
}

void apply_lower_boundary(ModelState& st, SpeciesTable& state)
{
    if (st.lower_boundary_type != 2) {
        return;
    }
    const int n = st.compartment_count;
    for (int k = 0; k <= st.substance_count; ++k) {
        state(n, k) = state(n - 1, k);
    }
}

}  // namespace soilcolumn
