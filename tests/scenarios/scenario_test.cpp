// End-to-end runs of the real program on small input sets: the result files
// against reviewed copies, and physical checks that hold whatever the
// numbers are (water and substance balances, fixed or free lower boundary,
// output timing, no NaN).

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path data_root = fs::path(SOILCOLUMN_SOURCE_DIR) / "tests" / "scenarios" / "data";
const char* const result_files[] = {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt"};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<double> numbers_of(const std::string& line)
{
    std::vector<double> values;
    std::istringstream in(line);
    std::string field;
    while (in >> field) values.push_back(std::strtod(field.c_str(), nullptr));
    return values;
}

// A fresh working directory holding the input files of one scenario.
class ScenarioRun {
public:
    explicit ScenarioRun(const std::string& scenario)
        : dir_(fs::temp_directory_path() /
               ("soilcolumn_" + scenario + "_" + std::to_string(::getpid()) + "_" +
                std::to_string(counter_++)))
    {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const auto& entry : fs::directory_iterator(data_root / scenario)) {
            if (entry.is_regular_file() && entry.path().filename() != "README") {
                fs::copy_file(entry.path(), dir_ / entry.path().filename());
            }
        }
    }
    ~ScenarioRun() { fs::remove_all(dir_); }

    void replace_file(const std::string& name, const std::string& content)
    {
        std::ofstream(dir_ / name, std::ios::binary | std::ios::trunc) << content;
    }

    // Runs the program; returns its exit status.
    int run()
    {
        const std::string command = "cd '" + dir_.string() + "' && '" SOILCOLUMN_EXE
                                    "' > console.txt 2>&1 < /dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string file(const std::string& name) const { return read_file(dir_ / name); }

private:
    static inline int counter_ = 0;
    fs::path dir_;
};

struct Expectation {
    const char* scenario;
    int profile_outputs;       // blocks in aus1/aus3, records in aus2
    int observation_records;   // records of aus4 (0: no heading either)
    const char* last_profile_days;  // time of the last aus2 record, as printed
    int substances;
    bool starts_without_substance;  // no substance in the column at the start
    int lower_boundary_type;
    int exit_status;  // 3: the run's own balance from the face fluxes calls its numbers unsafe
};

const Expectation scenarios[] = {
    // 0.25 days of 3600 s steps: whole part of (21600 + 1) / 3600, plus 1 =
    // 7 steps, the last ending at 7 x 3600 - 1 s = 0.2916 days; interval 0
    // gives a profile after every step; observations after step 4 only.
    {"fixed_bottom_hourly", 7, 1, ".29", 1, false, 1, 0},
    // 2.1 days: 51 steps; the profile timer must exceed one day, so the
    // profiles come after steps 25 and 50 at (25 x 3600 - 1) / 86400 = 1.04
    // and 2.08 days; observations after steps 4, 8, ..., 48.
    {"free_drainage_two_days", 2, 12, "2.08", 2, true, 2, 0},
    // 9 days of two-day steps: 5 steps, a profile and an observation after
    // each, the last at (5 x 172800 - 1) / 86400 = 10.00 days. Two-day
    // steps lose a quarter of the water that entered: unsafe.
    {"snow_rewind_two_day_steps", 5, 5, "10.00", 0, true, 2, 3},
};

void PrintTo(const Expectation& e, std::ostream* out) { *out << e.scenario; }

class Scenario : public ::testing::TestWithParam<Expectation> {};

std::vector<std::vector<double>> balance_records(const std::string& aus2)
{
    std::vector<std::vector<double>> records;
    const auto lines = lines_of(aus2);
    for (std::size_t i = 3; i < lines.size(); ++i) records.push_back(numbers_of(lines[i]));
    return records;
}

TEST_P(Scenario, MatchesTheReviewedResultFiles)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status) << run.file("console.txt");
    for (const char* name : result_files) {
        EXPECT_EQ(run.file(name), read_file(data_root / e.scenario / "expected" / name))
            << e.scenario << "/" << name;
    }
}

TEST_P(Scenario, OutputTimingAndEndOfRun)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status);
    const auto balances = balance_records(run.file("aus2.txt"));
    ASSERT_EQ(static_cast<int>(balances.size()), e.profile_outputs);
    const auto aus2 = lines_of(run.file("aus2.txt"));
    EXPECT_EQ(numbers_of(aus2.back())[0], std::strtod(e.last_profile_days, nullptr));

    const auto aus4 = lines_of(run.file("aus4.txt"));
    // heading: two lines and an empty one; then one line per record
    EXPECT_EQ(static_cast<int>(aus4.size()) - 3, e.observation_records);

    const std::string console = run.file("console.txt");
    std::size_t time_lines = 0;
    for (const auto& line : lines_of(console)) {
        if (line.size() > 5 && line.compare(line.size() - 5, 5, " Tage") == 0) ++time_lines;
    }
    EXPECT_EQ(static_cast<int>(time_lines), e.profile_outputs);
    EXPECT_NE(console.find("***Regulaeres Ende erreicht***\r\nStop - Program terminated."),
              std::string::npos)
        << console;
}

