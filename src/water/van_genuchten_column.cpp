#include "water/van_genuchten_column.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

#include "state/power_batch.hpp"
#include "water/conductivity_models.hpp"
#include "water/retention_models.hpp"

namespace soilcolumn {
namespace {

bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool column_in_use(const ModelState& st) { return st.vector_powers && st.derived_powers; }

bool van_genuchten_curve(const ModelState& st, int c)
{
    const int model = st.retention_model(c);
    return model >= 4 && model <= 6;
}

// A Mualem conductivity whose powers are those of the retention curve,
// exponent m included.
bool conductivity_shares_powers(const ModelState& st, int c)
{
    const int model = st.conductivity_model(c);
    return (model == 3 || model == 4) && same_bits(st.conductivity_vg_alpha(c), st.vg_alpha(c))
           && same_bits(st.conductivity_vg_n(c), st.vg_n(c))
           && same_bits(mualem_conductivity_m(st, c), st.van_genuchten_powers.m(c));
}

// At most one power per compartment, raised together; after raise() the
// bases hold the powers.
struct ColumnBatch {
    std::array<int, max_compartments> compartment;
    std::array<float, max_compartments> value;
    std::array<float, max_compartments> exponent;
    int count = 0;

    void add(int c, float base, float y)
    {
        const auto i = static_cast<std::size_t>(count++);
        compartment[i] = c;
        value[i] = base;
        exponent[i] = y;
    }
    void raise()
    {
        const auto n = static_cast<std::size_t>(count);
        raise_each(std::span(value).first(n), std::span(exponent).first(n), true);
    }
};

}  // namespace

void raise_column_retention_powers(ModelState& st, const SpeciesTable& state)
{
    ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    ColumnBatch x_n;
    for (int c = 2; c <= st.compartment_count; ++c) {
        column.held(c) = 0;
        column.conducts(c) = 0;
        const float h = state(c, 0);
        if (!column_in_use(st) || !van_genuchten_curve(st, c) || !(h > 0.0f) || h >= st.dry_end_suction(c)) continue;
        if (raised_by_powf(st.vg_alpha(c) * h, st.vg_n(c))) x_n.add(c, st.vg_alpha(c) * h, st.vg_n(c));
    }
    x_n.raise();
    ColumnBatch bracket;
    for (int i = 0; i < x_n.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int c = x_n.compartment[k];
        const float m = van_genuchten_m(st, c);
        if (std::isfinite(x_n.value[k]) && raised_by_powf(1.0f + x_n.value[k], m)) {
            column.m(c) = m;
            column.x_n(c) = x_n.value[k];
            bracket.add(c, 1.0f + x_n.value[k], m);
        }
    }
    bracket.raise();
    for (int i = 0; i < bracket.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int c = bracket.compartment[k];
        if (std::isfinite(bracket.value[k])) {
            column.held(c) = 1;
            column.suction(c) = state(c, 0);
            column.bracket(c) = bracket.value[k];
        }
    }
}

bool column_holds(const ModelState& st, int c, float h)
{
    const ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    return column_in_use(st) && column.held(c) == 1 && same_bits(h, column.suction(c));
}

float column_water_content(const ModelState& st, int c)
{
    return van_genuchten_water_content_from(st, c, st.van_genuchten_powers.bracket(c));
}

float column_capacity(const ModelState& st, int c, float h, float theta)
{
    const ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    return van_genuchten_capacity_from(st, c, h, theta, column.m(c), column.x_n(c), column.bracket(c));
}

void raise_column_conductivity_powers(ModelState& st, const SpeciesTable& state)
{
    ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    ColumnBatch denominator;
    for (int c = 2; c <= st.compartment_count; ++c) {
        column.conducts(c) = 0;
        if (!column_holds(st, c, state(c, 0)) || !conductivity_shares_powers(st, c)) continue;
        const float base = 1.0f + column.x_n(c);
        const float y = mualem_denominator_exponent(st, c, column.m(c));
        if (raised_by_powf(base, y)) denominator.add(c, base, y);
    }
    denominator.raise();
    for (int i = 0; i < denominator.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (std::isfinite(denominator.value[k])) {
            column.conducts(denominator.compartment[k]) = 1;
            column.denominator(denominator.compartment[k]) = denominator.value[k];
        }
    }
}

bool column_conducts(const ModelState& st, int c, float h)
{
    return column_holds(st, c, h) && st.van_genuchten_powers.conducts(c) == 1;
}

float column_conductivity(const ModelState& st, int c, float h)
{
    const ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    return mualem_conductivity_from(st, c, h, column.x_n(c), column.bracket(c), column.denominator(c));
}

}  // namespace soilcolumn
