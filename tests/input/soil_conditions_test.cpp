// The conditions of the Campbell derivation as the console shows them while
// the control input is read: each out-of-range warning after the derivation
// that found it, aggregates denser than the soil as an orderly stop.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "input/input_run.hpp"
#include "input/soil_warnings.hpp"
#include "records/output_unit.hpp"

namespace soilcolumn {
namespace {

using testing::one_substance;
using testing::read_input_from;

// One soil type (texture, conductivity and retention model, aggregate
// density, organic matter) under three compartments of the given porosity:
// compartment 1 is the boundary node, 2 and 3 are parameterised.
std::string vekin(const std::string& texture, const std::string& models,
                  const std::string& aggregate_density, const std::string& organic_matter,
                  const std::string& porosity)
{
    const std::string compartment = " 0.1 1 " + porosity + " 0.0 0.0 1.0\n";
    return " Lauf\n 1.0 3600.0 1 3 200.0 1 0.0\n Ausgabe\n 0.05 1.0 1.0 1 0.2\n"
           " Wetterdatei\nwetter.txt\n ---\n Bodenarten\n"
           " 1 " + texture + " 1 " + models + " " + aggregate_density + " 5.0 1.0E-05 " +
           organic_matter + " 0.0 0.0 1.0\n ---\n Kompartimente\n" +
           compartment + compartment + compartment;
}

// One warning as the console shows it: two records, the first character of
// every line taken as line control, the second record ending in a blank line.
const std::string density_warning =
    "WARNUNG: Lagerungsdichte ausserhalb des\r\nrwarteten Bereiches.\r\n"
    "    Berechnete Werte koennen einen hohen\r\nehler aufweisen !\r\n\r\n";
const std::string texture_warning =
    "WARNUNG: Kornverteilung ausserhalb des\r\nrwarteten log-normalen Bereiches.\r\n"
    "    Berechnete Werte koennen einen hohen\r\nehler aufweisen !\r\n\r\n";

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// The console after the echo of the last compartment (its sorption
// exponent 1.0 closes the line).
std::string after_echo(const std::string& console)
{
    const std::string last_echo = "   1.000\r\n";
    const std::size_t at = console.rfind(last_echo);
    return at == std::string::npos ? console : console.substr(at + last_echo.size());
}

TEST(SoilWarnings, OneWarningPerConditionCompactionFirstEachKeptByTheRun)
{
    // What the run keeps of a warning: its lines as a reader sees them,
    // without the line-control character that starts each line.
    const std::string density_kept = "WARNUNG: Lagerungsdichte ausserhalb des\nrwarteten Bereiches.";
    const std::string texture_kept =
        "WARNUNG: Kornverteilung ausserhalb des\nrwarteten log-normalen Bereiches.";
    struct Case {
        bool compaction;
        bool grain_size;
        std::string expected;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {false, false, "", {}},
        {true, false, density_warning, {density_kept}},
        {false, true, texture_warning, {texture_kept}},
        {true, true, density_warning + texture_warning, {density_kept, texture_kept}},
    };
    for (const Case& k : cases) {
        CampbellParameters parameters{};
        parameters.compaction_out_of_range = k.compaction;
        parameters.grain_size_out_of_range = k.grain_size;
        std::ostringstream text;
        std::vector<std::string> kept;
        records::OutputUnit console{6, "console"};
        console.connect_stream(text);
        console.keep_warnings_in(&kept);
        write_soil_warnings(console, parameters);
        console.close();
        EXPECT_EQ(text.str(), k.expected) << k.compaction << ' ' << k.grain_size;
        EXPECT_EQ(kept, k.kept) << k.compaction << ' ' << k.grain_size;
    }
}

TEST(SoilConditions, WarningsFollowEachCampbellDerivationInTurn)
{
    // Compartments 2 and 3 each derive retention, then conductivity; then the
    // initial suction of each derives a single pore system once more. Only
    // an aggregated soil can be over-compacted; the grain spread (sigma_g =
    // 141 for half clay, half gravel) is found by every derivation.
    struct Case {
        const char* what;
        const char* texture;
        const char* models;  // conductivity model, retention model
        const char* aggregate_density;
        const char* porosity;
        std::string expected;
    };
    const Case cases[] = {
        {"wide grain spread, single pore systems", "0.5 0.0 0.0 0.5", "1 1", "1600.0", "0.45",
         repeated(texture_warning, 6)},
        {"over-compacted aggregates", "0.5 0.3 0.2 0.0", "2 2", "1000.0", "0.65",
         repeated(density_warning, 4)},
        {"aggregates only in the retention model", "0.5 0.3 0.2 0.0", "1 2", "1000.0", "0.65",
         repeated(density_warning, 2)},
        // Within one derivation the compaction comes before the grain spread.
        {"both", "0.5 0.0 0.0 0.5", "2 2", "1000.0", "0.65",
         repeated(density_warning + texture_warning, 4) + repeated(texture_warning, 2)},
        {"no condition", "0.20 0.40 0.38 0.02", "2 2", "1600.0", "0.50", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const testing::InputRun run =
            read_input_from(one_substance, vekin(k.texture, k.models, k.aggregate_density, "0.0",
                                                 k.porosity));
        ASSERT_FALSE(run.stopped) << run.console;
        EXPECT_EQ(after_echo(run.console), k.expected) << run.console;
    }
}

TEST(SoilConditions, AggregatesDenserThanTheSoilStopBeforeAnyWarning)
{
    // theta_a = 1 - 1600 / 2627 = 0.391 exceeds the porosity 0.35. The
    // aggregated conductivity model needs the aggregated retention model,
    // whose derivation comes first and stops.
    const std::string stop =
        "Aggregatporositaet ist hoeher als Gesamtporositaet\r\n  ***Programm abgebrochen***\r\n";
    for (const char* models : {"1 2", "2 2"}) {
        SCOPED_TRACE(models);
        const testing::InputRun run = read_input_from(
            one_substance, vekin("0.15 0.35 0.48 0.02", models, "1600.0", "0.02", "0.35"));
        EXPECT_TRUE(run.stopped);
        EXPECT_EQ(after_echo(run.console), stop) << run.console;
    }
}

}  // namespace
}  // namespace soilcolumn
