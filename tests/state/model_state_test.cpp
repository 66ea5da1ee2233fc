#include <gtest/gtest.h>

#include <memory>

#include "state/model_state.hpp"

namespace soilcolumn {
namespace {

TEST(ModelState, TablesAreCompartmentFastestAndOneBased)
{
    auto st = std::make_unique<ModelState>();
    st->mobile_concentration(1, 1) = 1.0f;
    st->mobile_concentration(100, 1) = 2.0f;
    st->mobile_concentration(1, 2) = 3.0f;
    st->matric_potential(7) = 4.0f;

    const float* block = st->state.data();
    EXPECT_EQ(block[6], 4.0f);          // column 0: suction of compartment 7
    EXPECT_EQ(block[100], 1.0f);        // column 1 starts 100 slots later
    EXPECT_EQ(block[199], 2.0f);        // compartment 100 ends column 1
    EXPECT_EQ(block[200], 3.0f);        // column 2 follows directly
    EXPECT_EQ(st->immobile_concentration.data()[0], 0.0f);
}

TEST(ModelState, StartsAtZeroWithBlankTexts)
{
    auto st = std::make_unique<ModelState>();
    EXPECT_EQ(st->compartment_count, 0);
    EXPECT_EQ(st->simulation_time, 0.0);
    EXPECT_EQ(st->soil_type(100).retention_model, 0);
    EXPECT_FALSE(st->soil_type(1).defined);
    EXPECT_EQ(st->weather_file_name.view(), std::string(50, ' '));
    for (int c = 1; c <= max_compartments; ++c) {
        for (int k = 0; k <= max_substances; ++k) {
            ASSERT_EQ(st->source_term(c, k), 0.0f);
        }
    }
}

}  // namespace
}  // namespace soilcolumn
