#include "stage/direct_solver.hpp"

#include <algorithm>
#include <cmath>

#include "solute/storage_capacities.hpp"
#include "stage/stage_books.hpp"
#include "water/hydraulic_functions.hpp"
#include "water/retention_models.hpp"
#include "water/suction_limits.hpp"

namespace soilcolumn {
namespace {

constexpr int max_iterations = 30;
// Water: the iteration ends when what the rows move and what the column
// stores differ by less than this over the stage, summed in magnitude over
// the compartments; or, once it no longer halves from one iteration to the
// next, by less than the float floor: the water contents are 32-bit values,
// whose last digit in a compartment 0.1 m thick is worth some 1E-9 m.
constexpr double water_mass_tolerance = 1.0E-8;  // m
constexpr double water_mass_floor = 1.0E-7;      // m
// Solutes: the iteration ends when the last correction moved less than this
// share of the mass in the column.
constexpr double solute_mass_tolerance = 1.0E-9;
// The Freundlich slope n Kd C^(n-1) grows without bound at C = 0 for n < 1;
// Newton's iteration evaluates it at no less than this concentration.
constexpr double smallest_slope_concentration = 1.0E-12;  // g/m3

// The Freundlich isotherm Kd C^n (g/kg; none at C <= 0) and its slope
// n Kd C^(n-1), from one power.
struct Isotherm {
    double sorbed;
    double slope;
};

Isotherm freundlich(double coefficient, double concentration, double exponent)
{
    if (exponent == 1.0) {
        return {concentration > 0.0 ? coefficient * concentration : 0.0, coefficient};
    }
    if (concentration <= smallest_slope_concentration) {
        const double c = smallest_slope_concentration;
        const double at_floor = coefficient * std::pow(c, exponent);
        return {concentration > 0.0 ? coefficient * std::pow(concentration, exponent) : 0.0,
                exponent * at_floor / c};
    }
    const double value = coefficient * std::pow(concentration, exponent);
    return {value, exponent * value / concentration};
}

// The values of one stage's solve; nothing carries over to the next call.
struct DirectWork {
    TridiagonalRows rows;
    CompartmentArray<double> theta_old;           // water content at the start of the stage
    CompartmentArray<double> immobile_theta_old;  // its immobile part
    CompartmentArray<double> theta;               // water content of the current iterate
    CompartmentArray<double> capacity;            // specific water capacity there, 1/m
    CompartmentArray<double> old_exchange;        // m/s: old-time part of the water rows, gravity included
    CompartmentArray<double> h;                   // current water iterate, m
    CompartmentArray<double> mobile;              // current solute iterates, g/m3
    CompartmentArray<double> immobile;
    CompartmentArray<double> old_transport;       // g/m2/s: old-time part of the mobile rows and explicit terms
    CompartmentArray<double> old_mobile_mass;     // g/m3 of soil
    CompartmentArray<double> old_immobile_mass;
    CompartmentArray<Isotherm> mobile_isotherm;    // at the current solute iterates
    CompartmentArray<Isotherm> immobile_isotherm;
};

// ---- Water ----

// Water content and capacity of compartment c at suction h by its retention
// model, as compute_water_retention and compute_hydraulic_properties would
// give them, without touching the model's tables.
double water_content_at(const ModelState& st, int c, float h)
{
    float suction = h;
    return retention_water_content(st, c, suction, st.water_content(c));
}

double capacity_at(const ModelState& st, int c, float h, double theta)
{
    // Model 8 raises h to the wet limit before it evaluates, as its water content does.
    const float suction = st.retention_model(c) == 8 ? std::max(h, wettest_suction) : h;
    float water_content = static_cast<float>(theta);
    return retention_capacity(st, c, suction, water_content, st.water_capacity(c));
}

// The water (m/s) the rows take out of compartment c for the iterate hc,
// with the old-time part: exchange with both neighbours at both times and
// the gravity source, in the sign of the suction (positive where the
// compartment dries). It equals dz (theta_old - theta) / dt when the
// compartment's storage is conserved.
double water_drawn(const ModelState& st, const DirectWork& w, int c, double hc, double above, double below)
{
    const double l = st.upper_coupling(c, 0);
    const double u = st.lower_coupling(c, 0);
    return l * (above - hc) + u * (below - hc) + w.old_exchange(c);
}

// The rows as the classic sweeps solve them: storage capacity at the
// coefficient time, Crank-Nicolson exchange, gravity source.
void assemble_classic_water_rows(const ModelState& st, const SpeciesTable& state, DirectWork& w)
{
    const int n = st.compartment_count;
    for (int c = 2; c <= n - 1; ++c) {
        const double l = st.upper_coupling(c, 0);
        const double u = st.lower_coupling(c, 0);
        w.rows.lower(c) = -l;
        w.rows.upper(c) = -u;
        w.rows.diagonal(c) = st.water_diag_new(c);
        w.rows.rhs(c) = l * state(c - 1, 0) + u * state(c + 1, 0)
                        + static_cast<double>(st.water_diag_old(c)) * state(c, 0) + st.source_term(c, 0);
    }
}

// One modified Picard row set: theta(h) is linearised about the iterate,
// dz (theta_old - theta(h)) / dt = dz (theta_old - theta_m) / dt + S_m (h - h_m).
void assemble_conserving_water_rows(const ModelState& st, float dt, DirectWork& w)
{
    const int n = st.compartment_count;
    for (int c = 2; c <= n - 1; ++c) {
        const double l = st.upper_coupling(c, 0);
        const double u = st.lower_coupling(c, 0);
        const double dz_dt = static_cast<double>(st.compartment_thickness(c)) / dt;
        const double slope = dz_dt * w.capacity(c);
        w.rows.lower(c) = -l;
        w.rows.upper(c) = -u;
        w.rows.diagonal(c) = slope + l + u;
        w.rows.rhs(c) = slope * w.h(c) - dz_dt * (w.theta_old(c) - w.theta(c)) + w.old_exchange(c);
    }
}

// The boundary suctions (compartments 1 and N) stay as they are over the
// stage: their terms move to the right-hand side. A row without diagonal
// keeps its value, as a sweep would.
void close_rows(const ModelState& st, const CompartmentArray<double>& value, double first_value, double last_value,
                DirectWork& w)
{
    const int n = st.compartment_count;
    w.rows.rhs(2) -= w.rows.lower(2) * first_value;
    w.rows.rhs(n - 1) -= w.rows.upper(n - 1) * last_value;
    w.rows.lower(2) = 0.0;
    w.rows.upper(n - 1) = 0.0;
    for (int c = 2; c <= n - 1; ++c) {
        if (w.rows.diagonal(c) == 0.0) {
            w.rows.lower(c) = w.rows.upper(c) = 0.0;
            w.rows.diagonal(c) = 1.0;
            w.rows.rhs(c) = value(c);
        }
    }
}

// Water the rows move minus water the column stores over the stage, summed
// in magnitude over the compartments (m), for the float suctions in `state`.
double water_mass_residual(const ModelState& st, const SpeciesTable& state, float dt, DirectWork& w)
{
    const int n = st.compartment_count;
    double residual = 0.0;
    for (int c = 2; c <= n - 1; ++c) {
        w.theta(c) = water_content_at(st, c, state(c, 0));
    }
    for (int c = 2; c <= n - 1; ++c) {
        const double stored = st.compartment_thickness(c) * (w.theta(c) - w.theta_old(c));
        const double drawn = water_drawn(st, w, c, state(c, 0), state(c - 1, 0), state(c + 1, 0)) * dt;
        residual += std::fabs(stored + drawn);
    }
    return residual;
}

PhaseResult solve_water_rows(const ModelState& st, SpeciesTable& state, float dt, bool conserve, DirectWork& w)
{
    const int n = st.compartment_count;
    PhaseResult result;
    for (int c = 2; c <= n - 1; ++c) {
        const double l = st.upper_coupling(c, 0);
        const double u = st.lower_coupling(c, 0);
        w.h(c) = state(c, 0);
        w.old_exchange(c) = l * (static_cast<double>(state(c - 1, 0)) - state(c, 0))
                            + u * (static_cast<double>(state(c + 1, 0)) - state(c, 0)) + st.source_term(c, 0);
    }
    const double first = state(1, 0);
    const double last = state(n, 0);
    assemble_classic_water_rows(st, state, w);
    double previous_residual = 0.0;
    for (int k = 1; k <= (conserve ? max_iterations : 1); ++k) {
        if (k > 1) {
            for (int c = 2; c <= n - 1; ++c) {
                w.capacity(c) = capacity_at(st, c, state(c, 0), w.theta(c));
            }
            assemble_conserving_water_rows(st, dt, w);
        }
        close_rows(st, w.h, first, last, w);
        solve_tridiagonal(w.rows, 2, n - 1);
        for (int c = 2; c <= n - 1; ++c) {
            state(c, 0) = static_cast<float>(w.rows.rhs(c));
            w.h(c) = w.rows.rhs(c);
        }
        result.sweeps = k;
        if (!conserve) {
            result.converged = true;
            break;
        }
        const double residual = water_mass_residual(st, state, dt, w);
        result.relative_residual = residual;
        const bool stalled = k > 1 && residual > 0.5 * previous_residual;
        if (residual <= water_mass_tolerance || (stalled && residual <= water_mass_floor)) {
            result.converged = true;
            break;
        }
        previous_residual = residual;
    }
    if (!conserve) {
        for (int c = 2; c <= n - 1; ++c) {
            w.theta(c) = water_content_at(st, c, state(c, 0));
        }
    }
    return result;
}

// Holds the suctions between the limits. The water that moves with them is
// measured on the retention curve: the water content at the solved suction
// minus the one at the limit (w.theta holds the first; the model's tables
// the second, once recomputed).
SuctionLimitTally hold_suction_limits(const ModelState& st, SpeciesTable& state)
{
    SuctionLimitTally tally;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        if (state(c, 0) < wettest_suction) {
            state(c, 0) = wettest_suction;
            ++tally.wet;
        } else if (state(c, 0) > driest_suction) {
            state(c, 0) = driest_suction;
            ++tally.dry;
        }
    }
    return tally;
}

void measure_limited_water(const ModelState& st, const SpeciesTable& state, const DirectWork& w,
                           SuctionLimitTally& tally)
{
    if (tally.wet + tally.dry == 0) {
        return;
    }
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const double water = st.compartment_thickness(c) * (w.theta(c) - st.water_content(c));
        if (state(c, 0) == wettest_suction && w.h(c) < wettest_suction) {
            tally.wet_water += water;
        } else if (state(c, 0) == driest_suction && w.h(c) > driest_suction) {
            tally.dry_water += water;
        }
    }
}

