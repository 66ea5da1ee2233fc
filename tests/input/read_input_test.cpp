// Reading, echo and derived start values of the control and substance input.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "input/input_run.hpp"

namespace soilcolumn {
namespace {

using testing::console_lines;
using testing::read_input_from;

// Two substances, the second split over two lines with a tenth value that is
// ignored; the output-control record spread over three lines with one value
// too many; a compartment record split after four values; sorption given as
// 0 (default replaces it), 1e-6 (kept) and 0.002 (kept).
const std::string two_substances =
    " Stoffdaten Echo-Test\n"
    " 2\n"
    " Dw Dg Korg Kton Exp HWZ Henry Austausch irrev\n"
    " 5.0E-10 5.0E-06 0.05 0.002 0.9 40.0 1.0E-05 5.0E-07 0.0\n"
    " 2.5E-9, 1.2e-5, 0.1, 0.0025, 1.0,\n"
    " 1.0D+20 0.0 3.0E-6 0.25 99.0\n";

const std::string four_compartments =
    " Lauf: Ende(d) Schritt(s) Bodenarten Kompartimente GWN(mm/a) Rand frei\n"
    " 10.0 1800.0 2 4 200.0 1 0.0\n"
    " Ausgabe: Dispersivitaet Intervall Wetterbeginn Teufen\n"
    " 0.1 0.5\n"
    " 1.0 2 0.3\n"
    " 0.55 7.0\n"
    " Wetterdatei\n"
    "wetter.txt\n"
    " ------------------------------------------------------------------------\n"
    " Nr Ton Schluff Sand Kies KsMeth KMod RMod Dichte Durchm. Ks Org h theta Oberboden ------------\n"
    " 1 0.10 0.30 0.60 0.0 4 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n"
    " 2 0.20 0.40 0.40 0.0 1 5 6 1600.0 2.0 2.0E-06 0.005 0.0 0.0 0.0\n"
    " ----\n"
    " Dicke Bodenart Porositaet Konz1 Konz2 Kd1 Kd2 n1 n2\n"
    " 0.05 1 0.45 1.0 0.0 0.0 0.0 1.0 1.0\n"
    " 0.1 1 0.45 0.0 0.0 0.002 0.0 0.8 0.9\n"
    " 0.1 2 0.40 0.0\n"
    " 2.5 0.0 0.0 1.0 1.0\n"
    " 0.15 2 0.40 0.0 0.0 1.0E-6 0.0 0.7 1.0\n"
    " this line is not read\n";

// A column of compartments 1..N of one soil type (type 1 unless the record
// names another) under one substance, assembled from its record groups.
struct Scenario {
    std::string run_control = " 1.0 3600.0 1 4 200.0 1 0.0\n";
    std::string soil_types = " 1 0.10 0.30 0.60 0.0 4 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n";
    std::string compartments = " 0.05 1 0.45 0.0 0.0 1.0\n"
                               " 0.1 1 0.45 0.0 0.0 1.0\n"
                               " 0.1 1 0.45 0.0 0.0 1.0\n"
                               " 0.1 1 0.45 0.0 0.0 1.0\n";

