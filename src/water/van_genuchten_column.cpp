#include "water/van_genuchten_column.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "state/power_batch.hpp"
#include "state/same_bits.hpp"
#include "water/conductivity_models.hpp"
#include "water/retention_models.hpp"

namespace soilcolumn {
namespace {

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

// Powers of the column's compartments, raised together; after raise() the
// bases hold the powers. A compartment may have two (its bracket and its
// Mualem denominator).
struct ColumnBatch {
    enum class Power : std::uint8_t { x_n, bracket, denominator };
    static constexpr std::size_t capacity = 2 * std::size_t{max_compartments};
    std::array<int, capacity> compartment;
    std::array<Power, capacity> power;
    std::array<float, capacity> value;
    std::array<float, capacity> exponent;
    int count = 0;

    void add(int c, Power p, float base, float y)
    {
        const auto i = static_cast<std::size_t>(count++);
        compartment[i] = c;
        power[i] = p;
        value[i] = base;
        exponent[i] = y;
    }
    void raise()
    {
        const auto n = static_cast<std::size_t>(count);
        raise_each(std::span(value).first(n), std::span(exponent).first(n), true);
    }
};

using Power = ColumnBatch::Power;

// The bracket (1 + x_n)^m of compartment c and, where its conductivity
// shares the curve's powers, the Mualem denominator, both from x_n.
void add_powers_of_one_plus_x_n(const ModelState& st, int c, float x_n, ColumnBatch& batch)
{
    const float m = st.van_genuchten_powers.m(c);
    batch.add(c, Power::bracket, 1.0f + x_n, m);
    if (!conductivity_shares_powers(st, c)) return;
    const float y = mualem_denominator_exponent(st, c, m);
    if (raised_by_powf(1.0f + x_n, y)) batch.add(c, Power::denominator, 1.0f + x_n, y);
}

}  // namespace

void raise_column_powers(ModelState& st, const SpeciesTable& state)
{
    ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    ColumnBatch x_n;
    for (int c = 2; c <= st.compartment_count; ++c) {
        column.held(c) = 0;
        column.conducts(c) = 0;
        const float h = state(c, 0);
        if (!column_in_use(st) || !van_genuchten_curve(st, c) || !(h > 0.0f) || h >= st.dry_end_suction(c)) continue;
        if (raised_by_powf(st.vg_alpha(c) * h, st.vg_n(c))) x_n.add(c, Power::x_n, st.vg_alpha(c) * h, st.vg_n(c));
    }
    x_n.raise();
    ColumnBatch of_one_plus_x_n;
    for (int i = 0; i < x_n.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int c = x_n.compartment[k];
        const float m = van_genuchten_m(st, c);
        if (std::isfinite(x_n.value[k]) && raised_by_powf(1.0f + x_n.value[k], m)) {
            column.m(c) = m;
            column.x_n(c) = x_n.value[k];
            add_powers_of_one_plus_x_n(st, c, x_n.value[k], of_one_plus_x_n);
        }
    }
    of_one_plus_x_n.raise();
    for (int i = 0; i < of_one_plus_x_n.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int c = of_one_plus_x_n.compartment[k];
        const float power = of_one_plus_x_n.value[k];
        if (!std::isfinite(power)) continue;
        if (of_one_plus_x_n.power[k] == Power::bracket) {
            column.held(c) = 1;
            column.suction(c) = state(c, 0);
            column.bracket(c) = power;
        } else {
            column.conducts(c) = 1;
            column.denominator(c) = power;
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
