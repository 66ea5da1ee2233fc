// The CSV tables of `soilcolumn run` hold the model's values bit for bit:
// the files are read back with Python's csv module, every field is parsed
// as the type the model keeps it in, and compared with the state captured
// in-process at the same output times by an observer of a second run of the
// same scenario (runs are deterministic: run_test says so).
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <map>
#include <variant>

#include "driver/result_files.hpp"
#include "driver/run.hpp"
#include "export_run.hpp"
#include "input/temp_directory.hpp"

namespace soilcolumn {
namespace {

using testing::TempDirectory;
using Value = std::variant<float, double, std::int64_t>;
// One expected row: column name and the value the state held.
using Row = std::vector<std::pair<std::string, Value>>;

std::string per_substance(const char* name, int s) { return std::string(name) + "_s" + std::to_string(s); }

// The columns written down from the documentation of the files, not from the
// code that writes them.
Row time_columns(const ModelState& st)
{
    return {{"time_s", st.simulation_time}, {"time_d", st.simulation_time / 86400.0}};
}

Row profile_row(const ModelState& st, int c)
{
    Row row = time_columns(st);
    row.insert(row.end(), {{"compartment", std::int64_t{c}},
                           {"depth_m", st.node_depth(c)},
                           {"thickness_m", st.compartment_thickness(c)},
                           {"suction_m", st.matric_potential(c)},
                           {"water_content", st.water_content(c)},
                           {"immobile_water_content", st.immobile_water_content(c)}});
    for (int s = 1; s <= st.substance_count; ++s) {
        row.insert(row.end(),
                   {{per_substance("conc_mobile_g_m3", s), st.mobile_concentration(c, s)},
                    {per_substance("conc_immobile_g_m3", s), st.immobile_concentration(c, s)},
                    {per_substance("conc_total_g_m3", s), st.total_concentration(c, s)},
                    {per_substance("sorbed_mobile_g_kg", s), st.mobile_sorbed(c, s)},
                    {per_substance("sorbed_immobile_g_kg", s), st.immobile_sorbed(c, s)},
                    {per_substance("irreversible_mobile_g_kg", s), st.mobile_irreversible_sorbed(c, s)},
                    {per_substance("irreversible_immobile_g_kg", s), st.immobile_irreversible_sorbed(c, s)}});
    }
    return row;
}

Row balance_row(const ModelState& st, const RunRecord& record)
{
    Row row = time_columns(st);
    row.insert(row.end(), {{"precipitation_m", st.precipitation_total},
                           {"infiltration_m", st.infiltration_total},
                           {"evaporation_m", st.evaporation_total},
                           {"recharge_m", st.recharge_total},
                           {"water_storage_m", st.water_storage},
                           {"surface_runoff_m", st.surface_runoff},
                           {"snow_storage_m", st.snow_storage},
                           {"snow_total_m", st.snow_total}});
    for (int s = 1; s <= st.substance_count; ++s) {
        row.insert(row.end(), {{per_substance("entered_g_m2", s), st.substance_entered(s)},
                               {per_substance("leached_g_m2", s), st.substance_leached(s)},
                               {per_substance("dissolved_g_m2", s), st.dissolved_amount(s)},
                               {per_substance("sorbed_g_m2", s), st.sorbed_amount(s)},
                               {per_substance("gaseous_g_m2", s), st.gaseous_amount(s)},
                               {per_substance("irreversible_g_m2", s), st.irreversible_amount(s)},
                               {per_substance("transformed_g_m2", s), st.substance_transformed(s)}});
    }
    // The run's own books, from the fluxes of the solved rows.
    const WaterBookkeeping& water = record.diagnostics.water;
    row.insert(row.end(), {{"water_surface_inflow_m", water.surface_inflow},
                           {"water_lower_outflow_m", water.lower_outflow},
                           {"water_storage_change_m", water.storage - water.initial_storage},
                           {"water_balance_error_m", water.error()},
                           {"water_balance_error_percent", water.relative_error()},
                           {"wet_limit_water_m", water.wet_limit_water},
                           {"dry_limit_water_m", water.dry_limit_water}});
    for (int s = 1; s <= st.substance_count; ++s) {
        const SubstanceBookkeeping& books = record.diagnostics.substance(s);
        row.insert(row.end(), {{per_substance("applied_g_m2", s), books.applied},
                               {per_substance("leached_lower_face_g_m2", s), books.leached},
                               {per_substance("degraded_g_m2", s), books.degraded},
                               {per_substance("balance_error_g_m2", s), books.error()},
                               {per_substance("balance_error_percent", s), books.relative_error()}});
    }
    return row;
}

Row flux_row(const ModelState& st, int c)
{
    Row row = time_columns(st);
    row.insert(row.end(), {{"face", std::int64_t{c}},
                           {"depth_m", st.face_depth(c)},
                           {"water_flux_m_s", st.water_flux(c)}});
    for (int s = 1; s <= st.substance_count; ++s) {
        row.emplace_back(per_substance("solute_flux_g_m2_s", s), st.solute_flux(c, s));
    }
    return row;
}

Row observation_row(const ModelState& st, const ObservationSeries& series, int k)
{
    Row row = time_columns(st);
    row.insert(row.end(), {{"depth_index", std::int64_t{k}},
                           {"depth_m", st.observation_depths(k)},
                           {"suction_m", series.potential(k)},
                           {"water_content", series.water_content(k)}});
    for (int s = 1; s <= st.substance_count; ++s) {
        row.emplace_back(per_substance("conc_total_g_m3", s), series.concentration(k, s));
    }
    return row;
}

struct Capture : RunObserver {
    std::map<std::string, std::vector<Row>> tables;

