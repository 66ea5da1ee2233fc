// Weather, snow, evaporation, schedules and the lower boundary on a
// hand-built model state with the schedule files held in memory.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "driver/boundary.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

class BoundaryTest : public ::testing::Test {
protected:
    BoundaryTest()
    {
        st->compartment_count = 5;
        st->substance_count = 2;
        console.connect_stream(console_text);
    }

    void connect(records::InputUnit& unit, std::istringstream& text, const std::string& content,
                 const char* name)
    {
        text.str(content);
        unit.connect_stream(text, name);
    }

    std::unique_ptr<ModelState> st = std::make_unique<ModelState>();
    std::ostringstream console_text;
    records::OutputUnit console{6, "standard output"};
    records::InputUnit weather{13, "wetter.txt"};
    records::InputUnit plant{16, "plant.txt"};
    records::InputUnit chemdat{15, "chemdat.txt"};
    std::istringstream weather_text, plant_text, chemdat_text;
};

// Expected values by hand: float32 emulation of the vapour-pressure chain in
// a python script (struct.pack rounding after every operation).
TEST_F(BoundaryTest, EvaporationFollowsTheSaturationDeficit)
{
    struct Case {
        float temperature, humidity, suction;
        int month, plant_type;
        float evaporation_mm_per_day, dew_point;
    };
    const Case cases[] = {
        {20.0f, 60.0f, 1.0f, 6, 1, 4.68312263f, 284.873932f},    // summer, factor 0.50
        {-5.0f, 80.0f, 0.0f, 1, 6, 0.0927144438f, 270.274475f},  // pressure over ice, 0.11
        {0.0f, 50.0f, 0.5f, 2, 3, 0.671805024f, 269.771301f},    // 0 deg C uses water, 0.22
        {10.0f, 100.0f, 100.0f, 4, 8, -0.0138095859f, 282.781281f},  // dry soil in saturated air condenses
    };
    for (const Case& c : cases) {
        float evaporation = -99.0f;
        float dew_point = -99.0f;
        compute_evaporation(evaporation, c.humidity, c.temperature, c.suction, dew_point, c.month,
                            c.plant_type);
        EXPECT_NEAR(evaporation, c.evaporation_mm_per_day, 2e-6f * 5.0f) << c.temperature;
        EXPECT_NEAR(dew_point, c.dew_point, 1e-4f) << c.temperature;
        EXPECT_FLOAT_EQ(dew_point_temperature_of(c.humidity, c.temperature), dew_point);
    }
    // Saturated air over a wet surface: no evaporation (up to rounding).
    float evaporation = 1.0f;
    float dew_point = 0.0f;
    compute_evaporation(evaporation, 100.0f, 10.0f, 0.0f, dew_point, 4, 8);
    EXPECT_NEAR(evaporation, 0.0f, 1e-6f);
}

TEST_F(BoundaryTest, SnowMeltAndPrecipitationFollowTheWeatherDays)
{
    // weather_start = 1 day and one-day steps starting at -1 s: every call
    // takes exactly one new record into force.
    connect(weather, weather_text,
            "Tag Monat Jahr Niederschlag Temperatur Feuchte\n"
            " 1 1 2010  8.0  0.0 80\n"     // exactly 0 C: all snow
            " 2 1 2010  2.0  0.1 80\n"     // melt capped at 5 mm
            " 3 1 2010  0.0  3.0 80\n"     // the 3 mm left melt at once
            " 4 1 2010  0.005 -1.0 80\n"   // a pack of 0.005 mm
            " 5 1 2010  0.0 10.0 80\n",    // too small to melt
            "wetter.txt");
    records::skip_record(weather);
    st->weather_day_end = -86400.0f;
    struct Expected { float day_precipitation, snow_storage, precipitation_total; double snow_total; };
    const Expected steps[] = {
        {0.0f, 0.008f, 0.0f, 0.008},
        {0.007f, 0.003f, 0.007f, 0.008},
        {0.003f, 0.0f, 0.010f, 0.008},
        {0.0f, 0.000005f, 0.010f, 0.008005},
        {0.0f, 0.000005f, 0.010f, 0.008005},
    };
    st->simulation_time = -1.0;
    int day = 1;
    for (const Expected& e : steps) {
        update_weather_day(*st, weather, console);
        EXPECT_EQ(st->weather_date[0], day);
        EXPECT_NEAR(st->day_precipitation, e.day_precipitation, 1e-8f) << "day " << day;
        EXPECT_NEAR(st->snow_storage, e.snow_storage, 1e-8f) << "day " << day;
        EXPECT_NEAR(st->precipitation_total, e.precipitation_total, 1e-8f) << "day " << day;
        EXPECT_NEAR(st->snow_total, e.snow_total, 1e-9) << "day " << day;
        EXPECT_EQ(st->weather_day_end - st->weather_day_begin, 86400.0f);
        st->simulation_time += 86400.0;
        ++day;
    }
}

