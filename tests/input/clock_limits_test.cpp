// The limits of the clock at their edges, where a run on the real program
// would take seconds (a million weather days) or hours (1e8 steps): each
// check is called with the values the reader hands it, in seconds.
#include <gtest/gtest.h>

#include <sstream>

#include "input/input_checks.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

// The float just above 1e6 (1e6 + 1/16) and the days in seconds as the
// reader converts them, worked out in Python with 32-bit rounding:
// 1e6 x 86400 = 8.64e10 exactly, (1e6 + 1/16) x 86400 -> 86400008192.
constexpr float million_days = 1.0e6f;
constexpr float above_million_days = 1000000.0625f;
constexpr float million_days_s = 8.64e10f;
constexpr float above_million_days_s = 86400008192.0f;

struct ClockCase {
    const char* what;
    void (*check)(records::OutputUnit&);
    bool refused;
};

const ClockCase cases[] = {
    {"period of 1e6 days", [](records::OutputUnit& c) { check_simulated_period(c, million_days, million_days_s); }, false},
    {"period just above 1e6 days",
     [](records::OutputUnit& c) { check_simulated_period(c, above_million_days, above_million_days_s); }, true},
    {"period of 0", [](records::OutputUnit& c) { check_simulated_period(c, 0.0f, 0.0f); }, false},
    {"period just below 0", [](records::OutputUnit& c) { check_simulated_period(c, -1e-30f, -8.64e-26f); }, true},
    {"weather start of 1e6 days",
     [](records::OutputUnit& c) { check_weather_start_reachable(c, million_days, million_days_s); }, false},
    {"weather start just above 1e6 days",
     [](records::OutputUnit& c) { check_weather_start_reachable(c, above_million_days, above_million_days_s); },
     true},
    // (8.64e10 + 1) / 864 = 1e8 + 0.0012: whole part plus one is 1e8 + 1;
    // with the float 864.000122 it is 99 999 986 (Python).
    {"1e8 + 1 steps", [](records::OutputUnit& c) { check_step_count(c, 864.0f, million_days, million_days_s); }, true},
    {"99 999 986 steps",
     [](records::OutputUnit& c) { check_step_count(c, 864.0001f, million_days, million_days_s); }, false},
    // A unit of the last place of the 64-bit clock at 8.64e10 s is 2^-16 s =
    // 1.53e-5 s: a step below half of it leaves the clock where it is.
    {"step of 7e-6 s at 8.64e10 s", [](records::OutputUnit& c) { check_clock_advances(c, 7e-6f, million_days_s); },
     true},
    {"step of 1e-5 s at 8.64e10 s", [](records::OutputUnit& c) { check_clock_advances(c, 1e-5f, million_days_s); },
     false},
    // Just above -1 s the unit is 2^-53 s = 1.1e-16 s.
    {"step of 5e-17 s at -1 s", [](records::OutputUnit& c) { check_clock_advances(c, 5e-17f, 0.0f); }, true},
    {"step of 1e-16 s at -1 s", [](records::OutputUnit& c) { check_clock_advances(c, 1e-16f, 0.0f); }, false},
    {"output interval of 0", [](records::OutputUnit& c) { check_output_interval(c, 0.0f, 0.0f); }, false},
    {"output interval just below 0", [](records::OutputUnit& c) { check_output_interval(c, -1e-30f, -8.64e-26f); },
     true},
};

TEST(ClockLimits, EdgesOfThePeriodTheStepAndTheWeatherStart)
{
    for (const ClockCase& test : cases) {
        SCOPED_TRACE(test.what);
        std::ostringstream text;
        records::OutputUnit console(6, "standard output");
        console.connect_stream(text);
        bool refused = false;
        try {
            test.check(console);
        } catch (const OrderlyStop&) {
            refused = true;
        }
        console.close();
        EXPECT_EQ(refused, test.refused) << text.str();
        EXPECT_EQ(text.str().find("***Programm abgebrochen***") != std::string::npos, test.refused);
    }
}

}  // namespace
}  // namespace soilcolumn