    std::string vekin() const
    {
        return " Lauf\n" + run_control + " Ausgabe\n 0.05 1.0 1.0 1 0.2\n Wetterdatei\nwetter.txt\n"
               " ---\n Bodenarten\n" + soil_types + " ---\n Kompartimente\n" + compartments;
    }
};

using testing::one_substance;

testing::InputRun read_scenario(const Scenario& scenario)
{
    return read_input_from(one_substance, scenario.vekin());
}

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ReadInput, EchoesEveryRecordByteExact)
{
    // Derived by hand from the edit items (a python rendering of F, G and I on
    // the exact single-precision values): headings are 100-character texts,
    // shown whole after a blank in the substance echo and without their first
    // character (the line control) in the control echo; A8 shows "etter.t";
    // A70 cuts the soil-type heading; with two substances the coefficients
    // and exponents fill the earlier columns.
    const std::string expected = console_lines({
        " Stoffdaten Echo-Test                                                                               ",
        "   2",
        " Dw Dg Korg Kton Exp HWZ Henry Austausch irrev                                                      ",
        "  .50E-09   .50E-05   .50E-01   .20E-02    .9   40.       .10E-04   .50E-06    .00",
        " Dw Dg Korg Kton Exp HWZ Henry Austausch irrev                                                      ",
        "  .25E-08   .12E-04   .10       .25E-02   1.0   .10E+21   .00       .30E-05    .25",
        "",
        "Lauf: Ende(d) Schritt(s) Bodenarten Kompartimente GWN(mm/a) Rand frei                              ",
        "      10.0        1800.0             2             4    200.00      1         .00",
        "",
        "Ausgabe: Dispersivitaet Intervall Wetterbeginn Teufen                                              ",
        "   .10            .50000                   1.   2    .30  .55",
        "",
        "Wetterdatei                                                                                        ",
        "etter.t",
        "",
        "Nr Ton Schluff Sand Kies KsMeth KMod RMod Dichte Durchm. Ks Org h the",
        "      1      .100  .300  .600  .000  4  4  5 1650.00  5.00     .000  .010   .00  .000 1.",
        "      2      .200  .400  .400  .000  1  5  6 1600.00  2.00     .000  .005   .00  .000 0.",
        "",
        "Dicke Bodenart Porositaet Konz1 Konz2 Kd1 Kd2 n1 n2                  ",
        "    .050       1        .450      1.000    .000    .000    .000 1.0    1.0    ",
        "    .100       1        .450       .000    .000    .002    .000 .80    .90    ",
        "    .100       2        .400       .000   2.500    .000    .000 1.0    1.0    ",
        "    .150       2        .400       .000    .000    .000    .000 .70    1.0    ",
    });
    const testing::InputRun run = read_input_from(two_substances, four_compartments);
    ASSERT_FALSE(run.stopped) << run.console;
    EXPECT_EQ(run.console, expected);
}

TEST(ReadInput, StoresConvertedRunControlAndStartValues)
{
    const testing::InputRun run = read_input_from(two_substances, four_compartments);
    ASSERT_FALSE(run.stopped) << run.console;
    const ModelState& st = *run.st;

    // Days become seconds; the depths beyond the count stay zero.
    EXPECT_EQ(st.simulation_end, 864000.0f);
    EXPECT_EQ(st.output_interval, 43200.0f);
    EXPECT_EQ(st.weather_start, 86400.0f);
    EXPECT_EQ(st.observation_depth_count, 2);
    EXPECT_FLOAT_EQ(st.observation_depths(2), 0.55f);
    EXPECT_EQ(st.observation_depths(3), 0.0f);
    EXPECT_EQ(st.substance_count, 2);
    EXPECT_FLOAT_EQ(st.half_life(2), 1.0e20f);
    EXPECT_FLOAT_EQ(st.irreversible_share(2), 0.25f);  // the tenth value is not read
    EXPECT_FLOAT_EQ(st.mobile_concentration(3, 2), 2.5f);

    // Soil-type properties reach the compartments naming the type.
    EXPECT_FLOAT_EQ(st.texture_fractions(3, 2), 0.4f);
    EXPECT_EQ(st.retention_model(3), 6);
    EXPECT_EQ(st.conductivity_model(2), 4);
    EXPECT_FLOAT_EQ(st.saturated_conductivity(4), 2.0e-6f);  // method 1 keeps it

    // Compartment 1 is never parameterised.
    EXPECT_EQ(st.bulk_density(1), 0.0f);
    EXPECT_EQ(st.matric_potential(1), 0.0f);
    // (1 - 0.45) (2650 - 1150 x 0.01) in single precision (python struct).
    EXPECT_FLOAT_EQ(st.bulk_density(2), 1451.175048828125f);

    // Half the sum of neighbouring thicknesses, in single precision.
    EXPECT_EQ(st.centre_distance(1), 0.0f);
    EXPECT_FLOAT_EQ(st.centre_distance(2), 0.07500000298023224f);
    EXPECT_FLOAT_EQ(st.centre_distance(3), 0.10000000149011612f);
    EXPECT_FLOAT_EQ(st.centre_distance(4), 0.125f);
}

TEST(ReadInput, ReplacesOnlyMissingSorptionCoefficientsByTheDefault)
{
    const testing::InputRun run = read_input_from(two_substances, four_compartments);
    ASSERT_FALSE(run.stopped) << run.console;
    const ModelState& st = *run.st;
    // Default: per-organic-matter coefficient x organic matter + clay x
    // per-clay coefficient, exponent from the substance (python float32).
    struct Case { int c, s; float coefficient, exponent; };
    const Case cases[] = {
        {2, 1, 0.002f, 0.8f},                  // given: kept with its exponent
        {2, 2, 0.0012500000884756446f, 1.0f},  // 0.1 x 0.01 + 0.1 x 0.0025
        {3, 1, 0.0006500000599771738f, 0.9f},  // 0.05 x 0.005 + 0.2 x 0.002
        {3, 2, 0.0010000000474974513f, 1.0f},  // 0.1 x 0.005 + 0.2 x 0.0025
        {4, 1, 1.0e-6f, 0.7f},                 // small but given: kept
        {1, 2, 0.0f, 1.0f},                    // compartment 1 keeps its record
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("compartment " + std::to_string(k.c) + ", substance " + std::to_string(k.s));
        EXPECT_FLOAT_EQ(st.sorption_coefficient(k.c, k.s), k.coefficient);
        EXPECT_FLOAT_EQ(st.sorption_exponent(k.c, k.s), k.exponent);
    }
}

TEST(ReadInput, NoSubstancesEchoesOnlyTheCount)
{
    Scenario scenario;
    scenario.compartments = " 0.05 1 0.45\n 0.1 1 0.45\n 0.1 1 0.45\n 0.1 1 0.45\n";
    const testing::InputRun run =
        read_input_from(" Stoffdaten\n 0\n Tabellenkopf\n", scenario.vekin());
    ASSERT_FALSE(run.stopped) << run.console;
    EXPECT_EQ(run.console.find("Tabellenkopf"), std::string::npos);
    EXPECT_EQ(run.console.substr(0, 110), std::string(" Stoffdaten") + std::string(89, ' ') +
                                              "\r\n   0\r\n\r\n");
    EXPECT_EQ(run.st->sorption_coefficient(2, 1), 0.0f);
}

// Fractions summed in single precision in record order; 0.98 and 1.02 in
// decimal must pass although 0.18+0.52+0.26+0.02 gives 0.97999996 and
// 0.15+0.54+0.33 gives 1.0200001 in binary (python struct).
TEST(ReadInput, TextureSumAcceptsTheBoundsAndNamesTheRecordPosition)
{
    struct Case { const char* fractions; bool stops; };
    const Case cases[] = {
        {"0.18 0.52 0.26 0.02", false},
        {"0.15 0.54 0.33 0.0", false},
        {"0.3 0.3 0.4 0.0", false},
        {"0.3 0.3 0.37 0.0", true},
        {"0.3 0.3 0.4 0.03", true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.fractions);
        Scenario scenario;
        scenario.run_control = " 1.0 3600.0 2 4 200.0 1 0.0\n";
        // The second record names soil type 7: the message names position 2.
        scenario.soil_types += std::string(" 7 ") + k.fractions +
                               " 4 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n";
        const testing::InputRun run = read_scenario(scenario);
        EXPECT_EQ(run.stopped, k.stops);
        EXPECT_EQ(ends_with(run.console,
                            console_lines({"", "Summe der Massenanteile des   2-ten "
                                               "Kompartimentes ungleich 1 !",
                                           "  ***Programm abgebrochen***", ""})),
                  k.stops)
            << run.console;
    }
}

TEST(ReadInput, ReferencePointModelsNeedAMeasuredWaterContent)
{
    struct Case { const char* models; const char* theta; bool stops; };
    const Case cases[] = {
        {"4 8", "0.3", false},     // retention model 8 with a point
        {"4 8", "0.0", true},      // ... without
        {"7 5", "0.3", false},     // conductivity model 7 with a point
        {"7 5", "0.0005", true},   // ... below 0.001
        {"4 5", "0.0", false},     // neither: the point is not needed
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.models) + " theta " + k.theta);
        Scenario scenario;
        scenario.run_control = " 1.0 3600.0 2 4 200.0 1 0.0\n";
        scenario.soil_types += std::string(" 2 0.10 0.30 0.60 0.0 4 ") + k.models +
                               " 1650.0 5.0 1.0E-05 0.01 3.3 " + k.theta + " 1.0\n";
        const testing::InputRun run = read_scenario(scenario);
        EXPECT_EQ(run.stopped, k.stops);
        EXPECT_EQ(ends_with(run.console,
                            console_lines({"", "Bei Wahl des GHM-Modells im   2-ten",
                                           "Kompartiment muss h und theta angegeben werden !",
                                           "  ***Programm abgebrochen***", ""})),
                  k.stops)
            << run.console;
    }
}

