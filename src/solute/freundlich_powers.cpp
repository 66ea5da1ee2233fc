#include "solute/freundlich_powers.hpp"

#include "state/power_batch.hpp"

namespace soilcolumn {

void prepare_freundlich_powers(const ModelState& st, const SpeciesTable& mobile, const SubstanceTable& immobile)
{
    PowerRequests requests;
    // Compartment by compartment, as the kept powers are stored.
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            const float exponent = st.sorption_exponent(c, s);
            requests.add_unless_known(st.powers.solute(c, s, SolutePower::mobile_sorbed), mobile(c, s), exponent);
            requests.add_unless_known(st.powers.solute(c, s, SolutePower::immobile_sorbed), immobile(c, s), exponent);
        }
    }
    requests.raise_and_hand_over();
}

}  // namespace soilcolumn
