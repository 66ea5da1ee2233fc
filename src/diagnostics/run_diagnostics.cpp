#include "diagnostics/run_diagnostics.hpp"

#include <algorithm>
#include <cmath>

#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

constexpr double smallest_water_reference = 0.001;  // m: relative water errors refer to at least 1 mm

// Freundlich sorbed concentration (g/kg) in 64-bit; no real power of a
// negative concentration, which counts as none. Linear sorption (exponent
// 1, where pow returns its base exactly) needs no power.
double sorbed_concentration(double coefficient, double concentration, double exponent)
{
    if (!(concentration > 0.0)) return 0.0;
    return coefficient * (exponent == 1.0 ? concentration : std::pow(concentration, exponent));
}

// The mobile region of compartment c holds water: otherwise its storage
// capacity is zero, and the rows give it no mass whatever its concentration.
bool has_mobile_water(const ModelState& st, int c) { return st.aggregate_porosity(c) < st.water_content(c); }

struct MobileMass {
    double dissolved;
    double sorbed;
    double gaseous;
};

// Substance of the mobile region of compartment c, g/m2: in its water, on
// its share of the sorbent, in the soil air.
MobileMass mobile_mass(const ModelState& st, int c, int s)
{
    const double dz = st.compartment_thickness(c);
    const double theta = st.water_content(c);
    const double f = static_cast<double>(st.aggregate_porosity(c)) / st.porosity(c);
    const double cm = st.mobile_concentration(c, s);
    return {cm * std::max(0.0, theta - st.immobile_water_content(c)) * dz,
            sorbed_concentration(st.sorption_coefficient(c, s), cm, st.sorption_exponent(c, s)) * (1.0 - f) * dz
                * st.bulk_density(c),
            cm * st.henry_constant(s) * (st.porosity(c) - theta) * dz};
}

// The inventory of substance s in the soil compartments as the rows of the
// model hold it: both regions with their water, sorbent (shared in
// proportion to the pore space) and soil air, and the irreversible stores;
// a mobile region without water holds nothing.
void take_inventory(const ModelState& st, int s, SubstanceBookkeeping& books)
{
    books.dissolved = books.sorbed = books.gaseous = books.irreversible = 0.0;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        const double dz = st.compartment_thickness(c);
        const double theta_im = st.immobile_water_content(c);
        const double f = static_cast<double>(st.aggregate_porosity(c)) / st.porosity(c);
        const double soil = dz * st.bulk_density(c);
        const double cim = st.immobile_concentration(c, s);
        if (has_mobile_water(st, c)) {
            const MobileMass mobile = mobile_mass(st, c, s);
            books.dissolved += mobile.dissolved;
            books.sorbed += mobile.sorbed;
            books.gaseous += mobile.gaseous;
        }
        books.dissolved += cim * theta_im * dz;
        books.sorbed += sorbed_concentration(st.sorption_coefficient(c, s), cim, st.sorption_exponent(c, s)) * f * soil;
        books.irreversible += (static_cast<double>(st.mobile_irreversible_sorbed(c, s)) * (1.0 - f)
                               + static_cast<double>(st.immobile_irreversible_sorbed(c, s)) * f)
                              * soil;
    }
}

// Substance the model's own sums count in a mobile region without water,
// where the rows hold none: it reappears when the water returns.
void book_phantom_mass(const ModelState& st, int s, SubstanceBookkeeping& books)
{
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        if (has_mobile_water(st, c) || st.mobile_concentration(c, s) <= 0.0f) {
            continue;
        }
        const MobileMass mobile = mobile_mass(st, c, s);
        const double phantom = mobile.sorbed + mobile.gaseous;
        if (phantom > books.largest_phantom_sorbed) {
            books.largest_phantom_sorbed = phantom;
            books.phantom_day = day_of(st);
            books.phantom_compartment = c;
        }
    }
}

void book_water(const ModelState& st, const StageResult& predictor, const StageResult& corrector,
                WaterBookkeeping& water)
{
    const double dt = st.time_step;
    const double surface = corrector.fluxes.water(2) * dt;
    const double lower = corrector.fluxes.water(st.compartment_count) * dt;
    water.surface_inflow += surface;
    water.lower_outflow += lower;
    water.entered += std::max(surface, 0.0);
    water.drained += std::max(lower, 0.0);
    water.wet_limit_hits += predictor.limits.wet + corrector.limits.wet;
    water.dry_limit_hits += predictor.limits.dry + corrector.limits.dry;
    water.wet_limit_water += corrector.limits.wet_water;
    water.dry_limit_water += corrector.limits.dry_water;
}