TEST_P(Scenario, NoNonFiniteValueIsWritten)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status);
    for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt", "console.txt"}) {
        std::string text = run.file(name);
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        EXPECT_EQ(text.find("nan"), std::string::npos) << name;
        EXPECT_EQ(text.find("inf"), std::string::npos) << name;
    }
}

// Recharge is booked as infiltration less storage gain from the second step
// on: between any record and the first one the three printed columns must
// agree up to their rounding to 1 mm (six values, each within 0.5 mm).
TEST_P(Scenario, WaterBalanceCloses)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status);
    const auto r = balance_records(run.file("aus2.txt"));
    ASSERT_GE(r.size(), 2u);
    enum { infiltration = 2, recharge = 4, storage = 5 };
    for (std::size_t k = 1; k < r.size(); ++k) {
        const double expected = r[0][recharge] + (r[k][infiltration] - r[0][infiltration]) -
                                (r[k][storage] - r[0][storage]);
        EXPECT_NEAR(r[k][recharge], expected, 0.0031) << "record " << k;
    }
}

// What entered, less what left and what was degraded, is what the column
// holds dissolved, sorbed, in the air and irreversibly sorbed. Compared
// between records (the column may hold substance at the start) and, for a
// clean start, absolutely; the tolerance covers the three printed digits.
TEST_P(Scenario, SubstanceBalanceCloses)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status);
    const auto r = balance_records(run.file("aus2.txt"));
    const int n = e.substances;
    for (int s = 0; s < n; ++s) {
        std::vector<double> budget;  // (in - out + transformed) - held
        double entered = 0.0;
        for (const auto& rec : r) {
            ASSERT_EQ(static_cast<int>(rec.size()), 9 + 7 * n);
            entered = rec[9 + 2 * s];
            const double leached = rec[9 + 2 * s + 1];
            const double transformed = rec[9 + 6 * n + s];
            double held = 0.0;
            for (int j = 0; j < 4; ++j) held += rec[9 + 2 * n + 4 * s + j];
            budget.push_back(entered - leached + transformed - held);
        }
        ASSERT_GT(entered, 0.0) << "substance " << s + 1;
        const double tolerance = 0.003 * entered;
        for (std::size_t k = 1; k < budget.size(); ++k) {
            EXPECT_NEAR(budget[k], budget[0], tolerance) << "substance " << s + 1 << " record " << k;
        }
        if (e.starts_without_substance) {
            EXPECT_NEAR(budget[0], 0.0, tolerance) << "substance " << s + 1;
        }
    }
}

