// Result records: total concentration, observation interpolation, the
// choice of headings and the guard against non-finite values.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/result_files.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

class ResultFilesTest : public ::testing::Test {
protected:
    // Four compartments, centres at 0, 0.05, 0.15 and 0.25 m; two substances.
    ResultFilesTest()
    {
        st->compartment_count = 4;
        st->substance_count = 2;
        const float thickness[] = {0.05f, 0.05f, 0.1f, 0.1f};
        const float suction[] = {0.5f, 1.0f, 2.0f, 4.0f};
        const float theta[] = {0.0f, 0.3f, 0.2f, 0.1f};
        for (int c = 1; c <= 4; ++c) {
            st->compartment_thickness(c) = thickness[c - 1];
            st->centre_distance(c) = c == 1 ? 0.0f : (thickness[c - 2] + thickness[c - 1]) / 2.0f;
            st->matric_potential(c) = suction[c - 1];
            st->water_content(c) = theta[c - 1];
            st->immobile_water_content(c) = c == 1 ? 0.0f : 0.1f;
            for (int s = 1; s <= 2; ++s) {
                st->mobile_concentration(c, s) = static_cast<float>(c * s);
                st->immobile_concentration(c, s) = static_cast<float>(c * s) / 2.0f;
            }
        }
        compute_depth_tables(*st);
        files.console.connect_stream(console);
        files.aus1.connect_stream(aus1);
        files.aus2.connect_stream(aus2);
        files.aus3.connect_stream(aus3);
        files.aus4.connect_stream(aus4);
    }

    // The streams outlive the units that write into them.
    std::ostringstream console, aus1, aus2, aus3, aus4;
    std::unique_ptr<ModelState> st = std::make_unique<ModelState>();
    FileSet files;
};

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

int count_fields(const std::string& line)
{
    std::istringstream in(line);
    std::string field;
    int n = 0;
    while (in >> field) ++n;
    return n;
}

TEST_F(ResultFilesTest, TotalConcentrationIsTheWaterWeightedMean)
{
    st->mobile_concentration(1, 1) = 9.0f;
    compute_total_concentration(*st);
    EXPECT_EQ(st->total_concentration(1, 1), 0.0f);  // never computed for compartment 1
    // c = 2, s = 1: (0.2 x 2 + 1 x 0.1) / 0.3; c = 4, s = 2: (0 x 8 + 4 x 0.1) / 0.1
    EXPECT_FLOAT_EQ(st->total_concentration(2, 1), 0.5f / 0.3f);
    EXPECT_FLOAT_EQ(st->total_concentration(4, 2), 4.0f);
}

TEST_F(ResultFilesTest, ObservationValuesInterpolateBetweenTheBracketingCentres)
{
    st->observation_depth_count = 3;
    st->observation_depths(1) = 0.05f;   // exactly at centre 2
    st->observation_depths(2) = 0.175f;  // midway between centres 3 and 4
    st->observation_depths(3) = 0.0f;    // at the centre of compartment 1
    ObservationSeries series(3);
    series.write_record(*st, files);
    EXPECT_FLOAT_EQ(series.potential(1), 1.0f);
    EXPECT_FLOAT_EQ(series.water_content(1), 0.3f);
    EXPECT_FLOAT_EQ(series.potential(2), 3.0f);
    EXPECT_FLOAT_EQ(series.water_content(2), 0.15f);
    // totals at centres 3 and 4 for s = 2: (0.1 x 6 + 3 x 0.1) / 0.2 = 4.5 and 4
    EXPECT_FLOAT_EQ(series.concentration(2, 2), 4.25f);
    EXPECT_FLOAT_EQ(series.potential(3), 0.5f);
    EXPECT_EQ(series.concentration(3, 1), 0.0f);
    // one record: time, 3 potentials, 3 water contents, 2 x 3 concentrations
    const auto lines = lines_of(aus4.str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(count_fields(lines[0]), 13);
}

TEST_F(ResultFilesTest, HeadingsDependOnTheNumberOfDepths)
{
    st->observation_depth_count = 0;
    write_result_headings(*st, files);
    EXPECT_EQ(aus4.str(), "");
    EXPECT_EQ(lines_of(aus2.str())[0], "Massenbilanzen");

    st->observation_depth_count = 2;
    st->observation_depths(1) = 0.1f;
    st->observation_depths(2) = 0.2f;
    write_result_headings(*st, files);
    const auto lines = lines_of(aus4.str());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(count_fields(lines[1]), 3 + 6);  // "Tage", "Teufe", "(m)", 3 x 2 depths
}

TEST_F(ResultFilesTest, ProfileRecordsCarrySorptionColumnsOnlyAboveTheThreshold)
{
    struct Case { float sorption_sum; const char* heading_start; int values_per_record; };
    const Case cases[] = {
        {0.00099f, "Teufe  Potential Feuchte Konz. gel. mobil,immobil,ges.", 3 + 3 * 2},
        {0.001f, "Teufe  Potential Feuchte Konz. gel. mobil,immobil,ges. Konz. sorbiert", 3 + 7 * 2},
    };
    for (const Case& c : cases) {
        aus1.str("");
        st->sorption_sum = c.sorption_sum;
        write_profile_output(*st, files);
        const auto lines = lines_of(aus1.str());
        // ... time line, empty, heading, units, empty, then 4 records
        ASSERT_GE(lines.size(), 11u) << aus1.str();
        const std::size_t heading = lines.size() - 7;
        EXPECT_EQ(lines[heading].rfind(c.heading_start, 0), 0u) << lines[heading];
        EXPECT_EQ(lines[heading].find("sorbiert") != std::string::npos, c.sorption_sum >= 0.001f);
        for (std::size_t record = heading + 3; record < lines.size(); ++record) {
            EXPECT_EQ(count_fields(lines[record]), c.values_per_record) << lines[record];
        }
    }
}

TEST_F(ResultFilesTest, NonFiniteValuesStopTheRunBeforeAnythingIsWritten)
{
    st->simulation_time = 7199.0;
    st->water_content(3) = std::numeric_limits<float>::quiet_NaN();
    try {
        write_profile_output(*st, files);
        FAIL() << "NaN reached the result files";
    } catch (const RunFailure& failure) {
        const std::string report = failure.what();
        EXPECT_NE(report.find("water_content in Kompartiment 3"), std::string::npos) << report;
        EXPECT_NE(report.find("7199.0 s"), std::string::npos) << report;
    }
    EXPECT_EQ(aus1.str(), "");
    EXPECT_EQ(aus2.str(), "");
    EXPECT_EQ(console.str(), "");

    st->water_content(3) = 0.2f;
    st->recharge_total = std::numeric_limits<double>::infinity();
    EXPECT_THROW(write_profile_output(*st, files), RunFailure);
}

}  // namespace
}  // namespace soilcolumn
