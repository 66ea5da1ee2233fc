#include "stage/stage_solver.hpp"

#include "stage/stage_books.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "solute/freundlich_powers.hpp"
#include "solute/storage_capacities.hpp"
#include "stage/direct_solver.hpp"
#include "state/bit_select.hpp"
#include "water/hydraulic_functions.hpp"
#include "water/suction_limits.hpp"

namespace soilcolumn {
namespace {

constexpr int max_sweeps = 200;
constexpr float water_tolerance = 1.0E-6f;  // residual sum relative to the norm of the right-hand side

// Chebyshev sequences of relaxation factors: the second factor is
// 1 / (1 - rho^2 / 2), every later one 1 / (1 - rho^2 * omega / 4), with the
// square of the spectral radius rho^2 = 0.455625 (water) and 0.5625 (solutes).
constexpr float water_second_factor = 1.2950222f;
constexpr float water_radius_squared = 0.455625f;
constexpr float solute_second_factor = 1.3913044f;
constexpr float solute_radius_squared = 0.5625f;

float next_relaxation_factor(int sweep, float omega, float second_factor, float radius_squared)
{
    if (sweep == 1) {
        return second_factor;
    }
    return 1.0f / (1.0f - radius_squared * omega / 4.0f);
}

// One value of a sweep: a zero diagonal leaves the value unchanged.
float relaxed(float value, float omega, float residual, float diagonal)
{
    if (diagonal == 0.0f) {
        return value;
    }
    return value - omega * residual / diagonal;
}

// Residual sum relative to the norm of the right-hand side; where the
// right-hand side vanishes, the residual sum itself.
double relative_to(float residual_sum, float norm)
{
    return norm > 0.0f ? static_cast<double>(residual_sum) / norm : residual_sum;
}

// The loops over substances and compartments run compartment-fastest, as
// the tables are stored, except for the sweeps (below); each substance's
// sums add the compartments from the top down.
//
// Work values of one call; nothing carries over to the next. The tables
// are written for compartments 2..N-1 and substances 1..S before they are
// read, so they are not zeroed; the sums start at zero.
struct SolverWork {
    CompartmentColumn water_rhs{left_unset};
    float water_norm = 0.0f;
    SubstanceTable old_mobile_diag{left_unset};
    SubstanceTable old_immobile_diag{left_unset};
    SubstanceTable mobile_diag{left_unset};
    SubstanceTable immobile_diag{left_unset};
    SubstanceTable mobile_rhs{left_unset};
    SubstanceTable immobile_rhs{left_unset};
    SubstanceArray mobile_norm;
    SubstanceArray immobile_norm;
    SubstanceArray mobile_residual;
    SubstanceArray immobile_residual;
};

// ---- Water ----

void assemble_water_rhs(const ModelState& st, const SpeciesTable& state, SolverWork& w)
{
    // The right-hand sides in a loop the compiler vectorises, then the norm
    // summed from the top down.
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        w.water_rhs(c) = st.upper_coupling(c, 0) * state(c - 1, 0) + st.lower_coupling(c, 0) * state(c + 1, 0)
                         + st.water_diag_old(c) * state(c, 0) + st.source_term(c, 0);
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        w.water_norm = w.water_norm + std::fabs(w.water_rhs(c));
    }
}

// One Gauss-Seidel sweep over the water rows with relaxation factor omega;
// returns the sum of the absolute residuals met on the way.
float water_sweep(const ModelState& st, SpeciesTable& state, const SolverWork& w, float omega)
{
    float residual_sum = 0.0f;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const float d = st.water_diag_new(c);
        const float r = d * state(c, 0) - st.upper_coupling(c, 0) * state(c - 1, 0)
                        - st.lower_coupling(c, 0) * state(c + 1, 0) - w.water_rhs(c);
        residual_sum = residual_sum + std::fabs(r);
        state(c, 0) = relaxed(state(c, 0), omega, r, d);
    }
    return residual_sum;
}

PhaseResult solve_water(const ModelState& st, SpeciesTable& state, const SolverWork& w)
{
    PhaseResult result;
    float omega = 1.0f;
    for (int k = 1; k <= max_sweeps && !result.converged; ++k) {
        result.sweeps = k;
        const float residual_sum = water_sweep(st, state, w, omega);
        omega = next_relaxation_factor(k, omega, water_second_factor, water_radius_squared);
        result.relative_residual = relative_to(residual_sum, w.water_norm);
        // The first sweep never ends the phase.
        result.converged = k > 1 && residual_sum < water_tolerance * w.water_norm;
    }
    return result;
}

