// The program as a whole: which files it connects in which order, how each
// kind of ending looks on the console, its exit status and the state of the
// result files. Every test runs the real executable in a fresh directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "input/temp_directory.hpp"

namespace soilcolumn {
namespace {

using testing::TempDirectory;

// A valid column of five compartments, one soil type, one substance, one day.
struct Inputs {
    std::string chemvek =
        " Stoffdaten\n 1\n Tabelle\n 5.0E-10 5.0E-06 0.05 0.002 0.9 40.0 1.0E-05 5.0E-07 0.0\n";
    std::string run_control = " 1.0 3600.0 1 5 200.0 1 0.0\n";
    std::string output_control = " 0.05 1.0 1.0 1 0.2\n";
    std::string weather_name = "wetter.txt";
    std::string soil_types = " 1 0.10 0.30 0.60 0.0 4 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n";
    std::string compartments = " 0.05 1 0.45 0.0 0.0 1.0\n 0.1 1 0.45 0.0 0.0 1.0\n"
                               " 0.1 1 0.45 0.0 0.0 1.0\n 0.1 1 0.45 0.0 0.0 1.0\n"
                               " 0.1 1 0.45 0.0 0.0 1.0\n";

    void write_to(const TempDirectory& dir) const
    {
        dir.write("chemvek.txt", chemvek);
        dir.write("vekin.txt", " Lauf\n" + run_control + " Ausgabe\n" + output_control +
                                   " Wetterdatei\n" + weather_name + "\n ---\n Bodenarten\n" +
                                   soil_types + " ---\n Kompartimente\n" + compartments);
        dir.write("chemdat.txt", " Ende(s) Menge\n 1.0E+09 0.0\n");
        dir.write("plant.txt", " Ende(d) Typ\n 99999.0 0\n");
        dir.write("wetter.txt", " Tag Monat Jahr N T F\n  1  1 2010 0.0 5.0 80.0\n"
                                "  2  1 2010 1.0 4.0 85.0\n  3  1 2010 0.0 3.0 90.0\n");
    }
};

struct ProgramRun {
    int status = -1;
    std::string console;
};

// Standard input is not a terminal, as in a batch run.
ProgramRun run_program(const TempDirectory& dir)
{
    const std::string command = "cd '" + dir.path().string() + "' && '" SOILCOLUMN_EXE
                                "' < /dev/null > console.out 2> console.err";
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.console = dir.read("console.out");
    return run;
}

std::string console_lines(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const char* const result_files[] = {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"};

void expect_empty_result_files(const TempDirectory& dir)
{
    for (const char* name : result_files) {
        EXPECT_TRUE(dir.exists(name)) << name;
        EXPECT_EQ(dir.read(name), "") << name;
    }
}

TEST(Entry, NormalRunEndsWithTheStopLineAndStatusZero)
{
    TempDirectory dir;
    Inputs().write_to(dir);
    dir.write("aus2.txt", "left over from an earlier run\n");
    const ProgramRun run = run_program(dir);
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_TRUE(ends_with(run.console, console_lines({"***Regulaeres Ende erreicht***",
                                                      "Stop - Program terminated."})))
        << run.console;
    for (const char* name : result_files) {
        EXPECT_NE(dir.read(name), "") << name;
    }
    EXPECT_EQ(dir.read("aus2.txt").find("left over"), std::string::npos);
}

struct Rejection {
    const char* what;
    void (*change)(Inputs&);
    std::vector<std::string> message;  // the lines between the empty line and the abort line
};

// Expected lines derived by hand from the message formats: the blank control
// character of each record is not shown; G11.4 shows 0 as "  .0000    ".
const Rejection rejections[] = {
    {"more than four substances",
     [](Inputs& in) { in.chemvek = " Stoffdaten\n 5\n Tabelle\n"; },
     {"Datei chemvek.txt: Anzahl der Stoffe 5 ausserhalb des zulaessigen Bereiches 0 bis 4 !"}},
    {"negative substance count",
     [](Inputs& in) { in.chemvek = " Stoffdaten\n -1\n Tabelle\n"; },
     {"Datei chemvek.txt: Anzahl der Stoffe -1 ausserhalb des zulaessigen Bereiches 0 bis 4 !"}},
    {"zero half-life",
     [](Inputs& in) {
         in.chemvek = " Stoffdaten\n 1\n Tabelle\n 5.0E-10 5.0E-06 0.05 0.002 0.9 0.0 0.0 0.0 0.0\n";
     },
     {"Datei chemvek.txt: Halbwertszeit des   1-ten Stoffes ist nicht positiv:  .0000    ",
      "Fuer einen nicht abbaubaren Stoff eine sehr grosse Halbwertszeit angeben (z.B. 1.0E+20 "
      "Tage)"}},
    {"more than 100 compartments",
     [](Inputs& in) { in.run_control = " 1.0 3600.0 1 101 200.0 1 0.0\n"; },
     {"Datei vekin.txt: Anzahl der Kompartimente 101 ausserhalb des zulaessigen Bereiches 3 bis "
      "100 !"}},
    {"no soil compartment between the boundary nodes",
     [](Inputs& in) { in.run_control = " 1.0 3600.0 1 2 200.0 1 0.0\n"; },
     {"Datei vekin.txt: Anzahl der Kompartimente 2 ausserhalb des zulaessigen Bereiches 3 bis "
      "100 !"}},
    {"zero time step",
     [](Inputs& in) { in.run_control = " 1.0 0.0 1 5 200.0 1 0.0\n"; },
     {"Datei vekin.txt: Zeitschritt  .0000     s ist nicht positiv !"}},
    {"six observation depths",
     [](Inputs& in) { in.output_control = " 0.05 1.0 1.0 6 0.1 0.2 0.3 0.4 0.5 0.6\n"; },
     {"Datei vekin.txt: Anzahl der Ausgabeteufen 6 ausserhalb des zulaessigen Bereiches 0 bis "
      "5 !"}},
    {"negative observation depth count",
     [](Inputs& in) { in.output_control = " 0.05 1.0 1.0 -1\n"; },
     {"Datei vekin.txt: Anzahl der Ausgabeteufen -1 ausserhalb des zulaessigen Bereiches 0 bis "
      "5 !"}},
    {"soil-type record for type 0",
     [](Inputs& in) { in.soil_types[1] = '0'; },
     {"Datei vekin.txt: Bodenartnummer 0 im   1-ten Bodenartensatz ausserhalb des Bereiches 1 "
      "bis 100 !"}},
    {"soil-type record for type 101",
     [](Inputs& in) { in.soil_types.replace(1, 1, "101"); },
     {"Datei vekin.txt: Bodenartnummer 101 im   1-ten Bodenartensatz ausserhalb des Bereiches 1 "
      "bis 100 !"}},
    {"compartment of soil type 101",
     [](Inputs& in) { in.compartments.replace(in.compartments.find(" 0.1 1 "), 7, " 0.1 101 "); },
     {"Datei vekin.txt: Bodenartnummer 101 im   2-ten Kompartiment ausserhalb des Bereiches 1 "
      "bis 100 !"}},
    {"compartment of a soil type no record defined",
     [](Inputs& in) { in.compartments.replace(in.compartments.rfind(" 0.1 1 "), 7, " 0.1 2 "); },
     {"Datei vekin.txt: Bodenart 2 des   5-ten Kompartimentes ist in keinem Bodenartensatz "
      "angegeben !"}},
    {"zero porosity",
     [](Inputs& in) { in.compartments.replace(in.compartments.find(" 0.1 1 0.45"), 11, " 0.1 1 0.0"); },
     {"Die Porositaet des   2-ten Kompartimentes muss zwischen 0 und 1 liegen:  .0000    "}},
    {"porosity of one",
     [](Inputs& in) { in.compartments.replace(in.compartments.find(" 0.1 1 0.45"), 11, " 0.1 1 1.0"); },
     {"Die Porositaet des   2-ten Kompartimentes muss zwischen 0 und 1 liegen:  1.000    "}},
    {"texture fractions summing to 0.97 in the second record",
     [](Inputs& in) {
         in.run_control = " 1.0 3600.0 2 5 200.0 1 0.0\n";
         in.soil_types += " 5 0.3 0.3 0.37 0.0 4 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n";
     },
     {"Summe der Massenanteile des   2-ten Kompartimentes ungleich 1 !"}},
    {"GHM retention without a measured point",
     [](Inputs& in) { in.soil_types = " 1 0.10 0.30 0.60 0.0 4 4 8 1650.0 5.0 1.0E-05 0.01 3.3 0.0 1.0\n"; },
     {"Bei Wahl des GHM-Modells im   1-ten", "Kompartiment muss h und theta angegeben werden !"}},
    // 100 x 0.557011068 = e^4.02 in single precision (python: ln of the
    // product lies within 0.09 units of the last place of 4.02f).
    {"GHM conductivity with the point at the anchor water content",
     [](Inputs& in) {
         in.soil_types = " 1 0.10 0.30 0.60 0.0 4 7 5 1650.0 5.0 1.0E-05 0.01 3.3 0.557011068 1.0\n";
     },
     {"Bei Wahl des GHM-Modells im   1-ten Bodenartensatz ergibt",
      "der Punkt h, theta keine Gerade durch den Ankerpunkt (h = 0.0375 m, theta = 0.557):",
      "h     =  3.300    ", "theta =  .5570    "}},
    {"GHM conductivity estimate with zero suction",
     [](Inputs& in) { in.soil_types = " 1 0.10 0.30 0.60 0.0 8 4 5 1650.0 5.0 1.0E-05 0.01 0.0 0.3 1.0\n"; },
     {"Bei Wahl des GHM-Modells im   1-ten Bodenartensatz ergibt",
      "der Punkt h, theta keine Gerade durch den Ankerpunkt (h = 0.0375 m, theta = 0.557):",
      "h     =  .0000    ", "theta =  .3000    "}},
    {"conductivity model 2 without retention model 2",
     [](Inputs& in) { in.soil_types = " 1 0.10 0.30 0.60 0.0 4 2 5 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n"; },
     {"Im   1-ten Bodenartensatz ist das Leitfaehigkeitsmodell 2 nur mit dem Retentionsmodell 2 "
      "moeglich, angegeben ist   5 !"}},
    // 1 - 1325 / 2650 = 0.5 exactly, equal to the porosity.
    {"aggregates filling the whole pore space",
     [](Inputs& in) {
         in.soil_types = " 1 0.10 0.30 0.60 0.0 4 1 2 1325.0 5.0 1.0E-05 0.0 0.0 0.0 1.0\n";
         in.compartments = " 0.05 1 0.5 0.0 0.0 1.0\n 0.1 1 0.5 0.0 0.0 1.0\n 0.1 1 0.5 0.0 0.0 1.0\n"
                           " 0.1 1 0.5 0.0 0.0 1.0\n 0.1 1 0.5 0.0 0.0 1.0\n";
     },
     {"Die Aggregatporositaet des   2-ten Kompartimentes ist gleich der Gesamtporositaet:  .5000    ",
      "(Retentionsmodell 2 braucht Poren zwischen den Aggregaten)"}},
    // ln(clay %) of zero clay makes the Gardner exponent infinite.
    {"zero clay with conductivity model 6",
     [](Inputs& in) { in.soil_types = " 1 0.0 0.30 0.70 0.0 4 6 1 1650.0 5.0 1.0E-05 0.01 0.0 0.0 1.0\n"; },
     {"Im   2-ten Kompartiment ist der abgeleitete Wert gardner_b nicht endlich",
      "(Bodenart   1: Textur, Porositaet, Organikanteil und Modellwahl pruefen) !"}},
    // ln and 1/x of zero organic matter in the loam equations: alpha is not a
    // number, and so is the water content at 160 m.
    {"zero organic matter with the loam equations",
     [](Inputs& in) { in.soil_types = " 1 0.20 0.40 0.40 0.0 4 4 4 1650.0 5.0 1.0E-05 0.0 0.0 0.0 1.0\n"; },
     {"Im   2-ten Kompartiment ist der abgeleitete Wert aggregate_porosity nicht endlich",
      "(Bodenart   1: Textur, Porositaet, Organikanteil und Modellwahl pruefen) !"}},
    {"zero saturated conductivity kept as given",
     [](Inputs& in) { in.soil_types = " 1 0.10 0.30 0.60 0.0 1 4 5 1650.0 5.0 0.0 0.01 0.0 0.0 1.0\n"; },
     {"Die gesaettigte Leitfaehigkeit des   2-ten Kompartimentes ist nicht positiv:  .0000    ",
      "(Bodenart   1: Ks und Schaetzverfahren pruefen)"}},
};

TEST(Entry, InconsistentInputStopsInOrderWithStatusZeroAndEmptyResults)
{
    for (const Rejection& rejection : rejections) {
        SCOPED_TRACE(rejection.what);
        TempDirectory dir;
        Inputs inputs;
        rejection.change(inputs);
        inputs.write_to(dir);
        const ProgramRun run = run_program(dir);
        EXPECT_EQ(run.status, 0);
        std::vector<std::string> tail{""};
        tail.insert(tail.end(), rejection.message.begin(), rejection.message.end());
        tail.insert(tail.end(), {"  ***Programm abgebrochen***", "", "Stop - Program terminated."});
        EXPECT_TRUE(ends_with(run.console, console_lines(tail))) << run.console;
        expect_empty_result_files(dir);
    }
}

TEST(Entry, MissingControlFileIsReportedBeforeTheSubstanceFile)
{
    TempDirectory dir;
    Inputs().write_to(dir);
    std::filesystem::remove(dir.path() / "vekin.txt");
    std::filesystem::remove(dir.path() / "chemvek.txt");
    const ProgramRun run = run_program(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("vekin.txt"), std::string::npos) << run.console;
    EXPECT_EQ(run.console.find("chemvek.txt"), std::string::npos) << run.console;
    EXPECT_EQ(run.console.find("Stop - Program terminated."), std::string::npos);
    // The control file comes first: no result file has been created.
    for (const char* name : result_files) {
        EXPECT_FALSE(dir.exists(name)) << name;
    }
}

TEST(Entry, MissingPlantFileStopsBeforeAnythingIsRead)
{
    TempDirectory dir;
    Inputs().write_to(dir);
    dir.write("aus1.txt", "left over from an earlier run\n");
    std::filesystem::remove(dir.path() / "plant.txt");
    const ProgramRun run = run_program(dir);
    EXPECT_EQ(run.status, 1);
    // The report is the only output: no echo of chemvek.txt or vekin.txt.
    EXPECT_NE(run.console.find("plant.txt"), std::string::npos) << run.console;
    EXPECT_NE(run.console.find("16"), std::string::npos) << run.console;
    EXPECT_EQ(run.console.find("\r\n"), run.console.size() - 2) << run.console;
    expect_empty_result_files(dir);
}

TEST(Entry, MissingWeatherFileIsReportedWithItsUnit)
{
    TempDirectory dir;
    Inputs inputs;
    inputs.weather_name = "fehlt.txt";
    inputs.write_to(dir);
    const ProgramRun run = run_program(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("fehlt.txt"), std::string::npos) << run.console;
    EXPECT_NE(run.console.find("13"), std::string::npos) << run.console;
    EXPECT_EQ(run.console.find("Stop - Program terminated."), std::string::npos);
    expect_empty_result_files(dir);
}

// Without a terminal nobody can be asked for the name.
TEST(Entry, BlankWeatherFileNameWithoutTerminalEndsWithAReport)
{
    TempDirectory dir;
    Inputs inputs;
    inputs.weather_name = "    ";
    inputs.write_to(dir);
    const ProgramRun run = run_program(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Einheit 13"), std::string::npos) << run.console;
    EXPECT_NE(run.console.find("\"vekin.txt\""), std::string::npos) << run.console;
    EXPECT_EQ(run.console.find("File name missing"), std::string::npos) << run.console;
    expect_empty_result_files(dir);
}

}  // namespace
}  // namespace soilcolumn