    void on_profile_output(const ModelState& st, const RunRecord& record) override
    {
        for (int c = 1; c <= st.compartment_count; ++c) tables["profiles.csv"].push_back(profile_row(st, c));
        tables["balances.csv"].push_back(balance_row(st, record));
        for (int c = 2; c <= st.compartment_count; ++c) tables["fluxes.csv"].push_back(flux_row(st, c));
    }
    void on_observation_record(const ModelState& st, const ObservationSeries& series) override
    {
        for (int k = 1; k <= st.observation_depth_count; ++k) {
            tables["observations.csv"].push_back(observation_row(st, series, k));
        }
    }
};

// Whether the text parses completely to exactly the value's bits.
bool same_bits(const std::string& text, const Value& expected)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    return std::visit(
        [&](auto value) {
            decltype(value) parsed{};
            const auto [ptr, error] = std::from_chars(begin, end, parsed);
            if (error != std::errc{} || ptr != end) return false;
            if constexpr (std::is_same_v<decltype(value), float>) {
                return std::bit_cast<std::uint32_t>(parsed) == std::bit_cast<std::uint32_t>(value);
            } else if constexpr (std::is_same_v<decltype(value), double>) {
                return std::bit_cast<std::uint64_t>(parsed) == std::bit_cast<std::uint64_t>(value);
            } else {
                return parsed == value;
            }
        },
        expected);
}

class CsvRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(CsvRoundTrip, EveryFieldReadsBackToTheStateAtItsOutputTime)
{
    const std::string scenario = GetParam();
    TempDirectory in, out, captured_out;
    testing::copy_scenario(scenario, in.path());
    const testing::CommandResult result =
        testing::run_command({"run", in.path().string(), "-o", out.path().string(), "-q"});
    // A run whose numbers are unsafe (exit status 3) writes every table too.
    ASSERT_TRUE(result.status == 0 || result.status == 3) << result.err << result.out;

    std::ostringstream console;
    Capture capture;
    soilcolumn::Run run({.input_directory = in.path(),
                         .output_directory = captured_out.path(),
                         .console = &console,
                         .observers = {&capture}});
    ASSERT_EQ(run_to_end(run), RunStatus::completed);

    std::vector<testing::fs::path> paths;
    for (const char* name : {"profiles.csv", "balances.csv", "fluxes.csv", "observations.csv"}) {
        paths.push_back(out.path() / name);
    }
    const nlohmann::json tables = testing::read_csv_tables(paths);
    ASSERT_TRUE(tables.is_object()) << "python3 could not read the CSV files";

    for (const testing::fs::path& path : paths) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const nlohmann::json& table = tables[path.string()];
        const std::vector<Row>& expected = capture.tables[name];
        ASSERT_FALSE(expected.empty());
        const auto header = table["header"].get<std::vector<std::string>>();
        std::map<std::string, std::size_t> column;
        for (std::size_t j = 0; j < header.size(); ++j) column[header[j]] = j;
        ASSERT_EQ(column.size(), header.size()) << "duplicate column names";
        ASSERT_EQ(header.size(), expected.front().size());
        const auto& rows = table["rows"];
        ASSERT_EQ(rows.size(), expected.size());
        int mismatches = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(rows[i].size(), header.size()) << "row " << i;
            for (const auto& [column_name, value] : expected[i]) {
                ASSERT_TRUE(column.contains(column_name)) << column_name;
                const std::string text = rows[i][column[column_name]].get<std::string>();
                if (!same_bits(text, value) && ++mismatches <= 5) {
                    ADD_FAILURE() << "row " << i << " column " << column_name << ": '" << text << "'";
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, CsvRoundTrip,
                         ::testing::Values("free_drainage_two_days", "fixed_bottom_hourly",
                                           "snow_rewind_two_day_steps"));

}  // namespace
}  // namespace soilcolumn