// The same rows solved directly (fast arithmetic): the solution the sweeps
// approach, without their stopping error, at the cost of one pass down and
// one up whatever the number of compartments. The boundary suctions stay as
// they are; a row without diagonal keeps its value, as a sweep leaves it.
PhaseResult solve_water_directly(const ModelState& st, SpeciesTable& state, const SolverWork& w)
{
    const int n = st.compartment_count;
    PhaseResult result{.sweeps = 1, .converged = true};
    if (n < 3) {
        return result;
    }
    // Rows 2..N-1 are written before they are solved; the rest stay unset.
    using Column = CompartmentArray<double>;
    TridiagonalRows rows{Column(left_unset), Column(left_unset), Column(left_unset), Column(left_unset)};
    for (int c = 2; c <= n - 1; ++c) {
        rows.lower(c) = -st.upper_coupling(c, 0);
        rows.upper(c) = -st.lower_coupling(c, 0);
        rows.diagonal(c) = st.water_diag_new(c);
        rows.rhs(c) = w.water_rhs(c);
        if (rows.diagonal(c) == 0.0) {
            rows.lower(c) = rows.upper(c) = 0.0;
            rows.diagonal(c) = 1.0;
            rows.rhs(c) = state(c, 0);
        }
    }
    rows.rhs(2) -= rows.lower(2) * state(1, 0);
    rows.rhs(n - 1) -= rows.upper(n - 1) * state(n, 0);
    solve_tridiagonal(rows, 2, n - 1);
    for (int c = 2; c <= n - 1; ++c) {
        state(c, 0) = static_cast<float>(rows.rhs(c));
    }
    return result;
}

}  // namespace

// The face fluxes of water of the solved rows: gravity flux plus the
// conductance of the face times the mean of the old and new suction
// differences (Crank-Nicolson), before the suctions are limited.
void book_water_face_fluxes(const ModelState& st, const SpeciesTable& old_state,
                            const SpeciesTable& state, FaceFluxes& fluxes)
{
    for (int f = 2; f <= st.compartment_count; ++f) {
        const double conductance = 0.5 * static_cast<double>(st.face_conductivity(f)) / st.centre_distance(f);
        const double new_difference = static_cast<double>(state(f, 0)) - state(f - 1, 0);
        const double old_difference = static_cast<double>(old_state(f, 0)) - old_state(f - 1, 0);
        fluxes.water(f) = st.gravity_flux(f) + conductance * (new_difference + old_difference);
    }
}

// The same for every substance: dispersion with the face's coupling, and
// upwind advection with the half fluxes through the face, at both times.
void book_solute_face_fluxes(const ModelState& st, const SpeciesTable& old_state,
                             const SpeciesTable& state, FaceFluxes& fluxes)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int f = 2; f <= st.compartment_count; ++f) {
            const double coupling = 0.5 * static_cast<double>(st.dispersion_coefficient(f, s)) / st.centre_distance(f);
            const double above = static_cast<double>(state(f - 1, s)) + old_state(f - 1, s);
            const double below = static_cast<double>(state(f, s)) + old_state(f, s);
            fluxes.substance(s)(f) = coupling * (above - below) + st.downward_half_flux(f) * above
                                     + st.upward_half_flux(f) * below;
        }
    }
}

namespace {

// A copy of the columns of water and substances 1..S of compartments 1..N,
// all that the face fluxes read; the rest is left unset.
SpeciesTable used_part_of(const ModelState& st, const SpeciesTable& state)
{
    SpeciesTable copy{left_unset};
    for (int k = 0; k <= st.substance_count; ++k) {
        std::copy_n(&state(1, k), st.compartment_count, &copy(1, k));
    }
    return copy;
}

// The suction limits; the water they move is the stage's storage term
// dz C / dt = (new + old diagonal) / 2 times the stage and the change.
SuctionLimitTally limit_suctions(const ModelState& st, SpeciesTable& state, float stage_step)
{
    SuctionLimitTally tally;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const float solved = state(c, 0);
        state(c, 0) = std::max(state(c, 0), wettest_suction);
        state(c, 0) = std::min(state(c, 0), driest_suction);
        if (state(c, 0) == solved) {
            continue;
        }
        const double storage = 0.5 * (static_cast<double>(st.water_diag_new(c)) + st.water_diag_old(c)) * stage_step;
        const double water = storage * (static_cast<double>(state(c, 0)) - solved);
        if (solved < wettest_suction) {
            ++tally.wet;
            tally.wet_water += water;
        } else {
            ++tally.dry;
            tally.dry_water += water;
        }
    }
    return tally;
}

