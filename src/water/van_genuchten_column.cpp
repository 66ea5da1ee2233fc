#include "water/van_genuchten_column.hpp"

#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

#include "state/bit_select.hpp"
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

// Neither infinite nor NaN; without a branch, so that loops vectorise.
bool finite_number(float x) { return std::fabs(x) <= std::numeric_limits<float>::max(); }

// Powers of the column's compartments by compartment, raised together in
// one batch of the vector powf. A compartment whose power is not to be
// raised stands in as 1^1, which the vector powf answers at once.
class ColumnPowers {
public:
    static constexpr int size = 2 * max_compartments;

    void set(int i, bool raise, float base, float exponent)
    {
        const auto k = index(i);
        raised_[k] = raise ? 1 : 0;
        value_[k] = raise ? base : 1.0f;
        exponent_[k] = raise ? exponent : 1.0f;
    }
    // Raises entries first..last.
    void raise(int first, int last)
    {
        const auto count = static_cast<std::size_t>(last - first + 1);
        raise_each(std::span(value_).subspan(index(first), count), std::span(exponent_).subspan(index(first), count),
                   true);
    }
    bool raised(int i) const { return raised_[index(i)] != 0; }
    float power(int i) const { return value_[index(i)]; }

private:
    static std::size_t index(int i)
    {
        assert(i >= 1 && i <= size);
        return static_cast<std::size_t>(i - 1);
    }
    std::array<std::int32_t, size> raised_;  // as wide as the values, for the vectoriser
    std::array<float, size> value_;
    std::array<float, size> exponent_;
};

// The column's compartments: a van Genuchten curve whose exponents n and m
// take powf (neither 0 nor 1), and its Mualem denominator where the
// conductivity shares the curve's powers and its exponent takes powf too.
void plan_column(ModelState& st)
{
    ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    for (int c = 2; c <= st.compartment_count; ++c) {
        column.member(c) = 0;
        if (!van_genuchten_curve(st, c)) continue;
        const float m = van_genuchten_m(st, c);
        if (!raised_by_powf(1.0f, st.vg_n(c)) || !raised_by_powf(1.0f, m)) continue;
        column.member(c) = 1;
        column.m(c) = m;
        if (!conductivity_shares_powers(st, c)) continue;
        const float y = mualem_denominator_exponent(st, c, m);
        if (!raised_by_powf(1.0f, y)) continue;
        column.member(c) = 2;
        column.denominator_exponent(c) = y;
    }
    column.planned = true;
}

}  // namespace

void raise_column_powers(ModelState& st, const SpeciesTable& state)
{
    ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    if (!column.planned) plan_column(st);
    const int n = st.compartment_count;
    if (!column_in_use(st) || n < 2) {
        for (int c = 2; c <= n; ++c) column.held(c) = column.conducts(c) = 0;
        return;
    }
    ColumnPowers x_n;
    for (int c = 2; c <= n; ++c) {
        const float h = state(c, 0);
        const float base = st.vg_alpha(c) * h;
        x_n.set(c, (column.member(c) != 0) & (h > 0.0f) & (h < st.dry_end_suction(c)) & (base > 0.0f), base,
                st.vg_n(c));
    }
    x_n.raise(2, n);
    // The brackets at 2..N, the Mualem denominators right after them.
    ColumnPowers of_one_plus_x_n;
    const int denominators = n - 1;
    for (int c = 2; c <= n; ++c) {
        const float x = x_n.power(c);
        const bool raised = x_n.raised(c) & finite_number(x);
        column.x_n(c) = x;
        of_one_plus_x_n.set(c, raised, 1.0f + x, column.m(c));
        of_one_plus_x_n.set(denominators + c, raised & (column.member(c) == 2), 1.0f + x,
                            column.denominator_exponent(c));
    }
    of_one_plus_x_n.raise(2, denominators + n);
    for (int c = 2; c <= n; ++c) {
        const bool held = of_one_plus_x_n.raised(c) & finite_number(of_one_plus_x_n.power(c));
        column.held(c) = held ? 1 : 0;
        column.suction(c) = state(c, 0);
        column.bracket(c) = of_one_plus_x_n.power(c);
        const float denominator = of_one_plus_x_n.power(denominators + c);
        column.conducts(c) = held & of_one_plus_x_n.raised(denominators + c) & finite_number(denominator) ? 1 : 0;
        column.denominator(c) = denominator;
    }
}

namespace {

// Whether the column holds compartment c at suction h (in use or not),
// without a branch.
bool holds_at(const ModelState::VanGenuchtenPowers& column, int c, float h)
{
    return (column.held(c) == 1) & same_bits(h, column.suction(c));
}

// Whether the column holds the compartment stored at i at suction h: held
// and raised at the same bits.
std::uint32_t held_mask(const std::int32_t* held, const float* raised_at, const float* h, int i)
{
    return mask_of(held[i] == 1) & mask_of(same_bits(h[i], raised_at[i]));
}

}  // namespace

bool column_holds(const ModelState& st, int c, float h)
{
    return column_in_use(st) && holds_at(st.van_genuchten_powers, c, h);
}

bool column_conducts(const ModelState& st, int c, float h)
{
    return column_holds(st, c, h) && st.van_genuchten_powers.conducts(c) == 1;
}

float column_water_content(const ModelState& st, int c)
{
    return van_genuchten_water_content_from(st, c, st.van_genuchten_powers.bracket(c));
}

// The loops run over the whole column without a branch (a select would
// keep g++ from vectorising), so that the compiler evaluates several
// compartments at once; a compartment the column does not hold keeps its
// values. Compartment c is stored at c - 1.
ColumnSettings set_column_capacities_and_conductivities(ModelState& st, const SpeciesTable& state)
{
    ColumnSettings settings;
    if (!column_in_use(st)) return settings;
    const ModelState::VanGenuchtenPowers& column = st.van_genuchten_powers;
    const std::int32_t* held = column.held.data();
    const std::int32_t* conducts = column.conducts.data();
    const float* raised_at = column.suction.data();
    const float* m = column.m.data();
    const float* x_n = column.x_n.data();
    const float* bracket = column.bracket.data();
    const float* denominator = column.denominator.data();
    const float* dry_theta = st.dry_end_water_content.data();
    const float* h = &state(1, 0);
    const float* theta = st.water_content.data();
    const int n = st.compartment_count;
    // The column's values first, beside the state (so that the compiler
    // need not check whether they overlap it), then the choice.
    std::array<float, max_compartments> held_capacity;
    std::array<float, max_compartments> held_conductivity;
    for (int i = 1; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::uint32_t holds = held_mask(held, raised_at, h, i);
        const int c = i + 1;
        held_capacity[k] = derived_van_genuchten_capacity(st, c, h[i], m[i], x_n[i], bracket[i]);
        settings.capacity[k] = holds & mask_of(!(theta[i] < dry_theta[i]));
        held_conductivity[k] = mualem_conductivity_from(st, c, h[i], x_n[i], bracket[i], denominator[i]);
        settings.conductivity[k] = holds & mask_of(conducts[i] == 1);
    }
    float* capacity = st.water_capacity.data();
    float* conductivity = st.unsaturated_conductivity.data();
    for (int i = 1; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        capacity[i] = select_bits(settings.capacity[k], held_capacity[k], capacity[i]);
        conductivity[i] = select_bits(settings.conductivity[k], held_conductivity[k], conductivity[i]);
    }
    return settings;
}

}  // namespace soilcolumn
