#include "driver/boundary.hpp"

#include <array>
#include <cmath>
#include <span>
#include <string>

#include "input/input_checks.hpp"
#include "input/orderly_stop.hpp"
#include "records/format.hpp"
#include "records/run_errors.hpp"
#include "state/time_units.hpp"

namespace soilcolumn {

namespace {

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

bool is_leap_year(std::int32_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int32_t days_in_month(std::int32_t month, std::int32_t year)
{
    constexpr std::array<std::int32_t, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) {
        return 29;
    }
    return days[static_cast<std::size_t>(month - 1)];
}

// The day must exist in its month and year (29 February in leap years of the
// Gregorian rule only; two-digit years such as 96 follow the same rule). The
// year is printed in four digits in the result files. The month has been
// checked before.
void check_weather_date(const std::array<std::int32_t, 3>& date, const records::InputUnit& weather,
                        records::OutputUnit& console)
{
    const std::int32_t day = date[0];
    const std::int32_t month = date[1];
    const std::int32_t year = date[2];
    if (year >= 0 && year <= 9999 && day >= 1 && day <= days_in_month(month, year)) {
        return;
    }
    const std::string text =
        std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year);
    stop_run(console,
             "(1X,/,' Wetterdatei ',A,', Satz',I6,': das Datum ',A,' gibt es nicht',/,"
             "' (Tag 1 bis 28, 29, 30 oder 31 je nach Monat, Jahr 0 bis 9999)',/,"
             "3X,'***Programm abgebrochen***',/)",
             {std::string_view(weather.file_name()), std::int32_t{weather.record_number()},
              std::string_view(text)});
}

// Precipitation of a day cannot be negative, and no station has measured
// more than about 1.8 m in one day; air temperatures on the earth's surface
// lie between about -89 and 57 deg C; relative humidity is a percentage
// (100 % gives no evaporation from a wet surface).
constexpr ValidRange precipitation_range{0.0f, 2000.0f, true, "0 bis 2000 mm"};
constexpr ValidRange air_temperature_range{-90.0f, 60.0f, true, "-90 bis 60 Grad C"};
constexpr ValidRange relative_humidity_range{0.0f, 100.0f, true, "0 bis 100 %"};

// Runs once per weather day inside the step loop: the place of the message
// is put together only when a value is out of range, so that a day in
// range allocates nothing.
void check_weather_values(const ModelState& st, const records::InputUnit& weather,
                          records::OutputUnit& console)
{
    if (precipitation_range.contains(st.day_precipitation) &&
        air_temperature_range.contains(st.air_temperature) &&
        relative_humidity_range.contains(st.relative_humidity)) {
        return;
    }
    const std::string where = "Wetterdatei " + weather.file_name() + ", Satz" +
                              records::render_integer(weather.record_number(), 6) + ": ";
    check_within(console, where + "Niederschlag", st.day_precipitation, " mm", precipitation_range);
    check_within(console, where + "Lufttemperatur", st.air_temperature, " Grad C", air_temperature_range);
    check_within(console, where + "relative Feuchte", st.relative_humidity, " %", relative_humidity_range);
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
    check_weather_date(st.weather_date, weather, console);
    check_weather_values(st, weather, console);
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

// The end of a plant record is given in days; in seconds it must stay a
// finite time that the clock can reach or pass.
void check_plant_record_end(float end_days, float end_seconds, const records::InputUnit& plant,
                            records::OutputUnit& console)
{
    if (std::isfinite(end_seconds)) {
        return;
    }
    stop_run(console,
             "(1X,/,' plant.txt, Satz',I6,': das Ende',G11.4,' Tage ist in Sekunden nicht',"
             "' endlich',/,' (zulaessig bis 3.9E+33 Tage)',/,3X,'***Programm abgebrochen***',/)",
             {std::int32_t{plant.record_number()}, end_days});
}

// An amount applied to the soil surface cannot be negative.
void check_applied_amounts(const ModelState& st, const SubstanceArray& amount,
                           const records::InputUnit& chemdat, records::OutputUnit& console)
{
    constexpr ValidRange amount_range{0.0f, 3.4e38f, true, "ab 0 g/m2"};
    for (int s = 1; s <= st.substance_count; ++s) {
        if (amount_range.contains(amount(s))) {
            continue;  // the message is put together only for an amount out of range
        }
        check_within(console,
                     "chemdat.txt, Satz" + records::render_integer(chemdat.record_number(), 6) +
                         numbered(", Stoff", s) + ": Menge",
                     amount(s), " g/m2", amount_range);
    }
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
    const float end_days = st.plant_record_end;
    st.plant_record_end *= seconds_per_day;
    check_plant_record_end(end_days, st.plant_record_end, plant, console);
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
    check_applied_amounts(st, amount, chemdat, console);
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