// ---- Solutes ----

// Old-time diagonals from the storage capacities at the start of the stage.
void assemble_old_solute_diagonals(const ModelState& st, float dt, SolverWork& w)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            w.old_mobile_diag(c, s) = st.mobile_capacity(c, s) * st.compartment_thickness(c) / dt
                                      - st.upper_coupling(c, s) - st.lower_coupling(c, s)
                                      - st.downward_half_flux(c + 1) + st.upward_half_flux(c);
            w.old_immobile_diag(c, s) = st.immobile_capacity(c, s) * st.compartment_thickness(c) / dt;
        }
    }
}

// New-time diagonals from the current storage capacities; outflow through
// face c+1 downward and through face c upward sits on the diagonal.
void assemble_new_solute_diagonals(const ModelState& st, float dt, SolverWork& w)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            w.mobile_diag(c, s) = st.mobile_capacity(c, s) * st.compartment_thickness(c) / dt
                                  + st.upper_coupling(c, s) + st.lower_coupling(c, s)
                                  + st.downward_half_flux(c + 1) - st.upward_half_flux(c);
            w.immobile_diag(c, s) = st.immobile_capacity(c, s) * st.compartment_thickness(c) / dt;
        }
    }
}

// Right-hand sides: old-time half of dispersion and upwind advection, plus
// the explicit degradation, input, transfer and irreversible sorption terms.
void assemble_solute_rhs(const ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile,
                         SolverWork& w)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        // The right-hand sides in a loop the compiler vectorises, then the
        // norms summed from the top down.
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            w.mobile_rhs(c, s) = st.upper_coupling(c, s) * state(c - 1, s) + st.lower_coupling(c, s) * state(c + 1, s)
                                 + w.old_mobile_diag(c, s) * state(c, s)
                                 + st.downward_half_flux(c) * state(c - 1, s)
                                 - st.upward_half_flux(c + 1) * state(c + 1, s) + st.mobile_degradation(c, s)
                                 + st.source_term(c, s) - st.transfer_rate(c, s) - st.mobile_irreversible_rate(c, s);
            w.immobile_rhs(c, s) = w.old_immobile_diag(c, s) * immobile(c, s) + st.immobile_degradation(c, s)
                                   + st.immobile_source(c, s) + st.transfer_rate(c, s)
                                   - st.immobile_irreversible_rate(c, s);
        }
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            w.mobile_norm(s) = w.mobile_norm(s) + std::fabs(w.mobile_rhs(c, s));
            w.immobile_norm(s) = w.immobile_norm(s) + std::fabs(w.immobile_rhs(c, s));
        }
    }
}

void clear_solute_residuals(const ModelState& st, SolverWork& w)
{
    for (int s = 1; s <= st.substance_count; ++s) {
        w.mobile_residual(s) = 0.0f;
        w.immobile_residual(s) = 0.0f;
    }
}

// The immobile region exchanges with nothing within a sweep: its row is its
// diagonal alone, so each substance's immobile values are relaxed down the
// column in a loop g++ vectorises (a zero diagonal divides by 1 and keeps
// its value by a bit mask), after the mobile values. Their residuals are
// then summed from the top down.
void relax_immobile_values(const ModelState& st, SubstanceTable& immobile, SolverWork& w, float omega)
{
    const int count = st.compartment_count - 2;
    std::array<float, max_compartments> residual;
    for (int s = 1; s <= st.substance_count; ++s) {
        const float* diagonal = &w.immobile_diag(2, s);
        const float* rhs = &w.immobile_rhs(2, s);
        float* value = &immobile(2, s);
        for (int i = 0; i < count; ++i) {
            const float dim = diagonal[i];
            const float rim = dim * value[i] - rhs[i];
            residual[i] = rim;
            const std::uint32_t has_diagonal = mask_of(dim != 0.0f);
            const float moved = value[i] - omega * rim / select_bits(has_diagonal, dim, 1.0f);
            value[i] = select_bits(has_diagonal, moved, value[i]);
        }
        for (int i = 0; i < count; ++i) {
            w.immobile_residual(s) = w.immobile_residual(s) + std::fabs(residual[i]);
        }
    }
}