TEST_F(BoundaryTest, PondedWaterIsOfferedAgainWithTheNextDayOnly)
{
    connect(weather, weather_text, "heading\n 1 5 2010 1.0 12 70\n 2 5 2010 0.0 12 70\n",
            "wetter.txt");
    records::skip_record(weather);
    st->weather_day_end = -86400.0f;
    st->simulation_time = -1.0;
    update_weather_day(*st, weather, console);
    st->surface_runoff = 0.004f;
    st->simulation_time = -0.5;  // same weather day: nothing re-offered
    update_weather_day(*st, weather, console);
    EXPECT_FLOAT_EQ(st->surface_runoff, 0.004f);
    EXPECT_FLOAT_EQ(st->day_precipitation, 0.001f);
    st->simulation_time = 3599.0;
    update_weather_day(*st, weather, console);
    EXPECT_FLOAT_EQ(st->day_precipitation, 0.004f);
    EXPECT_EQ(st->surface_runoff, 0.0f);
    EXPECT_FLOAT_EQ(st->precipitation_total, 0.001f);  // counted once only
}

TEST_F(BoundaryTest, TwoWeatherDaysInOneStepKeepTheSnowButLoseTheRain)
{
    connect(weather, weather_text,
            "heading\n 1 2 2010 3.0 -2 90\n 2 2 2010 6.0 5 90\n 3 2 2010 2.0 -1 90\n"
            " 4 2 2010 0.0 -1 90\n",
            "wetter.txt");
    records::skip_record(weather);
    st->weather_day_end = -86400.0f;
    st->simulation_time = 172799.0;  // three days pass in the first call
    update_weather_day(*st, weather, console);
    EXPECT_EQ(st->weather_date[0], 3);
    EXPECT_FLOAT_EQ(st->snow_storage, 0.005f);     // 3 mm + 2 mm of snow
    EXPECT_EQ(st->precipitation_total, 0.0f);      // the 6 mm of rain are lost
    EXPECT_EQ(st->day_precipitation, 0.0f);
    EXPECT_FLOAT_EQ(st->weather_day_end, 172800.0f);
}

TEST_F(BoundaryTest, WeatherSeriesStartsAgainAfterItsLastRecord)
{
    // A heading that is not skipped on rewinding would not read as numbers.
    connect(weather, weather_text, "Tag Monat Jahr N T F\n 30 6 2011 1.0 20 50\n 1 7 2011 2.0 21 55",
            "wetter.txt");
    records::skip_record(weather);
    st->weather_day_end = -86400.0f;
    const int expected_days[] = {30, 1, 30, 1, 30};
    st->simulation_time = -1.0;
    for (int day : expected_days) {
        update_weather_day(*st, weather, console);
        EXPECT_EQ(st->weather_date[0], day);
        EXPECT_EQ(st->weather_date[1], day == 30 ? 6 : 7);
        st->simulation_time += 86400.0;
    }
    EXPECT_FLOAT_EQ(st->relative_humidity, 50.0f);
}