TEST(ReadInput, WarnsAboutCompartmentsOutsideTheVerifiedRangeButNotAtTheBounds)
{
    struct Case { const char* compartment_2; const char* organic_matter; const char* warning; int count; };
    const char* thick = "WARNUNG: Bei dieser Kompartimentlaenge ist mit hoher";
    const char* porous = "WARNUNG: Das Programm ist fuer die angesetzte Poroesitaet";
    const char* organic = "WARNUNG: Das Programm ist fuer den angesetzten Organikanteil";
    const Case cases[] = {
        {"0.5 1 0.45", "0.01", thick, 0},   {"0.51 1 0.45", "0.01", thick, 1},
        {"0.1 1 0.25", "0.01", porous, 0},  {"0.1 1 0.7", "0.01", porous, 0},
        {"0.1 1 0.2", "0.01", porous, 1},   {"0.1 1 0.75", "0.01", porous, 1},
        // Compartments 2..4 share the soil type: three warnings.
        {"0.1 1 0.45", "0.05", organic, 0}, {"0.1 1 0.45", "0.06", organic, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.compartment_2) + " organic " + k.organic_matter);
        Scenario scenario;
        scenario.soil_types = std::string(" 1 0.10 0.30 0.60 0.0 4 4 5 1650.0 5.0 1.0E-05 ") +
                              k.organic_matter + " 0.0 0.0 1.0\n";
        // Compartment 1 is thick and dense but never warned about.
        scenario.compartments = std::string(" 2.0 1 0.1 0.0 0.0 1.0\n ") + k.compartment_2 +
                                " 0.0 0.0 1.0\n 0.1 1 0.45 0.0 0.0 1.0\n 0.1 1 0.45 0.0 0.0 1.0\n";
        const testing::InputRun run = read_scenario(scenario);
        ASSERT_FALSE(run.stopped) << run.console;
        EXPECT_EQ(occurrences(run.console, k.warning), k.count) << run.console;
        EXPECT_EQ(occurrences(run.console, "WARNUNG"), k.count) << run.console;
    }
}