// One sweep for every substance. Each substance's new value in a compartment
// waits for its value just above (a division deep), so the substances take
// turns compartment by compartment and their chains overlap; each
// substance's arithmetic and sums stay as they are.
void solute_sweep(const ModelState& st, SpeciesTable& state, SubstanceTable& immobile, SolverWork& w,
                  float omega)
{
    clear_solute_residuals(st, w);
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            const float dm = w.mobile_diag(c, s);
            const float rm = -st.upper_coupling(c, s) * state(c - 1, s) + dm * state(c, s)
                             - st.downward_half_flux(c) * state(c - 1, s) - st.lower_coupling(c, s) * state(c + 1, s)
                             + st.upward_half_flux(c + 1) * state(c + 1, s) - w.mobile_rhs(c, s);
            w.mobile_residual(s) = w.mobile_residual(s) + std::fabs(rm);
            state(c, s) = relaxed(state(c, s), omega, rm, dm);
        }
    }
    relax_immobile_values(st, immobile, w, omega);
}

// The fast arithmetic's sweep: the same relaxation with the value just
// relaxed above a compartment entering its residual last, once, with the sum
// of its two coefficients, and the relaxation factor over the diagonal
// taken before the sweep reaches the compartment. The chain from one
// compartment to the next is then two multiplications and two subtractions
// instead of six operations and a division; the results differ from those
// of the classic sweep by rounding.
void reordered_solute_sweep(const ModelState& st, SpeciesTable& state, SubstanceTable& immobile, SolverWork& w,
                            float omega)
{
    clear_solute_residuals(st, w);
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        for (int s = 1; s <= st.substance_count; ++s) {
            const float dm = w.mobile_diag(c, s);
            const float below = state(c + 1, s);
            const float known = dm * state(c, s) - st.lower_coupling(c, s) * below
                                + st.upward_half_flux(c + 1) * below - w.mobile_rhs(c, s);
            const float rm = known - (st.upper_coupling(c, s) + st.downward_half_flux(c)) * state(c - 1, s);
            w.mobile_residual(s) = w.mobile_residual(s) + std::fabs(rm);
            if (dm != 0.0f) state(c, s) = state(c, s) - rm * (omega / dm);
        }
    }
    relax_immobile_values(st, immobile, w, omega);
}

// Converged when, for every substance, the residual sums do not exceed the
// norms of the right-hand sides.
bool solutes_converged(const ModelState& st, const SolverWork& w)
{
    bool converged = true;
    for (int s = 1; s <= st.substance_count; ++s) {
        converged = converged && w.mobile_residual(s) <= w.mobile_norm(s)
                    && w.immobile_residual(s) <= w.immobile_norm(s);
    }
    return converged;
}

// The largest relative residual of any region of any substance.
double largest_solute_residual(const ModelState& st, const SolverWork& w)
{
    double largest = 0.0;
    for (int s = 1; s <= st.substance_count; ++s) {
        largest = std::max({largest, relative_to(w.mobile_residual(s), w.mobile_norm(s)),
                            relative_to(w.immobile_residual(s), w.immobile_norm(s))});
    }
    return largest;
}

}  // namespace

namespace {

// Whether any of compartments 2..N-1 of substance s holds a negative value
// in either region, in a loop g++ vectorises.
bool has_negative_value(const ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile, int s)
{
    const float* mobile = &state(2, s);
    const float* aggregate = &immobile(2, s);
    std::uint32_t negative = 0;
    for (int i = 0; i < st.compartment_count - 2; ++i) {
        negative |= mask_of(mobile[i] < 0.0f) | mask_of(aggregate[i] < 0.0f);
    }
    return negative != 0;
}

// The mass that setting the negative values of substance s to zero adds:
// each negative value times its region's storage capacity at the values
// cleared and thickness.
double mass_of_negative_values(const ModelState& st, const SpeciesTable& state, const SubstanceTable& immobile,
                               int s)
{
    double added = 0.0;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const double dz = st.compartment_thickness(c);
        if (state(c, s) < 0.0f || immobile(c, s) < 0.0f) {
            const StorageCapacity capacity = storage_capacity_at(st, c, s, state(c, s), immobile(c, s));
            if (state(c, s) < 0.0f) {
                added -= static_cast<double>(state(c, s)) * capacity.mobile * dz;
            }
            if (immobile(c, s) < 0.0f) {
                added -= static_cast<double>(immobile(c, s)) * capacity.immobile * dz;
            }
        }
    }
    return added;
}

}  // namespace