// ---- Solutes ----

// Mass per volume of soil (g/m3) the mobile and the immobile region hold at
// the concentrations given, and its slope; a mobile region without water
// holds none. The sorbent is shared in proportion to the pore space.
struct RegionMass {
    double mass;
    double slope;
};

RegionMass mobile_mass(const ModelState& st, int c, int s, double theta, double theta_im, double cm,
                       const Isotherm& isotherm)
{
    if (!(st.aggregate_porosity(c) < theta)) {
        return {0.0, 0.0};
    }
    const double r = static_cast<double>(st.aggregate_porosity(c)) / st.porosity(c);
    const double sorbent = static_cast<double>(st.bulk_density(c)) * (1.0 - r);
    const double liquid_and_air = (theta - theta_im) + st.henry_constant(s) * (st.porosity(c) - theta);
    return {liquid_and_air * cm + sorbent * isotherm.sorbed, liquid_and_air + sorbent * isotherm.slope};
}

RegionMass immobile_mass(const ModelState& st, int c, double theta_im, double cim, const Isotherm& isotherm)
{
    const double r = static_cast<double>(st.aggregate_porosity(c)) / st.porosity(c);
    const double sorbent = static_cast<double>(st.bulk_density(c)) * r;
    return {theta_im * cim + sorbent * isotherm.sorbed, theta_im + sorbent * isotherm.slope};
}

