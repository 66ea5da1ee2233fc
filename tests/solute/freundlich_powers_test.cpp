// The fast arithmetic's batch of Freundlich powers: the storage capacities,
// sorbed concentrations and degradation terms it leads to agree with those
// of the classic run, where every power is powf's.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "driver/balances.hpp"
#include "solute/freundlich_powers.hpp"
#include "solute/storage_capacities.hpp"

namespace soilcolumn {
namespace {

constexpr int compartments = 42;
constexpr int substances = 4;

// Concentrations (g/m3) from none over deep-tail values and the linear limit
// of 0.001 to the top layer's, and one negative value the solver may leave.
constexpr std::array<float, 10> concentrations{0.0f, 1e-30f, 1e-12f, 1e-4f, 0.001f, 0.0011f, 0.37f, 2.0f, 85.0f, -1e-7f};
constexpr std::array<float, substances> exponents{0.7f, 0.93f, 1.0f, 1.15f};

std::unique_ptr<ModelState> column(bool fast)
{
    auto st = std::make_unique<ModelState>();
    st->compartment_count = compartments;
    st->substance_count = substances;
    st->vector_powers = fast;
    st->derived_powers = fast;
    for (int c = 2; c <= compartments - 1; ++c) {
        st->porosity(c) = 0.4f;
        st->bulk_density(c) = 1500.0f;
        st->aggregate_porosity(c) = 0.1f;
        st->water_content(c) = 0.3f;
        st->immobile_water_content(c) = 0.1f;
        for (int s = 1; s <= substances; ++s) {
            const auto i = static_cast<std::size_t>(c * s);
            st->sorption_coefficient(c, s) = 0.002f;
            st->sorption_exponent(c, s) = exponents[static_cast<std::size_t>(s - 1)];
            st->state(c, s) = concentrations[i % concentrations.size()];
            st->immobile_concentration(c, s) = concentrations[(i + 3) % concentrations.size()];
        }
    }
    if (fast) prepare_freundlich_powers(*st, st->state, st->immobile_concentration);
    compute_storage_capacities(*st, st->state, st->immobile_concentration);
    return st;
}

float sorbed(ModelState& st, int c, int s, SolutePower site, float concentration)
{
    return freundlich_sorbed(st.powers.solute(c, s, site), st.sorption_coefficient(c, s), concentration,
                             st.sorption_exponent(c, s));
}

void expect_close(float fast, float classic)
{
    EXPECT_NEAR(fast, classic, 1e-6f * std::fabs(classic));
    if (classic == 0.0f) {
        EXPECT_EQ(fast, 0.0f);
    }
}

TEST(FreundlichPowers, BatchedPowersGiveTheClassicCapacitiesAndSorbedConcentrations)
{
    const auto classic = column(false);
    const auto fast = column(true);
    for (int c = 2; c <= compartments - 1; ++c) {
        for (int s = 1; s <= substances; ++s) {
            const float cm = classic->state(c, s);
            const float cim = classic->immobile_concentration(c, s);
            SCOPED_TRACE(testing::Message() << "c " << c << " s " << s << ": C " << cm << ", " << cim);
            expect_close(fast->mobile_capacity(c, s), classic->mobile_capacity(c, s));
            expect_close(fast->immobile_capacity(c, s), classic->immobile_capacity(c, s));
            expect_close(sorbed(*fast, c, s, SolutePower::mobile_sorbed, cm),
                         sorbed(*classic, c, s, SolutePower::mobile_sorbed, cm));
            expect_close(sorbed(*fast, c, s, SolutePower::immobile_sorbed, cim),
                         sorbed(*classic, c, s, SolutePower::immobile_sorbed, cim));
        }
    }
}

}  // namespace
}  // namespace soilcolumn
