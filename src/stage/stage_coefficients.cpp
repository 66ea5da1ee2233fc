#include "stage/stage_coefficients.hpp"

#include "solute/dispersion.hpp"
#include "solute/freundlich_powers.hpp"
#include "solute/half_life.hpp"
#include "solute/transport_coefficients.hpp"
#include "water/water_rows.hpp"

namespace soilcolumn {

// The face fluxes of water come first: dispersion follows them, and the
// couplings of both species follow their face coefficients; the diagonals
// need the couplings, the degradation terms the half-life factors.
void assemble_step_coefficients(ModelState& st, const StageContext& stage)
{
    assemble_water_face_fluxes(st);
    compute_dispersion_coefficients(st);
    assemble_water_couplings(st);
    assemble_solute_couplings(st);
    compute_half_life_factors(st);
    // The predictor's concentrations are those the last step ended with,
    // whose powers its last sweep raised; the corrector's are new.
    if (st.vector_powers && stage.ends_step) {
        prepare_freundlich_powers(st, st.state, st.immobile_concentration);
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        assemble_water_diagonals(st, c, stage.stage_step);
    }
    assemble_substance_terms(st, stage.stage_step);
    assemble_surface_excess(st, stage.stage_step);
}

}  // namespace soilcolumn