// Outflow coefficient of the mobile row of compartment c: both dispersion
// couplings, downward advection through its lower face, upward through its
// upper face.
double mobile_outflow(const ModelState& st, int c, int s)
{
    return static_cast<double>(st.upper_coupling(c, s)) + st.lower_coupling(c, s) + st.downward_half_flux(c + 1)
           - st.upward_half_flux(c);
}

// Old-time part of the mobile rows plus their explicit terms (g/m2/s), and
// the mass both regions hold at the start of the stage.
void assemble_old_solute_terms(const ModelState& st, int s, const SpeciesTable& state, const SubstanceTable& immobile,
                               DirectWork& w)
{
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const double above = state(c - 1, s);
        const double below = state(c + 1, s);
        w.old_transport(c) = (static_cast<double>(st.upper_coupling(c, s)) + st.downward_half_flux(c)) * above
                             + (static_cast<double>(st.lower_coupling(c, s)) - st.upward_half_flux(c + 1)) * below
                             - mobile_outflow(st, c, s) * state(c, s) + st.mobile_degradation(c, s)
                             + st.source_term(c, s) - st.transfer_rate(c, s) - st.mobile_irreversible_rate(c, s);
        // The first iteration starts from these concentrations: their
        // isotherm values serve it too.
        w.mobile_isotherm(c) = freundlich(st.sorption_coefficient(c, s), state(c, s), st.sorption_exponent(c, s));
        w.immobile_isotherm(c) = freundlich(st.sorption_coefficient(c, s), immobile(c, s), st.sorption_exponent(c, s));
        w.old_mobile_mass(c) =
            mobile_mass(st, c, s, w.theta_old(c), w.immobile_theta_old(c), state(c, s), w.mobile_isotherm(c)).mass;
        w.old_immobile_mass(c) = immobile_mass(st, c, w.immobile_theta_old(c), immobile(c, s), w.immobile_isotherm(c)).mass;
        w.mobile(c) = state(c, s);
        w.immobile(c) = immobile(c, s);
    }
}