// Returns the mass the clearing adds per substance. The column is searched
// for negative values first; most stages have none.
SubstanceTotals clear_negative_concentrations(const ModelState& st, SpeciesTable& state, SubstanceTable& immobile)
{
    SubstanceTotals added;
    for (int s = 1; s <= st.substance_count; ++s) {
        if (!has_negative_value(st, state, immobile, s)) continue;
        added(s) = mass_of_negative_values(st, state, immobile, s);
        for (int c = 2; c <= st.compartment_count - 1; ++c) {
            state(c, s) = std::max(state(c, s), 0.0f);
            immobile(c, s) = std::max(immobile(c, s), 0.0f);
        }
    }
    return added;
}

namespace {

// The capacities at the concentrations a sweep has just given; the fast
// arithmetic raises their new Freundlich powers in one batch first.
void compute_capacities_after_sweep(ModelState& st, const StageContext& stage)
{
    if (st.vector_powers) {
        prepare_freundlich_powers(st, stage.state, stage.immobile);
    }
    compute_storage_capacities(st, stage.state, stage.immobile);
}

// Freundlich sorption makes the storage capacities depend on the
// concentrations: they and the new-time diagonals follow every sweep that
// another follows, while the right-hand sides stay as assembled. After the
// corrector's last sweep the capacities are those of the next step's start.
PhaseResult solve_solutes(ModelState& st, const StageContext& stage, SolverWork& w)
{
    PhaseResult result;
    float omega = 1.0f;
    for (int k = 1; k <= max_sweeps && !result.converged; ++k) {
        result.sweeps = k;
        if (st.reordered_solute_sweeps) {
            reordered_solute_sweep(st, stage.state, stage.immobile, w, omega);
        } else {
            solute_sweep(st, stage.state, stage.immobile, w, omega);
        }
        result.converged = solutes_converged(st, w);
        if (!result.converged && k < max_sweeps) {
            compute_capacities_after_sweep(st, stage);
            assemble_new_solute_diagonals(st, stage.stage_step, w);
        } else if (stage.ends_step) {
            compute_capacities_after_sweep(st, stage);
            keep_storage_capacities(st, stage.state, stage.immobile);
        }
        omega = next_relaxation_factor(k, omega, solute_second_factor, solute_radius_squared);
    }
    result.relative_residual = largest_solute_residual(st, w);
    return result;
}

}  // namespace

StageResult solve_step_equations(ModelState& st, const StageContext& stage)
{
    SolverWork w;
    SpeciesTable& state = stage.state;
    SubstanceTable& immobile = stage.immobile;
    // Only the step's last stage books what crossed the faces.
    const SpeciesTable old_state = stage.ends_step ? used_part_of(st, state) : SpeciesTable(left_unset);
    StageResult result;

    // Both stages start from the state the last step ended with.
    reuse_water_retention(st, state);
    reuse_storage_capacities(st, state, immobile);
    if (!stage.ends_step) {
        keep_storage_capacities(st, state, immobile);
    }
    assemble_old_solute_diagonals(st, stage.stage_step, w);

    assemble_water_rhs(st, state, w);
    result.water = st.direct_water_solve ? solve_water_directly(st, state, w) : solve_water(st, state, w);
    if (stage.ends_step) {
        book_water_face_fluxes(st, old_state, state, result.fluxes);
    }
    result.limits = limit_suctions(st, state, stage.stage_step);

    compute_water_retention(st, state);
    if (stage.ends_step) {
        keep_water_retention(st, state);
    }
    compute_hydraulic_properties(st, state);
    compute_storage_capacities(st, state, immobile);
    assemble_new_solute_diagonals(st, stage.stage_step, w);
    assemble_solute_rhs(st, state, immobile, w);
    result.solutes = solve_solutes(st, stage, w);
    if (stage.ends_step) {
        book_solute_face_fluxes(st, old_state, state, result.fluxes);
    }
    result.negative_mass_cleared = clear_negative_concentrations(st, state, immobile);
    return result;
}

}  // namespace soilcolumn
