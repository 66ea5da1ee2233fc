// The two parameterisation switches: where a soil type selects the same
// operation for retention and conductivity, the conductivity side keeps the
// same values the retention side keeps; the conductivity side never changes
// what the retention side derived.
#include <gtest/gtest.h>

#include <string>

#include "input/input_run.hpp"

namespace soilcolumn {
namespace {

// Soil types 1..8 share texture, density and organic matter and differ in
// their models (conductivity, retention): (1,1) (2,2) (3,4) (4,5) (5,6)
// (6,7) (7,8) and (6,5); compartment k+1 has soil type k.
const std::string paired_models_vekin =
    " Lauf\n 1.0 3600.0 8 10 200.0 1 0.0\n"
    " Ausgabe\n 0.05 1.0 1.0 1 0.2\n Wetterdatei\nwetter.txt\n ---\n Bodenarten\n"
    " 1 0.15 0.35 0.50 0.0 4 1 1 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 2 0.15 0.35 0.50 0.0 4 2 2 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 3 0.15 0.35 0.50 0.0 4 3 4 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 4 0.15 0.35 0.50 0.0 4 4 5 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 5 0.15 0.35 0.50 0.0 4 5 6 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 6 0.15 0.35 0.50 0.0 4 6 7 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 7 0.15 0.35 0.50 0.0 4 7 8 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " 8 0.15 0.35 0.50 0.0 4 6 5 1650.0 5.0 1.0E-05 0.02 3.3 0.3 1.0\n"
    " ---\n Kompartimente\n"
    " 0.1 1 0.45\n 0.1 1 0.45\n 0.1 2 0.45\n 0.1 3 0.45\n 0.1 4 0.45\n"
    " 0.1 5 0.45\n 0.1 6 0.45\n 0.1 7 0.45\n 0.1 8 0.45\n 0.1 1 0.45\n";

using Column = CompartmentColumn ModelState::*;

struct SameValue {
    int c;
    Column kept_by_conductivity;
    Column kept_by_retention;
};

TEST(ParameterSwitches, SameOperationKeepsTheSameValuesOnBothSides)
{
    const testing::InputRun run =
        testing::read_input_from(" Stoffdaten\n 0\n Tabelle\n", paired_models_vekin);
    ASSERT_FALSE(run.stopped) << run.console;
    const ModelState& st = *run.st;

    using M = ModelState;
    const SameValue pairs[] = {
        {2, &M::conductivity_exponent, &M::pore_size_exponent},  // Campbell, one system
        {3, &M::conductivity_exponent, &M::pore_size_exponent},  // Campbell, aggregated
        {4, &M::conductivity_vg_alpha, &M::vg_alpha},  // sand/loam (residual always 0)
        {4, &M::conductivity_vg_n, &M::vg_n},
        {4, &M::conductivity_vg_l, &M::retention_tortuosity},
        {5, &M::conductivity_vg_alpha, &M::vg_alpha},  // general (residual always 0)
        {5, &M::conductivity_vg_n, &M::vg_n},
        {5, &M::conductivity_vg_l, &M::retention_tortuosity},
        {6, &M::conductivity_residual_water_content, &M::residual_water_content},  // polynomials
        {6, &M::conductivity_vg_alpha, &M::vg_alpha},
        {6, &M::conductivity_vg_m, &M::vg_m},
        {6, &M::conductivity_vg_n, &M::vg_n},
        {7, &M::conductivity_residual_water_content, &M::residual_water_content},  // density
        {7, &M::conductivity_vg_alpha, &M::vg_alpha},
        {7, &M::conductivity_vg_n, &M::vg_n},
        {8, &M::conductivity_exponent, &M::pore_size_exponent},  // GHM line
    };
    for (const SameValue& pair : pairs) {
        SCOPED_TRACE("compartment " + std::to_string(pair.c));
        EXPECT_NE((st.*pair.kept_by_retention)(pair.c), 0.0f);
        EXPECT_EQ((st.*pair.kept_by_conductivity)(pair.c), (st.*pair.kept_by_retention)(pair.c));
    }
    // Both sides of the aggregated soil give the junction conductivity.
    EXPECT_GT(st.junction_conductivity(3), 0.0f);
}

TEST(ParameterSwitches, ConductivitySideLeavesTheRetentionResultsAlone)
{
    const testing::InputRun run =
        testing::read_input_from(" Stoffdaten\n 0\n Tabelle\n", paired_models_vekin);
    ASSERT_FALSE(run.stopped) << run.console;
    const ModelState& st = *run.st;
    // Compartments 5 and 9: retention model 5 under conductivity models 4 and
    // 6; the latter's own results (its immobile capacity too) are discarded.
    const Column retention_side[] = {
        &ModelState::dry_end_suction, &ModelState::dry_end_water_content,
        &ModelState::residual_water_content, &ModelState::vg_alpha, &ModelState::vg_n,
        &ModelState::retention_tortuosity, &ModelState::aggregate_porosity};
    for (const Column column : retention_side) {
        EXPECT_EQ((st.*column)(9), (st.*column)(5));
    }
    EXPECT_NE(st.conductivity_vg_alpha(9), st.vg_alpha(9));
    EXPECT_NE(st.gardner_a(9), 0.0f);
}

}  // namespace
}  // namespace soilcolumn