void book_substance(const ModelState& st, int s, const StageResult& corrector, SubstanceBookkeeping& books)
{
    const double dt = st.time_step;
    books.applied += static_cast<double>(st.surface_input_flux(s)) * dt;
    books.entered_from_above += corrector.fluxes.substance(s)(2) * dt;
    books.leached += corrector.fluxes.substance(s)(st.compartment_count) * dt;
    books.degraded += degraded_in_step(st, s);
    books.negative_mass_cleared += corrector.negative_mass_cleared(s);
    book_phantom_mass(st, s, books);
}

void book_oscillations(const ModelState& st, OscillationBookkeeping& oscillation)
{
    for (int c = 3; c <= st.compartment_count - 2; ++c) {
        const float h = st.matric_potential(c);
        const float above = st.matric_potential(c - 1);
        const float below = st.matric_potential(c + 1);
        if (h > oscillation_ratio * above && h > oscillation_ratio * below) {
            if (oscillation.count == 0) {
                oscillation.first_day = day_of(st);
                oscillation.first_compartment = c;
                oscillation.first_suctions = {above, h, below};
            }
            ++oscillation.count;
        }
    }
}

}  // namespace

void Extreme::keep_if_larger(double candidate, double at_day)
{
    if (std::fabs(candidate) > std::fabs(value)) {
        value = candidate;
        day = at_day;
    }
}

double WaterBookkeeping::relative_error() const
{
    return 100.0 * error() / std::max({entered, drained, smallest_water_reference});
}

double SubstanceBookkeeping::relative_error() const
{
    const double reference = applied + initial_inventory;
    if (reference <= 0.0) {
        return error() == 0.0 ? 0.0 : 100.0;
    }
    return 100.0 * error() / reference;
}

double stored_water(const ModelState& st)
{
    double water = 0.0;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        water += static_cast<double>(st.water_content(c)) * st.compartment_thickness(c);
    }
    return water;
}

double substance_inventory(const ModelState& st, int s)
{
    SubstanceBookkeeping books;
    take_inventory(st, s, books);
    return books.inventory();
}

double degraded_in_step(const ModelState& st, int s)
{
    double rate = 0.0;
    for (int c = 2; c <= st.compartment_count - 1; ++c) {
        rate += static_cast<double>(st.mobile_degradation(c, s)) + st.immobile_degradation(c, s);
    }
    return -rate * st.time_step;
}

double day_of(const ModelState& st) { return st.simulation_time / clock_seconds_per_day; }

void start_diagnostics(const ModelState& st, RunDiagnostics& diagnostics)
{
    diagnostics.water.initial_storage = diagnostics.water.storage = stored_water(st);
    diagnostics.substance_count = st.substance_count;
    for (int s = 1; s <= st.substance_count; ++s) {
        SubstanceBookkeeping& books = diagnostics.substance(s);
        take_inventory(st, s, books);
        books.initial_inventory = books.inventory();
    }
    diagnostics.first_unconverged.reserve(RunDiagnostics::kept_unconverged);
}

void book_step(const ModelState& st, const StageResult& predictor, const StageResult& corrector,
               RunDiagnostics& diagnostics)
{
    book_water(st, predictor, corrector, diagnostics.water);
    for (int s = 1; s <= st.substance_count; ++s) {
        book_substance(st, s, corrector, diagnostics.substance(s));
    }
    book_oscillations(st, diagnostics.oscillation);
}

void book_unconverged(const ModelState& st, bool corrector, bool solutes, const PhaseResult& phase,
                      RunDiagnostics& diagnostics)
{
    if (diagnostics.first_unconverged.size() < RunDiagnostics::kept_unconverged) {
        diagnostics.first_unconverged.push_back({day_of(st), corrector, solutes, phase.relative_residual});
    }
}

void take_inventories(const ModelState& st, RunDiagnostics& diagnostics)
{
    diagnostics.water.storage = stored_water(st);
    for (int s = 1; s <= st.substance_count; ++s) {
        take_inventory(st, s, diagnostics.substance(s));
    }
}

void book_output_time(const ModelState& st, RunDiagnostics& diagnostics)
{
    take_inventories(st, diagnostics);
    const double day = day_of(st);
    diagnostics.water.largest_relative_error.keep_if_larger(diagnostics.water.relative_error(), day);
    for (int s = 1; s <= st.substance_count; ++s) {
        SubstanceBookkeeping& books = diagnostics.substance(s);
        books.largest_relative_error.keep_if_larger(books.relative_error(), day);
    }
}

}  // namespace soilcolumn