PhaseResult solve_substance(const ModelState& st, int s, SpeciesTable& state, SubstanceTable& immobile, float dt,
                            int iterations, DirectWork& w)
{
    const int n = st.compartment_count;
    PhaseResult result;
    const double first = state(1, s);
    const double last = state(n, s);
    for (int k = 1; k <= iterations; ++k) {
        double moved = 0.0;
        double held = 0.0;
        for (int c = 2; c <= n - 1; ++c) {
            const double dz_dt = static_cast<double>(st.compartment_thickness(c)) / dt;
            const double theta = st.water_content(c);
            const double theta_im = st.immobile_water_content(c);
            if (k > 1) {
                w.mobile_isotherm(c) = freundlich(st.sorption_coefficient(c, s), w.mobile(c), st.sorption_exponent(c, s));
                w.immobile_isotherm(c) =
                    freundlich(st.sorption_coefficient(c, s), w.immobile(c), st.sorption_exponent(c, s));
            }
            const RegionMass m = mobile_mass(st, c, s, theta, theta_im, w.mobile(c), w.mobile_isotherm(c));
            w.capacity(c) = m.slope;  // the water capacities are no longer needed
            w.rows.lower(c) = -(static_cast<double>(st.upper_coupling(c, s)) + st.downward_half_flux(c));
            w.rows.upper(c) = -(static_cast<double>(st.lower_coupling(c, s)) - st.upward_half_flux(c + 1));
            w.rows.diagonal(c) = dz_dt * m.slope + mobile_outflow(st, c, s);
            w.rows.rhs(c) = dz_dt * (w.old_mobile_mass(c) - m.mass + m.slope * w.mobile(c)) + w.old_transport(c);

            // The immobile row of the compartment stands alone.
            const RegionMass im = immobile_mass(st, c, theta_im, w.immobile(c), w.immobile_isotherm(c));
            if (im.slope > 0.0) {
                const double target = w.old_immobile_mass(c)
                                      + (static_cast<double>(st.immobile_degradation(c, s)) + st.immobile_source(c, s)
                                         + st.transfer_rate(c, s) - st.immobile_irreversible_rate(c, s))
                                            / dz_dt;
                const double next = w.immobile(c) + (target - im.mass) / im.slope;
                moved += st.compartment_thickness(c) * im.slope * std::fabs(next - w.immobile(c));
                w.immobile(c) = next;
            }
            held += st.compartment_thickness(c) * (std::fabs(m.mass) + std::fabs(im.mass));
        }
        CompartmentArray<double>& previous = w.h;  // the water iterate is no longer needed
        for (int c = 2; c <= n - 1; ++c) {
            previous(c) = w.mobile(c);
        }
        close_rows(st, w.mobile, first, last, w);
        solve_tridiagonal(w.rows, 2, n - 1);
        for (int c = 2; c <= n - 1; ++c) {
            w.mobile(c) = w.rows.rhs(c);
            moved += st.compartment_thickness(c) * w.capacity(c) * std::fabs(w.mobile(c) - previous(c));
        }
        result.sweeps = k;
        // The share of the mass the last correction moved: what is left
        // to converge. A single Newton step solves its linear rows exactly;
        // what it moved is the stage's change, not an error.
        result.relative_residual = iterations == 1 ? 0.0 : held > 0.0 ? moved / held : moved;
        if (moved <= solute_mass_tolerance * held || moved == 0.0 || iterations == 1) {
            result.converged = true;
            break;
        }
    }
    for (int c = 2; c <= n - 1; ++c) {
        state(c, s) = static_cast<float>(w.mobile(c));
        immobile(c, s) = static_cast<float>(w.immobile(c));
    }
    return result;
}