// The suction at which a single Campbell pore system conducts the mean
// recharge under unit gradient, capped at 10 m. Reference values from the
// same relations in double precision (python): texture 0.1/0.3/0.6/0,
// porosity 0.45 give psi_e = 0.16552 m, b = 4.5704, Ks = 3.7456e-6 m/s.
TEST(ReadInput, InitialSuctionFollowsTheRechargeUpToTenMetres)
{
    struct Case { const char* recharge; float suction; };
    const Case cases[] = {
        {"200.0", 1.8285797f},
        {"1.0E9", 0.0054990880f},  // recharge above Ks: wetter than air entry
        {"1.0", 10.0f},             // 13.44 m capped
        {"0.0", 10.0f},             // no recharge: the cap, not a power of zero
        {"-5.0", 10.0f},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.recharge);
        Scenario scenario;
        scenario.run_control = std::string(" 1.0 3600.0 1 4 ") + k.recharge + " 1 0.0\n";
        const testing::InputRun run = read_scenario(scenario);
        ASSERT_FALSE(run.stopped) << run.console;
        for (int c = 2; c <= 4; ++c) {
            EXPECT_NEAR(run.st->matric_potential(c), k.suction, 1.0e-4f * k.suction);
        }
    }
}

}  // namespace
}  // namespace soilcolumn
