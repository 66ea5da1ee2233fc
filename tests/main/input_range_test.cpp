// Hostile and mistyped input on the real executable: every value outside its
// valid range ends in an orderly stop whose message names the file, the
// record and the range; every value at the edge of its range runs to the
// regular end. Each case changes one line of a small hourly scenario (one
// substance, eight compartments, seven steps) in a fresh directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/temp_directory.hpp"
#include "test_files.hpp"

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

const fs::path scenario_dir =
    fs::path(SOILCOLUMN_SOURCE_DIR) / "tests" / "scenarios" / "data" / "fixed_bottom_hourly";

using testing::read_file;

// The scenario's line `line_number` (1-based) of `text` replaced by `line`.
std::string with_line_replaced(const std::string& text, int line_number, const std::string& line)
{
    std::size_t begin = 0;
    for (int k = 1; k < line_number; ++k) {
        begin = text.find('\n', begin) + 1;
    }
    const std::size_t end = text.find('\n', begin);
    return text.substr(0, begin) + line + text.substr(end);
}

struct Mutation {
    const char* name;
    const char* file;
    int line;
    const char* replacement;
};

struct MutatedRun {
    int status = -1;
    std::vector<std::string> console;  // the console records
};

MutatedRun run_mutated(const Mutation& m)
{
    TempDirectory dir;
    for (const auto& entry : fs::directory_iterator(scenario_dir)) {
        const std::string name = entry.path().filename().string();
        if (name == "README" || entry.is_directory()) {
            continue;
        }
        std::string text = read_file(entry.path());
        if (name == m.file) {
            text = with_line_replaced(text, m.line, m.replacement);
        }
        dir.write(name, text);
    }
    const std::string command = "cd '" + dir.path().string() + "' && '" SOILCOLUMN_EXE
                                "' < /dev/null > console.out 2>&1";
    const int raw = std::system(command.c_str());
    MutatedRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream console(dir.read("console.out"));
    for (std::string line; std::getline(console, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        run.console.push_back(line);
    }
    return run;
}

// The first line of the stop message: the record after the last empty line
// before "***Programm abgebrochen***"; empty when there is no such message.
std::string first_message_line(const std::vector<std::string>& console)
{
    for (std::size_t i = 0; i < console.size(); ++i) {
        if (console[i] != "  ***Programm abgebrochen***") {
            continue;
        }
        std::size_t begin = i;
        while (begin > 0 && !console[begin - 1].empty()) {
            --begin;
        }
        return console[begin];
    }
    return "";
}

struct Refusal {
    Mutation mutation;
    const char* first_line;  // worked out by hand from the message format (G11.4 values)
};

// Line 2 of vekin.txt is the run control, line 4 the output control, line 9
// the first soil type, lines 13..20 the compartments 1..8; line 4 of
// chemvek.txt the substance; lines 2 and 3 of wetter.txt the two weather days
// the run reads; line 2 of chemdat.txt and plant.txt their first record.
const Refusal refusals[] = {
    // The clock. 1e38 days are infinite in seconds; 1e-45 s is the smallest
    // subnormal, which -1 s + step rounds back to -1 s.
    {{"NegativePeriod", "vekin.txt", 2, "  -1.0  3600.0  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Simulationsende -1.000     Tage ausserhalb des zulaessigen Bereiches 0 bis "
     "1E+06 Tage !"},
    {{"PeriodInfiniteInSeconds", "vekin.txt", 2, "  1e38  3600.0  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Simulationsende  .1000E+39 Tage ausserhalb des zulaessigen Bereiches 0 bis "
     "1E+06 Tage !"},
    {{"PeriodOf1e11Days", "vekin.txt", 2, "  1e11  3600.0  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Simulationsende  .1000E+12 Tage ausserhalb des zulaessigen Bereiches 0 bis "
     "1E+06 Tage !"},
    {{"SubnormalStepKeepsTheClockAtStart", "vekin.txt", 2, "  0.25  1e-45  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Zeitschritt  .1401E-44 s ist zu klein: die Uhr der Simulation"},
    // At 8.64e10 s a unit of the last place of the 64-bit clock is 1.5e-5 s.
    {{"StepTooSmallForTheEndOfThePeriod", "vekin.txt", 2, "  1e6  1e-6  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Zeitschritt  .1000E-05 s ist zu klein: die Uhr der Simulation"},
    // (8.64e9 + 1) / 1 + 1 steps.
    {{"TooManySteps", "vekin.txt", 2, "  1e5  1.0  2  8  250.0  1  0.0"},
     "Datei vekin.txt: Simulationsende  .1000E+06 Tage mit dem Zeitschritt  1.000     s"},
    {{"WeatherStartInfiniteInSeconds", "vekin.txt", 4, "  0.05  0.0  1e38  2  0.05  0.2"},
     "Datei vekin.txt: Wetterbeginn  .1000E+39 Tage ausserhalb des zulaessigen Bereiches 1 s bis "
     "1E+06 Tage !"},
    {{"WeatherStartBeyondReach", "vekin.txt", 4, "  0.05  0.0  99999999999  2  0.05  0.2"},
     "Datei vekin.txt: Wetterbeginn  .1000E+12 Tage ausserhalb des zulaessigen Bereiches 1 s bis "
     "1E+06 Tage !"},
    {{"NegativeOutputInterval", "vekin.txt", 4, "  0.05  -1.0  1.0  2  0.05  0.2"},
     "Datei vekin.txt: Ausgabeintervall -1.000     Tage ausserhalb des zulaessigen Bereiches"},
    {{"OutputIntervalInfiniteInSeconds", "vekin.txt", 4, "  0.05  1e38  1.0  2  0.05  0.2"},
     "Datei vekin.txt: Ausgabeintervall  .1000E+39 Tage ausserhalb des zulaessigen Bereiches"},
    {{"NegativeDispersivity", "vekin.txt", 4, "  -0.05  0.0  1.0  2  0.05  0.2"},
     "Datei vekin.txt, Ausgabesteuerung: Dispersivitaet = -.5000E-01 m"},

    // Soil type and compartments.
    {{"NegativeOrganicMatter", "vekin.txt", 9,
      "    1  0.070  0.200  0.710  0.020   4   4   5  1650.0  5.0  1.25E-05  -0.01  0.0  0.0  1.0"},
     "Datei vekin.txt, Bodenartensatz   1: Organikanteil = -.1000E-01"},
    {{"OrganicMatterAboveOne", "vekin.txt", 9,
      "    1  0.070  0.200  0.710  0.020   4   4   5  1650.0  5.0  1.25E-05  1.5  0.0  0.0  1.0"},
     "Datei vekin.txt, Bodenartensatz   1: Organikanteil =  1.500    "},
    {{"ZeroThickness", "vekin.txt", 14, "  0.0  1  0.42  0.0  0.0  1.0"},
     "Datei vekin.txt, Kompartiment   2: Dicke =  .0000     m"},
    {{"NegativeThicknessOfTheTopNode", "vekin.txt", 13, "  -0.05  1  0.42  5.0  0.0  1.0"},
     "Datei vekin.txt, Kompartiment   1: Dicke = -.5000E-01 m"},
    {{"ThicknessAboveTenMetres", "vekin.txt", 20, "  10.5  2  0.38  1.0  0.0  1.0"},
     "Datei vekin.txt, Kompartiment   8: Dicke =  10.50     m"},
    {{"NegativeInitialConcentration", "vekin.txt", 14, "  0.05  1  0.42  -1.0  0.0  1.0"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Anfangskonzentration = -1.000     g/m3"},
    {{"ConcentrationAboveTheMassOfWater", "vekin.txt", 14, "  0.05  1  0.42  2e6  0.0  1.0"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Anfangskonzentration =  .2000E+07 g/m3"},
    // A negative coefficient would otherwise pass as "not given".
    {{"NegativeSorptionCoefficient", "vekin.txt", 14, "  0.05  1  0.42  0.0  -0.5  1.0"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Sorptionskoeffizient = -.5000    "},
    {{"SorptionCoefficientOf1e38", "vekin.txt", 14, "  0.05  1  0.42  0.0  1e38  1.0"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Sorptionskoeffizient =  .1000E+39"},
    {{"FreundlichExponentOf1e38", "vekin.txt", 14, "  0.05  1  0.42  0.0  0.01  1e38"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Freundlich-Exponent =  .1000E+39"},
    {{"FreundlichExponentZero", "vekin.txt", 14, "  0.05  1  0.42  0.0  0.01  0.0"},
     "Datei vekin.txt, Kompartiment   2, Stoff   1: Freundlich-Exponent =  .0000    "},

    // Substance properties.
    {{"NegativeWaterDiffusion", "chemvek.txt", 4,
      "  -5.0E-10  5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Diffusionskoeffizient in Wasser = -.5000E-09 m2/s"},
    // 1e-5 is the diffusion in water in cm2/s.
    {{"WaterDiffusionInTheWrongUnit", "chemvek.txt", 4,
      "  1.0E-05  5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Diffusionskoeffizient in Wasser =  .1000E-04 m2/s"},
    {{"NegativeAirDiffusion", "chemvek.txt", 4,
      "  5.0E-10  -5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Diffusionskoeffizient in Luft = -.5000E-05 m2/s"},
    {{"AirDiffusionInTheWrongUnit", "chemvek.txt", 4,
      "  5.0E-10  0.05  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Diffusionskoeffizient in Luft =  .5000E-01 m2/s"},
    {{"NegativeSorptionPerOrganicMatter", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  -0.05  0.0  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Sorptionskonstante je Organikanteil = -.5000E-01"},
    {{"SorptionPerClayOf1e38", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  1e38  1.0  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Sorptionskonstante je Tonanteil =  .1000E+39"},
    {{"DefaultExponentOf1e38", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  1e38  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Freundlich-Exponent =  .1000E+39"},
    {{"DefaultExponentBelowATenth", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  0.05  10.0  1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Freundlich-Exponent =  .5000E-01"},
    {{"NegativeHenryConstant", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  1.0  10.0  -1.0E-05  5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Henry-Konstante = -.1000E-04"},
    {{"NegativeTransferCoefficient", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  -5.0E-07  0.0"},
     "Datei chemvek.txt, Stoff   1: Austauschkoeffizient = -.5000E-06 1/s"},
    {{"IrreversibleShareAboveOne", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  1.5"},
     "Datei chemvek.txt, Stoff   1: irreversibel sorbierbarer Anteil =  1.500    "},
    {{"NegativeIrreversibleShare", "chemvek.txt", 4,
      "  5.0E-10  5.0E-06  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  -0.1"},
     "Datei chemvek.txt, Stoff   1: irreversibel sorbierbarer Anteil = -.1000    "},

    // Weather days: the first record is read in the first step, the second
    // (record 3 of the file) in the second.
    {{"DayZero", "wetter.txt", 2, " 0  5  2010  24.0  15.0  70.00"},
     "Wetterdatei wetter.txt, Satz     2: das Datum 0.5.2010 gibt es nicht"},
    {{"DayThirtyTwo", "wetter.txt", 2, " 32  5  2010  24.0  15.0  70.00"},
     "Wetterdatei wetter.txt, Satz     2: das Datum 32.5.2010 gibt es nicht"},
    {{"ThirtyFirstOfJune", "wetter.txt", 3, " 31  6  2010  24.0  16.0  75.00"},
     "Wetterdatei wetter.txt, Satz     3: das Datum 31.6.2010 gibt es nicht"},
    {{"LeapDayOfACommonYear", "wetter.txt", 3, " 29  2  2011  24.0  16.0  75.00"},
     "Wetterdatei wetter.txt, Satz     3: das Datum 29.2.2011 gibt es nicht"},
    // 1900 is divisible by 100 but not by 400.
    {{"LeapDayOf1900", "wetter.txt", 3, " 29  2  1900  24.0  16.0  75.00"},
     "Wetterdatei wetter.txt, Satz     3: das Datum 29.2.1900 gibt es nicht"},
    {{"NegativeYear", "wetter.txt", 2, " 31  5  -1  24.0  15.0  70.00"},
     "Wetterdatei wetter.txt, Satz     2: das Datum 31.5.-1 gibt es nicht"},
    {{"FiveDigitYear", "wetter.txt", 2, " 31  5  10000  24.0  15.0  70.00"},
     "Wetterdatei wetter.txt, Satz     2: das Datum 31.5.10000 gibt es nicht"},
    {{"NegativePrecipitation", "wetter.txt", 2, " 31  5  2010  -1.0  15.0  70.00"},
     "Wetterdatei wetter.txt, Satz     2: Niederschlag = -1.000     mm"},
    {{"PrecipitationAboveTheDailyRecord", "wetter.txt", 3, "  1  6  2010  2001.0  16.0  75.00"},
     "Wetterdatei wetter.txt, Satz     3: Niederschlag =  2001.     mm"},
    {{"AirTemperatureOf1e11", "wetter.txt", 3, "  1  6  2010  24.0  1e11  75.00"},
     "Wetterdatei wetter.txt, Satz     3: Lufttemperatur =  .1000E+12 Grad C"},
    {{"AirTemperatureBelowMinus90", "wetter.txt", 2, " 31  5  2010  24.0  -90.5  70.00"},
     "Wetterdatei wetter.txt, Satz     2: Lufttemperatur = -90.50     Grad C"},
    {{"AirTemperatureAbove60", "wetter.txt", 2, " 31  5  2010  24.0  60.5  70.00"},
     "Wetterdatei wetter.txt, Satz     2: Lufttemperatur =  60.50     Grad C"},
    {{"NegativeHumidity", "wetter.txt", 2, " 31  5  2010  24.0  15.0  -1"},
     "Wetterdatei wetter.txt, Satz     2: relative Feuchte = -1.000     %"},
    {{"HumidityAbove100", "wetter.txt", 3, "  1  6  2010  24.0  16.0  100.5"},
     "Wetterdatei wetter.txt, Satz     3: relative Feuchte =  100.5     %"},

    // Dated schedules.
    {{"NegativeAppliedAmount", "chemdat.txt", 2, "  7199.0  -0.05"},
     "chemdat.txt, Satz     2, Stoff   1: Menge = -.5000E-01 g/m2"},
    {{"PlantEndInfiniteInSeconds", "plant.txt", 2, "  1.0E+36  3"},
     "plant.txt, Satz     2: das Ende  .1000E+37 Tage ist in Sekunden nicht endlich"},
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.mutation.name; }

class Refused : public ::testing::TestWithParam<Refusal> {};

// Every refusal is an orderly stop: status 0, the stop line, no regular end,
// and well within a second even where the input asked for a run without end.
TEST_P(Refused, StopsInOrderWithTheRange)
{
    const Refusal& r = GetParam();
    const auto started = std::chrono::steady_clock::now();
    const MutatedRun run = run_mutated(r.mutation);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(first_message_line(run.console), r.first_line);
    ASSERT_FALSE(run.console.empty());
    EXPECT_EQ(run.console.back(), "Stop - Program terminated.");
    for (const std::string& line : run.console) {
        EXPECT_NE(line, "***Regulaeres Ende erreicht***");
    }
    EXPECT_LT(took, std::chrono::seconds(5));
}

INSTANTIATE_TEST_SUITE_P(Inputs, Refused, ::testing::ValuesIn(refusals),
                         [](const auto& info) { return std::string(info.param.mutation.name); });

// Values on the edge of their ranges, where the model's behaviour is defined:
// each run ends regularly.
const Mutation accepted[] = {
    {"ZeroDispersivity", "vekin.txt", 4, "  0.0  0.0  1.0  2  0.05  0.2"},
    // The Campbell models take any organic-matter fraction (the loam and
    // general estimates take its logarithm, which the derived-value check
    // refuses at 0).
    {"NoOrganicMatter", "vekin.txt", 9,
     "    1  0.070  0.200  0.710  0.020   4   1   1  1650.0  5.0  1.25E-05  0.0  0.0  0.0  1.0"},
    {"OnlyOrganicMatter", "vekin.txt", 9,
     "    1  0.070  0.200  0.710  0.020   4   1   1  1650.0  5.0  1.25E-05  1.0  0.0  0.0  1.0"},
    {"ThicknessOfTenMetresAtTheBottom", "vekin.txt", 20, "  10.0  2  0.38  1.0  0.0  1.0"},
    {"ConcentrationOfTheMassOfWater", "vekin.txt", 20, "  0.1  2  0.38  1e6  0.0  1.0"},
    {"SmallestFreundlichExponent", "vekin.txt", 14, "  0.05  1  0.42  0.0  0.001  0.1"},
    {"LargestFreundlichExponent", "vekin.txt", 14, "  0.05  1  0.42  0.0  0.001  2.0"},
    // A negative-looking exponent is ignored where the coefficient is not given.
    {"ExponentIgnoredWithoutCoefficient", "vekin.txt", 14, "  0.05  1  0.42  0.0  0.0  -1.0"},
    {"NoDiffusionNoVolatilityNoExchange", "chemvek.txt", 4,
     "  0.0  0.0  0.0  0.0  1.0  10.0  0.0  0.0  0.0"},
    {"FastestDiffusionAndFullIrreversibleShare", "chemvek.txt", 4,
     "  1.0E-07  1.0E-03  0.0  0.0  1.0  10.0  1.0E-05  5.0E-07  1.0"},
    {"SmallestDefaultExponent", "chemvek.txt", 4,
     "  5.0E-10  5.0E-06  0.0  0.0  0.1  10.0  1.0E-05  5.0E-07  0.0"},
    {"DryColdSaturatedDay", "wetter.txt", 2, " 31  5  2010  0.0  -90.0  100.0"},
    {"WettestHottestDriestDay", "wetter.txt", 2, " 31  5  2010  2000.0  60.0  0.0"},
    {"LeapDayOf2012", "wetter.txt", 3, " 29  2  2012  24.0  16.0  75.00"},
    // 2000 is divisible by 400.
    {"LeapDayOf2000", "wetter.txt", 3, " 29  2  2000  24.0  16.0  75.00"},
    {"YearZeroAndLastDayOfDecember", "wetter.txt", 2, " 31  12  0  24.0  15.0  70.00"},
    {"Year9999", "wetter.txt", 3, "  1  6  9999  24.0  16.0  75.00"},
    {"NothingApplied", "chemdat.txt", 2, "  7199.0  0.0"},
};

void PrintTo(const Mutation& m, std::ostream* out) { *out << m.name; }

class Accepted : public ::testing::TestWithParam<Mutation> {};

TEST_P(Accepted, RunsToTheRegularEnd)
{
    const MutatedRun run = run_mutated(GetParam());
    // Accepted: the run reaches its end, though values at the edge of their
    // range may leave its numbers unsafe (exit status 3, with warnings).
    EXPECT_TRUE(run.status == 0 || run.status == 3) << run.status;
    EXPECT_EQ(first_message_line(run.console), "");
    ASSERT_GE(run.console.size(), 2u);
    EXPECT_EQ(run.console[run.console.size() - 2], "***Regulaeres Ende erreicht***");
}

INSTANTIATE_TEST_SUITE_P(Inputs, Accepted, ::testing::ValuesIn(accepted),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace soilcolumn
