// The fast arithmetic of `run --fast` (subnormals flushed to zero during
// the steps) against the classic run, on every scenario the project ships:
// the same exit status, the same lines and fields in the result files and
// the console log, and every number printed alike except values below
// 1E-20 in magnitude. Flushing changes a value by about the smallest normal
// float (1.2E-38) in a step; the solver carries such changes only into
// values that are themselves tiny (the largest seen is near 1E-26, at the
// far end of a concentration front), while anything of a size that means
// something prints the same digits.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double negligible = 1.0E-20;

struct FastCase {
    const char* name;
    const char* directory;  // under the source tree
    const char* extra;      // further options of both runs
};

const FastCase fast_cases[] = {
    {"fixed_bottom_hourly", "tests/scenarios/data/fixed_bottom_hourly", ""},
    {"free_drainage_two_days", "tests/scenarios/data/free_drainage_two_days", ""},
    {"snow_rewind_two_day_steps", "tests/scenarios/data/snow_rewind_two_day_steps", ""},
    {"summer_drying", "tests/scenarios/data/summer_drying", ""},
    {"default", "examples/default", ""},
    // Two of its 26 years: both seasons, the applications and the front
    // reaching the deep compartments.
    {"regulatory_26y", "examples/regulatory_26y", " --days 730"},
};

std::vector<std::vector<std::string>> fields_of(const fs::path& path)
{
    std::vector<std::vector<std::string>> lines;
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

    int tiny_differences = 0;
    for (const char* name : {"aus1.txt", "aus2.txt", "aus3.txt", "aus4.txt", "console.txt"}) {
        const auto expected = fields_of(classic / name);
        const auto got = fields_of(fast / name);
        ASSERT_EQ(got.size(), expected.size()) << name;
        for (std::size_t l = 0; l < expected.size(); ++l) {
            ASSERT_EQ(got[l].size(), expected[l].size()) << name << " line " << l + 1;
            for (std::size_t f = 0; f < expected[l].size(); ++f) {
                if (got[l][f] == expected[l][f]) continue;
                double a = 0.0;
                double b = 0.0;
                ASSERT_TRUE(number_of(expected[l][f], a) && number_of(got[l][f], b))
                    << name << " line " << l + 1 << ": " << expected[l][f] << " / " << got[l][f];
                EXPECT_LT(std::max(std::fabs(a), std::fabs(b)), negligible)
                    << name << " line " << l + 1 << ": " << expected[l][f] << " / " << got[l][f];
                ++tiny_differences;
            }
        }
    }
    std::ifstream summary(fast / "summary.json");
    std::stringstream text;
    text << summary.rdbuf();
    EXPECT_NE(text.str().find("\"arithmetic\": \"fast\""), std::string::npos);
    RecordProperty("tiny_differences", tiny_differences);
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Shipped, FastMode, ::testing::ValuesIn(fast_cases),
                         [](const ::testing::TestParamInfo<FastCase>& info) { return std::string(info.param.name); });

}  // namespace