// The solver never moves compartment N; only the zero-gradient boundary
// copies suction and mobile concentration of N-1 into it.
TEST_P(Scenario, LowerBoundaryCompartment)
{
    const Expectation& e = GetParam();
    ScenarioRun run(e.scenario);
    ASSERT_EQ(run.run(), e.exit_status);
    const auto lines = lines_of(run.file("aus1.txt"));
    const auto is_record = [](const std::string& line) {
        std::istringstream in(line);
        std::string first;
        return (in >> first) && (first[0] == '.' || std::isdigit(static_cast<unsigned char>(first[0])));
    };
    std::vector<std::string> last_rows;
    std::vector<std::string> rows_above;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool block_end = i + 1 == lines.size() || lines[i + 1].empty();
        if (block_end && is_record(lines[i]) && is_record(lines[i - 1])) {
            last_rows.push_back(lines[i]);
            rows_above.push_back(lines[i - 1]);
        }
    }
    ASSERT_EQ(static_cast<int>(last_rows.size()), e.profile_outputs);
    for (std::size_t k = 0; k < last_rows.size(); ++k) {
        const auto n = numbers_of(last_rows[k]);
        const auto above = numbers_of(rows_above[k]);
        if (e.lower_boundary_type == 2) {
            EXPECT_EQ(n[1], above[1]) << last_rows[k];  // suction
            if (e.substances > 0) {
                EXPECT_EQ(n[3], above[3]) << last_rows[k];  // mobile concentration
            }
        } else {
            EXPECT_EQ(last_rows[k], last_rows[0]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Scenario, ::testing::ValuesIn(scenarios),
                         [](const auto& info) { return std::string(info.param.scenario); });

// Variants of the hourly scenario that move only the clock and the output
// timers. Step counts: whole part of (end + 1) / step, plus 1; the last
// step ends at count x step - 1 s. Expected days worked out by hand.
struct TimingVariant {
    const char* name;
    const char* run_control;     // line 2 of vekin.txt
    const char* output_control;  // line 4 of vekin.txt
    int profile_outputs;
    const char* last_profile_days;
    int observation_records;  // -1: aus4.txt stays empty (no heading)
    int exit_status;          // 3: numerically unsafe by the run's own balance
};

const TimingVariant timing_variants[] = {
    // A period of 0 still takes one step, ending at 3599 s = 0.0417 days.
    {"PeriodZeroTakesOneStep", "  0.0  3600.0  2  8  250.0  1  0.0",
     "  0.05  0.0  1.0  2  0.05  0.2", 1, ".04", 0, 0},
    // Without observation depths aus4.txt gets neither heading nor record.
    {"NoObservationDepths", "  0.25  3600.0  2  8  250.0  1  0.0", "  0.05  0.0  1.0  0", 7,
     ".29", -1, 0},
    // An interval of 3 steps (0.125 days) must be exceeded: one profile
    // after step 4 of 7, at 14399 s = 0.1667 days.
    {"ProfileTimerMustExceedTheInterval", "  0.25  3600.0  2  8  250.0  1  0.0",
     "  0.05  0.125  1.0  2  0.05  0.2", 1, ".17", 1, 0},
    // Steps of 5 hours: 2 steps, the last ending at 35999 s = 0.4167 days;
    // every step reaches the 4-hour observation interval. Steps this long
    // on the wet start are unsafe by the water balance.
    {"StepsLongerThanFourHours", "  0.25  18000.0  2  8  250.0  1  0.0",
     "  0.05  0.0  1.0  2  0.05  0.2", 2, ".42", 2, 3},
};

void PrintTo(const TimingVariant& v, std::ostream* out) { *out << v.name; }

std::string with_line_replaced(const std::string& text, int line_number, const std::string& line)
{
    std::size_t begin = 0;
    for (int k = 1; k < line_number; ++k) begin = text.find('\n', begin) + 1;
    const std::size_t end = text.find('\n', begin);
    return text.substr(0, begin) + line + text.substr(end);
}

class Timing : public ::testing::TestWithParam<TimingVariant> {};

TEST_P(Timing, StepCountAndOutputTimers)
{
    const TimingVariant& v = GetParam();
    ScenarioRun run("fixed_bottom_hourly");
    std::string vekin = read_file(data_root / "fixed_bottom_hourly" / "vekin.txt");
    vekin = with_line_replaced(vekin, 2, v.run_control);
    vekin = with_line_replaced(vekin, 4, v.output_control);
    run.replace_file("vekin.txt", vekin);
    ASSERT_EQ(run.run(), v.exit_status) << run.file("console.txt");

    const auto balances = balance_records(run.file("aus2.txt"));
    ASSERT_EQ(static_cast<int>(balances.size()), v.profile_outputs);
    const auto aus2 = lines_of(run.file("aus2.txt"));
    EXPECT_EQ(numbers_of(aus2.back())[0], std::strtod(v.last_profile_days, nullptr));

    const std::string aus4 = run.file("aus4.txt");
    if (v.observation_records < 0) {
        EXPECT_EQ(aus4, "");
        return;
    }
    const auto lines = lines_of(aus4);
    ASSERT_GE(lines.size(), 2u);  // the two heading lines
    const auto records = std::count_if(lines.begin() + 2, lines.end(),
                                       [](const std::string& line) { return !line.empty(); });
    EXPECT_EQ(static_cast<int>(records), v.observation_records);
}

INSTANTIATE_TEST_SUITE_P(Variants, Timing, ::testing::ValuesIn(timing_variants),
                         [](const auto& info) { return std::string(info.param.name); });

// Inputs the model cannot simulate, each a variant of one small scenario.
struct Refusal {
    const char* name;
    const char* file;
    const char* content;
    int exit_status;
    const char* console_part;
    bool result_files_empty;
};

const char* const vekin_head =
    " Simulationsende(d) Zeitschritt(s) Bodenarten Kompartimente GW-Neubildung(mm/a) Unterer Rand  frei\n"
    "  0.25  3600.0  2  8  250.0  1  0.0\n"
    " Dispersivitaet(m) Ausgabeintervall(d) Wetterbeginn(d) Anzahl Teufen  Teufen(m)\n";

const Refusal refusals[] = {
    {"WeatherStartZero", "vekin.txt", "  0.05  0.0  0.0  2  0.05  0.2\n", 0, "Wetterbeginn", true},
    {"ObservationBelowLastCentre", "vekin.txt", "  0.05  0.0  1.0  2  0.05  0.475\n", 0,
     "Beobachtungsteufe 2", true},
    {"ObservationAboveSurface", "vekin.txt", "  0.05  0.0  1.0  1  -0.1\n", 0,
     "Beobachtungsteufe 1", true},
    {"WeatherFileWithoutData", "wetter.txt", "Tag Monat Jahr N T F\n", 0, "keinen Datensatz", true},
    {"WeatherMonthThirteen", "wetter.txt", "Kopf\n 31 13 2010 1.0 15.0 70\n", 0, "Monat    13", false},
    {"PlantTypeNine", "plant.txt", " Ende(d) Typ\n 99999.0 9\n", 0, "Pflanzentyp     9", false},
    {"ApplicationTimesNotIncreasing", "chemdat.txt", " Ende(s) Menge\n 7199.0 0.05\n 7199.0 0.0\n",
     0, "chemdat.txt, Satz     3", false},
    {"PlantScheduleTooShort", "plant.txt", " Ende(d) Typ\n 0.1 3\n", 1, "plant.txt muss", false},
    {"ApplicationScheduleTooShort", "chemdat.txt", " Ende(s) Menge\n 7199.0 0.05\n", 1,
     "chemdat.txt muss", false},
    {"UnreadableWeatherRecord", "wetter.txt", "Kopf\n 31 5 2010 24.0 15.0 70\n 1 6 2010 x 16 75\n",
     1, "Einheit 13", false},
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, StopsWithAMessageAndNoNonsense)
{
    const Refusal& r = GetParam();
    ScenarioRun run("fixed_bottom_hourly");
    if (std::string(r.file) == "vekin.txt") {
        // Only the output-control record changes.
        std::string vekin = read_file(data_root / "fixed_bottom_hourly" / "vekin.txt");
        const std::size_t begin = vekin.find('\n', vekin.find("Teufen(m)")) + 1;
        const std::size_t end = vekin.find('\n', begin) + 1;
        vekin.replace(begin, end - begin, r.content);
        ASSERT_EQ(vekin.rfind(vekin_head, 0), 0u);
        run.replace_file("vekin.txt", vekin);
    } else {
        run.replace_file(r.file, r.content);
    }
    EXPECT_EQ(run.run(), r.exit_status);
    const std::string console = run.file("console.txt");
    EXPECT_NE(console.find(r.console_part), std::string::npos) << console;
    if (r.exit_status == 0) {
        EXPECT_NE(console.find("***Programm abgebrochen***"), std::string::npos) << console;
        EXPECT_NE(console.find("Stop - Program terminated."), std::string::npos);
    }
    if (r.result_files_empty) {
        for (const char* name : result_files) EXPECT_EQ(run.file(name), "") << name;
    }
    for (const char* name : result_files) {
        EXPECT_EQ(run.file(name).find("nan"), std::string::npos) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Refused, ::testing::ValuesIn(refusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The run judges its own numbers: hourly steps cannot follow the strong
// evaporation of the summer-drying scenario (its suctions oscillate and its
// balances break), ten-minute steps can. The warnings come after the last
// time line and before the end message; the result files are still written.
TEST(Verdict, StrongWarningsAndExitStatusThreeOnlyWhereTheNumbersBreak)
{
    struct Case { const char* time_step; int exit_status; bool warned; };
    const Case cases[] = {{"3600.0", 3, true}, {"600.0", 0, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.time_step);
        ScenarioRun run("summer_drying");
        std::string vekin = read_file(data_root / "summer_drying" / "vekin.txt");
        vekin = with_line_replaced(vekin, 2, std::string("  90.0  ") + k.time_step + "  3  32  250.0  2  0.0");
        run.replace_file("vekin.txt", vekin);
        EXPECT_EQ(run.run(), k.exit_status);
        const std::string console = run.file("console.txt");
        EXPECT_EQ(console.find("WARNUNG") != std::string::npos, k.warned);
        if (k.warned) {
            const std::size_t warning = console.find("WARNUNG: Die Saugspannung schwingt");
            ASSERT_NE(warning, std::string::npos);
            EXPECT_NE(console.find("(schwerwiegend)"), std::string::npos);
            EXPECT_LT(console.rfind("Tage"), warning);
            EXPECT_LT(warning, console.find("***Regulaeres Ende erreicht***"));
        }
        EXPECT_FALSE(run.file("aus2.txt").empty());
    }
}

}  // namespace