TEST_F(BoundaryTest, PlantRecordsAreReadWhenTheirPredecessorRunsOut)
{
    connect(plant, plant_text, "Ende(d) Typ\n 1.5 3\n 2.0 0\n", "plant.txt");
    skip_schedule_heading(plant);
    st->plant_record_end = -1.0f;
    struct Step { double time; float record_end; int plant_type; };
    const Step steps[] = {
        {-1.0, 129600.0f, 3}, {3599.0, 129600.0f, 3}, {129599.0, 129600.0f, 3},
        {129600.0, 172800.0f, 0},  // reached exactly: the next record is due
    };
    for (const Step& s : steps) {
        st->simulation_time = s.time;
        update_plant_schedule(*st, plant, console);
        EXPECT_EQ(st->plant_record_end, s.record_end) << s.time;
        EXPECT_EQ(st->plant_type, s.plant_type) << s.time;
    }
    st->simulation_time = 172800.0;
    try {
        update_plant_schedule(*st, plant, console);
        FAIL() << "plant.txt ended without a report";
    } catch (const ReadError& error) {
        EXPECT_EQ(error.kind(), ReadErrorKind::end_of_file);
        EXPECT_NE(std::string(error.what()).find("plant.txt muss Datensaetze bis zum Ende"),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(BoundaryTest, SoilEvaporationWithoutPlantsIsZeroButTheDewPointFollowsTheWeather)
{
    st->air_temperature = 20.0f;
    st->relative_humidity = 60.0f;
    st->matric_potential(2) = 1.0f;
    st->weather_date = {15, 6, 2010};
    st->plant_type = 0;
    st->soil_evaporation = 5.0f;
    update_soil_evaporation(*st);
    EXPECT_EQ(st->soil_evaporation, 0.0f);
    EXPECT_NEAR(st->dew_point_temperature, 284.873932f, 1e-4f);

    st->plant_type = 1;
    update_soil_evaporation(*st);
    // 4.68312263 mm/day x 1.1574e-8 (m/s per mm/day)
    EXPECT_NEAR(st->soil_evaporation, 5.42024604e-8f, 1e-13f);

    st->day_precipitation = 0.00864f;
    st->weather_day_begin = 86400.0f;
    st->weather_day_end = 172800.0f;
    offer_surface_flux(*st);
    // 0.00864 m / 86400 s = 1e-7 m/s, less the evaporation
    EXPECT_NEAR(st->gravity_flux(1), 1e-7f - 5.42024604e-8f, 1e-13f);
    EXPECT_EQ(st->gravity_flux(2), st->gravity_flux(1));
}

TEST_F(BoundaryTest, ApplicationsAreSpreadOverTheirIntervalsAndMayLag)
{
    connect(chemdat, chemdat_text, "Ende(s) Mengen\n 7199. 1.0 2.0\n 7200. 3.0 0.0\n 9000. 1 1\n",
            "chemdat.txt");
    skip_schedule_heading(chemdat);
    st->application_end_time = -1.0f;
    struct Step { double time; float flux1, flux2; };
    const Step steps[] = {
        {-1.0, 1.0f / 7200.0f, 2.0f / 7200.0f},  // the first interval starts at -1 s
        {3599.0, 1.0f / 7200.0f, 2.0f / 7200.0f},
        {7199.0, 3.0f, 0.0f},                    // a one-second interval ...
        {10799.0, 1.0f / 1800.0f, 1.0f / 1800.0f},  // ... replaced one step later
    };
    for (const Step& s : steps) {
        st->simulation_time = s.time;
        update_substance_input(*st, chemdat, console);
        EXPECT_FLOAT_EQ(st->surface_input_flux(1), s.flux1) << s.time;
        EXPECT_FLOAT_EQ(st->surface_input_flux(2), s.flux2) << s.time;
    }
    EXPECT_EQ(st->surface_input_flux(3), 0.0f);  // substance 3 is not in use
}

}  // namespace
}  // namespace soilcolumn
