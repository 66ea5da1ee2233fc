#pragma once
// The van Genuchten compartments of the fast arithmetic, a column at a time.
// Below the dry end, a van Genuchten water content (retention models 4 to 6)
// takes two powers, x_n = (alpha h)^n and (1 + x_n)^m. The fast arithmetic
// derives its capacity from the same two by the power laws, and a Mualem
// conductivity (models 3, 4) of the same alpha, n and m from the same two and
// a third, (1 + x_n)^((l + 2) m). With the water contents, all three are
// raised for all such compartments of the column in two batches of the
// vector powf (state/power_batch.hpp), x_n first, and kept by compartment
// beside the suction they were raised at (ModelState::van_genuchten_powers);
// the curves read them there instead of asking each compartment's kept
// powers (state/power_memo.hpp).
// The column holds nothing outside the fast arithmetic.

#include <array>
#include <cstdint>

#include "state/model_state.hpp"

namespace soilcolumn {

// Raises the powers of compartments 2..N at the suctions of `state` where
// the column can hold them (a van Genuchten curve, a suction above zero and
// below the dry end, finite powers), the Mualem denominators included.
void raise_column_powers(ModelState& st, const SpeciesTable& state);

// Whether the column holds compartment c at suction h, and whether it holds
// its conductivity too.
bool column_holds(const ModelState& st, int c, float h);
bool column_conducts(const ModelState& st, int c, float h);

// Water content of a compartment the column holds.
float column_water_content(const ModelState& st, int c);

// Which compartments set_column_capacities_and_conductivities set:
// compartment c at c - 1, all bits set where it did.
struct ColumnSettings {
    std::array<std::uint32_t, max_compartments> capacity{};
    std::array<std::uint32_t, max_compartments> conductivity{};
    bool set_capacity(int c) const { return capacity[static_cast<std::size_t>(c - 1)] != 0; }
    bool set_conductivity(int c) const { return conductivity[static_cast<std::size_t>(c - 1)] != 0; }
};

// The capacities and conductivities of the compartments the column holds at
// the suctions of `state`, their water contents set: the capacity where the
// water content lies above the dry end's, the conductivity where the column
// holds it. The other compartments keep theirs.
ColumnSettings set_column_capacities_and_conductivities(ModelState& st, const SpeciesTable& state);

}  // namespace soilcolumn
