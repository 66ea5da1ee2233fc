// After the input stage every value a time step reads is finite, for every
// retention and conductivity model and every conductivity estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "input/input_run.hpp"

namespace soilcolumn {
namespace {

struct NamedColumn {
    const char* name;
    CompartmentColumn ModelState::*column;
};

// Compartment values that the time steps read.
const NamedColumn columns_read_later[] = {
    {"compartment_thickness", &ModelState::compartment_thickness},
    {"centre_distance", &ModelState::centre_distance},
    {"porosity", &ModelState::porosity},
    {"bulk_density", &ModelState::bulk_density},
    {"aggregate_porosity", &ModelState::aggregate_porosity},
    {"organic_matter_fraction", &ModelState::organic_matter_fraction},
    {"saturated_conductivity", &ModelState::saturated_conductivity},
    {"dry_end_suction", &ModelState::dry_end_suction},
    {"dry_end_water_content", &ModelState::dry_end_water_content},
    {"air_entry_suction", &ModelState::air_entry_suction},
    {"pore_size_exponent", &ModelState::pore_size_exponent},
    {"second_entry_suction", &ModelState::second_entry_suction},
    {"second_pore_size_exponent", &ModelState::second_pore_size_exponent},
    {"junction_water_content", &ModelState::junction_water_content},
    {"junction_conductivity", &ModelState::junction_conductivity},
    {"water_content_1m", &ModelState::water_content_1m},
    {"water_content_3_3m", &ModelState::water_content_3_3m},
    {"water_content_150m", &ModelState::water_content_150m},
    {"residual_water_content", &ModelState::residual_water_content},
    {"vg_alpha", &ModelState::vg_alpha},
    {"vg_m", &ModelState::vg_m},
    {"vg_n", &ModelState::vg_n},
    {"conductivity_exponent", &ModelState::conductivity_exponent},
    {"conductivity_residual_water_content", &ModelState::conductivity_residual_water_content},
    {"conductivity_vg_alpha", &ModelState::conductivity_vg_alpha},
    {"conductivity_vg_m", &ModelState::conductivity_vg_m},
    {"conductivity_vg_n", &ModelState::conductivity_vg_n},
    {"conductivity_vg_l", &ModelState::conductivity_vg_l},
    {"gardner_a", &ModelState::gardner_a},
    {"gardner_b", &ModelState::gardner_b},
};

void expect_finite_start_state(const ModelState& st)
{
    const auto finite = [](float x) { return std::isfinite(x); };
    for (int c = 2; c <= st.compartment_count; ++c) {
        SCOPED_TRACE("compartment " + std::to_string(c));
        for (const NamedColumn& entry : columns_read_later) {
            EXPECT_PRED1(finite, (st.*entry.column)(c)) << entry.name;
        }
        for (int j = 1; j <= texture_class_count; ++j) {
            EXPECT_PRED1(finite, st.texture_fractions(c, j));
        }
        for (int s = 1; s <= st.substance_count; ++s) {
            EXPECT_PRED1(finite, st.mobile_concentration(c, s));
            EXPECT_PRED1(finite, st.sorption_coefficient(c, s));
            EXPECT_PRED1(finite, st.sorption_exponent(c, s));
        }
        // Physical ranges: a positive conductivity and density, an immobile
        // region that fits into the pore space, a suction within the cap.
        EXPECT_GT(st.saturated_conductivity(c), 0.0f);
        EXPECT_GT(st.bulk_density(c), 0.0f);
        EXPECT_GE(st.aggregate_porosity(c), 0.0f);
        EXPECT_LE(st.aggregate_porosity(c), st.porosity(c));
        EXPECT_GT(st.matric_potential(c), 0.0f);
        EXPECT_LE(st.matric_potential(c), 10.0f);
    }
}

// One soil type per combination: retention models 1..8, conductivity models
// 1..7, conductivity estimates 1..8, sandy and loamy branches.
const std::string every_model_vekin =
    " Lauf\n 1.0 3600.0 10 12 200.0 1 0.0\n"
    " Ausgabe\n 0.05 1.0 1.0 1 0.2\n Wetterdatei\nwetter.txt\n ---\n"
    " Nr Ton Schluff Sand Kies KsMeth KMod RMod Dichte Durchm. Ks Org h theta Oberboden\n"
    " 1 0.10 0.30 0.60 0.0 2 1 1 1650.0 5.0 1.0E-05 0.01 3.3 0.3 1.0\n"
    " 2 0.20 0.30 0.50 0.0 3 2 2 1650.0 5.0 1.0E-05 0.01 3.3 0.3 0.0\n"
    " 3 0.15 0.35 0.50 0.0 4 5 3 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 4 0.05 0.25 0.70 0.0 5 3 4 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 5 0.25 0.45 0.30 0.0 6 4 5 1650.0 5.0 1.0E-05 0.02 3.3 0.3 0.0\n"
    " 6 0.20 0.40 0.40 0.0 7 6 6 1650.0 5.0 1.0E-05 0.02 3.3 0.3 0.0\n"
    " 7 0.10 0.20 0.70 0.0 8 7 7 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 8 0.30 0.40 0.30 0.0 1 7 8 1650.0 5.0 1.0E-05 0.02 3.3 0.3 0.0\n"
    " 9 0.30 0.30 0.40 0.0 7 3 4 1650.0 5.0 1.0E-05 0.02 3.3 0.3 0.0\n"
    " 10 0.05 0.15 0.80 0.0 7 6 6 1650.0 5.0 1.0E-05 0.02 3.3 0.3 0.0\n"
    " ---\n Kompartimente\n"
    " 0.1 1 0.45 0.0 0.0 1.0\n"
    " 0.1 1 0.45 0.0 0.0 1.0\n 0.1 2 0.45 0.0 0.0 1.0\n 0.1 3 0.45 0.0 0.0 1.0\n"
    " 0.1 4 0.45 0.0 0.0 1.0\n 0.1 5 0.45 0.0 0.0 1.0\n 0.1 6 0.45 0.0 0.0 1.0\n"
    " 0.1 7 0.45 0.0 0.0 1.0\n 0.1 8 0.45 0.0 0.0 1.0\n 0.1 9 0.45 0.0 0.0 1.0\n"
    " 0.1 10 0.45 0.0 0.0 1.0\n 0.1 1 0.45 0.0 0.0 1.0\n";

TEST(FiniteStartState, EveryRetentionAndConductivityModel)
{
    const std::string chemvek =
        " Stoffdaten\n 1\n Tabelle\n 5.0E-10 5.0E-06 0.05 0.002 0.9 40.0 1.0E-05 5.0E-07 0.0\n";
    const testing::InputRun run = testing::read_input_from(chemvek, every_model_vekin);
    ASSERT_FALSE(run.stopped) << run.console;
    ASSERT_EQ(run.st->compartment_count, 12);
    expect_finite_start_state(*run.st);
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FiniteStartState, DefaultScenario)
{
    const std::string dir = std::string(SOILCOLUMN_SOURCE_DIR) + "/examples/default/";
    std::string vekin = file_text(dir + "vekin.txt");
    ASSERT_FALSE(vekin.empty());
    // The scenario's weather file is replaced by the test's own.
    const std::string weather_name = "wetter_augsburg.txt";
    vekin.replace(vekin.find(weather_name), weather_name.size(), "wetter.txt");
    const testing::InputRun run = testing::read_input_from(file_text(dir + "chemvek.txt"), vekin);
    ASSERT_FALSE(run.stopped) << run.console;
    ASSERT_EQ(run.st->compartment_count, 32);
    expect_finite_start_state(*run.st);
}

}  // namespace
}  // namespace soilcolumn
