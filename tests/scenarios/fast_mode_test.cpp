// The fast arithmetic of `run --fast` (subnormals flushed to zero, the
// water rows solved directly instead of by relaxation sweeps) against the
// classic run, on every scenario the project ships. Both solve the same
// rows; they differ by the sweeps' stopping error (a residual of 1E-6 of the
// right-hand side) and by values below the smallest normal float. So:
// - the same exit status, the same lines, the same fields;
// - in the result files every number within one unit of its last printed
//   digit, or within 1E-5 of the largest magnitude its column reaches: the
//   stopping error shows in the third digit of fluxes a hundred thousand
//   times smaller than the column's peak (deep leaching before the front
//   arrives) and in tails of 1E-30;
// - in the console log within one unit of the last digit or 1 % of the
//   value: its balance errors are differences of large sums, the stopping
//   error itself;
// - where the classic run's own books judge its numbers unsafe (suctions
//   that oscillate between neighbours at every step, water clipped at the
//   wet limit on most stages), its answer is the sweeps' stopping error
//   amplified step by step, and only the exit status is compared: both
//   runs end with status 3.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double column_share = 1.0E-5;
constexpr double console_share = 0.01;

enum class Agreement { printed, status_only };

struct FastCase {
    const char* name;
    const char* directory;  // under the source tree
    const char* extra;      // further options of both runs
    Agreement agreement;
};

const FastCase fast_cases[] = {
    {"fixed_bottom_hourly", "tests/scenarios/data/fixed_bottom_hourly", "", Agreement::printed},
    {"free_drainage_two_days", "tests/scenarios/data/free_drainage_two_days", "", Agreement::printed},
    {"snow_rewind_two_day_steps", "tests/scenarios/data/snow_rewind_two_day_steps", "", Agreement::printed},
    {"steady_flow_tracer", "tests/scenarios/data/steady_flow_tracer", "", Agreement::printed},
    {"default", "examples/default", "", Agreement::printed},
    // Two of its 26 years: both seasons, the applications and the front
    // reaching the deep compartments.
    {"regulatory_26y", "examples/regulatory_26y", " --days 730", Agreement::printed},
    // Hourly steps under strong evaporation: the suctions oscillate.
    {"summer_drying", "tests/scenarios/data/summer_drying", "", Agreement::status_only},
    // Ponding on silty clay: the wet limit clips suctions on most stages.
    {"ponding_silty_clay", "tests/scenarios/data/ponding_silty_clay", "", Agreement::status_only},
};

using Fields = std::vector<std::vector<std::string>>;

Fields fields_of(const fs::path& path)
{
    Fields lines;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << path;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        std::string field;
        while (words >> field) fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

bool number_of(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// One unit of the last digit of a printed number: 10^(exponent - decimals).
double print_unit(const std::string& text)
{
    const std::size_t point = text.find('.');
    const std::size_t e = text.find_first_of("Ee");
    const std::size_t mantissa_end = e == std::string::npos ? text.size() : e;
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(mantissa_end - point - 1);
    const int exponent = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
    return std::pow(10.0, exponent - decimals);
}

// The largest magnitude of each field position among the lines of the
// same number of fields: a result file's columns.
std::map<std::pair<std::size_t, std::size_t>, double> column_peaks(const Fields& lines)
{
    std::map<std::pair<std::size_t, std::size_t>, double> peaks;
    for (const auto& fields : lines) {
        for (std::size_t f = 0; f < fields.size(); ++f) {
            double value = 0.0;
            if (number_of(fields[f], value)) {
                double& peak = peaks[{fields.size(), f}];
                peak = std::max(peak, std::fabs(value));
            }
        }
    }
    return peaks;
}

// Compares one file field by field; returns the number of fields that differ.
int expect_printed_agreement(const std::string& name, const Fields& expected, const Fields& got)
{
    const bool console = name == "console.txt";
    const auto peaks = column_peaks(expected);
    int differences = 0;
    EXPECT_EQ(got.size(), expected.size()) << name;
    for (std::size_t l = 0; l < std::min(expected.size(), got.size()); ++l) {
        EXPECT_EQ(got[l].size(), expected[l].size()) << name << " line " << l + 1;
        if (got[l].size() != expected[l].size()) continue;
        for (std::size_t f = 0; f < expected[l].size(); ++f) {
            if (got[l][f] == expected[l][f]) continue;
            ++differences;
            double a = 0.0;
            double b = 0.0;
            const bool numbers = number_of(expected[l][f], a) && number_of(got[l][f], b);
            EXPECT_TRUE(numbers) << name << " line " << l + 1 << ": " << expected[l][f] << " / " << got[l][f];
            if (!numbers) continue;
            const double tolerance = std::max({1.0001 * std::max(print_unit(expected[l][f]), print_unit(got[l][f])),
                                               console ? console_share * std::fabs(a)
                                                       : column_share * peaks.at({expected[l].size(), f})});
            EXPECT_LE(std::fabs(a - b), tolerance)
                << name << " line " << l + 1 << ": " << expected[l][f] << " / " << got[l][f];
        }
    }
    return differences;
}

int run(const std::string& arguments)
{
    const std::string command = "'" SOILCOLUMN_EXE "' run -q " + arguments + " > /dev/null 2>&1 < /dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FastMode : public ::testing::TestWithParam<FastCase> {};

TEST_P(FastMode, PrintsWhatTheClassicRunPrints)
{
    const FastCase& c = GetParam();
    const fs::path input = fs::path(SOILCOLUMN_SOURCE_DIR) / c.directory;
    const fs::path root = fs::temp_directory_path() / ("soilcolumn_fast_" + std::string(c.name) + "_" +
                                                       std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path classic = root / "classic";
    const fs::path fast = root / "fast";
    const int classic_status = run("'" + input.string() + "' -o '" + classic.string() + "'" + c.extra);
    const int fast_status = run("--fast '" + input.string() + "' -o '" + fast.string() + "'" + c.extra);
    ASSERT_GE(classic_status, 0);
    EXPECT_EQ(fast_status, classic_status);

    int differences = 0;
    if (c.agreement == Agreement::printed) {
        for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt", "console.txt"}) {
            differences += expect_printed_agreement(name, fields_of(classic / name), fields_of(fast / name));
        }
    } else {
        EXPECT_EQ(classic_status, 3);
    }
    std::ifstream summary(fast / "summary.json");
    std::stringstream text;
    text << summary.rdbuf();
    EXPECT_NE(text.str().find("\"arithmetic\": \"fast\""), std::string::npos);
    RecordProperty("differences", differences);
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Shipped, FastMode, ::testing::ValuesIn(fast_cases),
                         [](const ::testing::TestParamInfo<FastCase>& info) { return std::string(info.param.name); });

}  // namespace