PhaseResult solve_solute_rows(const ModelState& st, SpeciesTable& state, SubstanceTable& immobile, float dt,
                              int iterations, DirectWork& w)
{
    PhaseResult result;
    result.converged = true;
    result.sweeps = 1;
    for (int s = 1; s <= st.substance_count; ++s) {
        assemble_old_solute_terms(st, s, state, immobile, w);
        const PhaseResult substance = solve_substance(st, s, state, immobile, dt, iterations, w);
        result.sweeps = std::max(result.sweeps, substance.sweeps);
        result.converged = result.converged && substance.converged;
        result.relative_residual = std::max(result.relative_residual, substance.relative_residual);
    }
    return result;
}

}  // namespace

void solve_tridiagonal(TridiagonalRows& rows, int first, int last)
{
    // Forward elimination: upper(c) becomes the eliminated super-diagonal,
    // rhs(c) the eliminated right-hand side.
    rows.upper(first) /= rows.diagonal(first);
    rows.rhs(first) /= rows.diagonal(first);
    for (int c = first + 1; c <= last; ++c) {
        const double pivot = rows.diagonal(c) - rows.lower(c) * rows.upper(c - 1);
        rows.upper(c) = c < last ? rows.upper(c) / pivot : 0.0;
        rows.rhs(c) = (rows.rhs(c) - rows.lower(c) * rows.rhs(c - 1)) / pivot;
    }
    for (int c = last - 1; c >= first; --c) {
        rows.rhs(c) -= rows.upper(c) * rows.rhs(c + 1);
    }
}

StageResult solve_step_equations_directly(ModelState& st, const StageContext& stage, bool conserve_water)
{
    DirectWork w;
    SpeciesTable& state = stage.state;
    SubstanceTable& immobile = stage.immobile;
    const SpeciesTable old_state = state;
    StageResult result;

    compute_water_retention(st, state);
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        w.theta_old(c) = st.water_content(c);
        w.immobile_theta_old(c) = st.immobile_water_content(c);
    }
    result.water = solve_water_rows(st, state, stage.stage_step, conserve_water, w);
    book_water_face_fluxes(st, old_state, state, result.fluxes);
    result.limits = hold_suction_limits(st, state);

    compute_water_retention(st, state);
    compute_hydraulic_properties(st, state);
    measure_limited_water(st, state, w, result.limits);
    // The predictor's concentrations only set the mid-step degradation and
    // sorption terms of the corrector: one Newton step, linearised at the
    // start of the stage as the classic rows are, is enough there.
    result.solutes = solve_solute_rows(st, state, immobile, stage.stage_step, conserve_water ? max_iterations : 1, w);
    book_solute_face_fluxes(st, old_state, state, result.fluxes);
    result.negative_mass_cleared = clear_negative_concentrations(st, state, immobile);
    return result;
}

}  // namespace soilcolumn
