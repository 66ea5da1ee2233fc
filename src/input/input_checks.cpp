#include "input/input_checks.hpp"

#include <cmath>
#include <string>

#include "input/orderly_stop.hpp"
#include "records/format.hpp"
#include "soil/campbell_ghm_relations.hpp"
#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

// Integer values of arbitrary size are named through an A item, so that the
// message shows them whatever their number of digits.
std::string as_text(std::int32_t value) { return std::to_string(value); }

bool uses_ghm_line(const SoilType& row)
{
    return row.conductivity_model == 7 || row.retention_model == 8;
}

// The clock starts one second before the period: the first step begins at -1 s.
constexpr double clock_start = -1.0;

// A dissolved concentration cannot exceed the mass of the water that holds
// it, 1e6 g in a cubic metre; the solubilities of the substances the model
// is meant for lie far below.
constexpr ValidRange concentration_range{0.0f, 1.0e6f, true, "0 bis 1E+06 g/m3"};

// A compartment is a layer of the column: thinner than nothing is no layer,
// and beyond 10 m it is no longer a layer of a soil profile (from 0.5 m on
// the model warns of numerical dispersion).
constexpr ValidRange thickness_range{0.0f, 10.0f, false, "0 bis 10 m, ohne 0"};

}  // namespace

std::string numbered(std::string_view what, std::int32_t number)
{
    return std::string(what) + records::render_integer(number, 4);
}

void check_within(records::OutputUnit& console, std::string_view where, float value,
                  std::string_view unit, const ValidRange& range)
{
    if (range.contains(value)) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,A,' =',G11.4,A,/,' ausserhalb des zulaessigen Bereiches ',A,' !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {where, value, unit, range.text});
}

void check_compartment_count(records::OutputUnit& console, std::int32_t count)
{
    // Compartments 1 and N are boundary nodes: at least one soil compartment
    // must lie between them.
    if (count >= 3 && count <= max_compartments) {
        return;
    }
    const std::string value = as_text(count);
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Anzahl der Kompartimente ',A,' ausserhalb des',"
             "' zulaessigen Bereiches 3 bis 100 !',/,3X,'***Programm abgebrochen***',/)",
             {std::string_view(value)});
}

void check_time_step(records::OutputUnit& console, float time_step)
{
    // The step length divides the storage terms of every equation.
    if (time_step > 0.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Zeitschritt',G11.4,' s ist nicht positiv !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {time_step});
}

void check_simulated_period(records::OutputUnit& console, float end_days, float end_seconds)
{
    // A period of 0 still makes one step; the bound keeps the weather loop,
    // which reads one record per simulated day, to a million records.
    if (end_seconds >= 0.0f && end_seconds <= max_clock_days * seconds_per_day) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Simulationsende',G11.4,' Tage ausserhalb des',"
             "' zulaessigen Bereiches 0 bis 1E+06 Tage !',/,3X,'***Programm abgebrochen***',/)",
             {end_days});
}

void check_clock_advances(records::OutputUnit& console, float time_step, float end_seconds)
{
    // The clock is kept in 64 bits and advanced by the 32-bit step: a step
    // below half a unit of its last place leaves it where it is, and the
    // run would never end. It must move at the start and at the end.
    const double step = static_cast<double>(time_step);
    const double end = static_cast<double>(end_seconds);
    const bool moves_at_start = clock_start + step != clock_start;
    const bool moves_at_end = end + step != end;
    if (moves_at_start && moves_at_end) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Zeitschritt',G11.4,' s ist zu klein: die Uhr der',"
             "' Simulation',/,' bleibt bei',F14.1,' s stehen !',/,3X,'***Programm abgebrochen***',/)",
             {time_step, moves_at_start ? end : clock_start});
}

void check_step_count(records::OutputUnit& console, float time_step, float end_days,
                      float end_seconds)
{
    // With the clock starting at -1 s the run makes the whole part of
    // (end + 1) / step steps, plus one.
    const double steps =
        std::floor((static_cast<double>(end_seconds) - clock_start) / time_step) + 1.0;
    if (steps <= max_step_count) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Simulationsende',G11.4,' Tage mit dem Zeitschritt',"
             "G11.4,' s',/,' erfordert',G11.4,' Zeitschritte; zulaessig sind hoechstens',"
             "' 1E+08 !',/,3X,'***Programm abgebrochen***',/)",
             {end_days, time_step, steps});
}

void check_dispersivity(records::OutputUnit& console, float dispersivity)
{
    // A length of mixing: 0 means no mechanical dispersion.
    check_within(console, "Datei vekin.txt, Ausgabesteuerung: Dispersivitaet", dispersivity,
                 " m", {0.0f, 3.4e38f, true, "ab 0 m"});
}

void check_output_interval(records::OutputUnit& console, float interval_days,
                           float interval_seconds)
{
    // 0 writes the profiles after every step; a value too large for the
    // 32-bit timer would never be reached.
    if (interval_seconds >= 0.0f && std::isfinite(interval_seconds)) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Ausgabeintervall',G11.4,' Tage ausserhalb des',"
             "' zulaessigen Bereiches',/,' 0 bis 3.9E+33 Tage (in Sekunden endlich) !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {interval_days});
}

void check_weather_start_reachable(records::OutputUnit& console, float start_days,
                                   float start_seconds)
{
    // The weather loop reads one record per day of the offset before the
    // first step; the lower end (1 s) is checked before the first step.
    if (!(start_seconds > max_clock_days * seconds_per_day)) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Wetterbeginn',G11.4,' Tage ausserhalb des',"
             "' zulaessigen Bereiches 1 s bis 1E+06 Tage !',/,3X,'***Programm abgebrochen***',/)",
             {start_days});
}

void check_observation_depth_count(records::OutputUnit& console, std::int32_t count)
{
    if (count >= 0 && count <= max_observation_depths) {
        return;
    }
    const std::string value = as_text(count);
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Anzahl der Ausgabeteufen ',A,' ausserhalb des',"
             "' zulaessigen Bereiches 0 bis 5 !',/,3X,'***Programm abgebrochen***',/)",
             {std::string_view(value)});
}

void check_soil_type_number(records::OutputUnit& console, std::int32_t position, std::int32_t k)
{
    if (k >= 1 && k <= max_soil_types) {
        return;
    }
    const std::string value = as_text(k);
    stop_run(console,
             "(1X,/,1X,'Datei vekin.txt: Bodenartnummer ',A,' im',I4,'-ten Bodenartensatz',"
             "' ausserhalb des Bereiches 1 bis 100 !',/,3X,'***Programm abgebrochen***',/)",
             {std::string_view(value), position});
}

void check_texture_sum(records::OutputUnit& console, std::int32_t position, const SoilType& row)
{
    // Summed in single precision in the order of the record. The margin lets
    // fractions whose decimal sum is exactly 0.98 or 1.02 pass although their
    // binary sum may lie one unit of the last place outside.
    constexpr float lowest_sum = 0.98f - 1.0e-6f;
    constexpr float highest_sum = 1.02f + 1.0e-6f;
    float sum = 0.0f;
    for (int j = 1; j <= texture_class_count; ++j) {
        sum = sum + row.texture_fractions(j);
    }
    if (sum >= lowest_sum && sum <= highest_sum) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Summe der Massenanteile des',I4,'-ten',' Kompartimentes ungleich 1 !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {position});
}

void check_reference_point(records::OutputUnit& console, std::int32_t position,
                           const SoilType& row)
{
    if (uses_ghm_line(row) && row.reference_water_content < 0.001f) {
        stop_run(console,
                 "(1X,/,1X,'Bei Wahl des GHM-Modells im',I4,'-ten',/,"
                 "' Kompartiment muss h und theta angegeben werden !',/,"
                 "3X,'***Programm abgebrochen***',/)",
                 {position});
    }
    // The GHM line runs from a fixed anchor (h = 100 e^-7.89 m, theta =
    // e^4.02 / 100) through the reference point; its slope B is used as 1/B.
    // A point at the anchor's water content (B infinite), at the anchor's
    // suction (B zero) or with a suction of zero or below gives no line.
    const bool line_used = uses_ghm_line(row) || row.saturated_conductivity_method == 8;
    if (!line_used) {
        return;
    }
    const float slope = ghm_exponent(row.reference_potential, row.reference_water_content);
    if (std::isfinite(slope) && slope != 0.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Bei Wahl des GHM-Modells im',I4,'-ten Bodenartensatz ergibt',/,"
             "' der Punkt h, theta keine Gerade durch den Ankerpunkt',"
             "' (h = 0.0375 m, theta = 0.557):',/,' h     =',G11.4,/,' theta =',G11.4,/,"
             "3X,'***Programm abgebrochen***',/)",
             {position, row.reference_potential, row.reference_water_content});
}

void check_model_combination(records::OutputUnit& console, std::int32_t position,
                             const SoilType& row)
{
    // Conductivity model 2 uses the exponents and the junction water content
    // of the two pore systems, which only retention model 2 derives.
    if (row.conductivity_model != 2 || row.retention_model == 2) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Im',I4,'-ten Bodenartensatz ist das Leitfaehigkeitsmodell 2',"
             "' nur mit dem Retentionsmodell 2 moeglich, angegeben ist',I4,' !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {position, row.retention_model});
}

void check_organic_matter(records::OutputUnit& console, std::int32_t position,
                          const SoilType& row)
{
    // A mass fraction of the solid matter.
    check_within(console, numbered("Datei vekin.txt, Bodenartensatz", position) + ": Organikanteil",
                 row.organic_matter_fraction, "", {0.0f, 1.0f, true, "0 bis 1"});
}

void check_compartment_values(records::OutputUnit& console, const ModelState& st,
                              std::int32_t c)
{
    const std::string compartment = numbered("Datei vekin.txt, Kompartiment", c);
    check_within(console, compartment + ": Dicke", st.compartment_thickness(c), " m",
                 thickness_range);
    for (int s = 1; s <= st.substance_count; ++s) {
        const std::string substance = compartment + numbered(", Stoff", s);
        check_within(console, substance + ": Anfangskonzentration", st.mobile_concentration(c, s),
                     " g/m3", concentration_range);
        // Below 1e-15 the coefficient counts as not given and the exponent of
        // the record is replaced by the substance's default.
        const float coefficient = st.sorption_coefficient(c, s);
        check_within(console, substance + ": Sorptionskoeffizient", coefficient, "",
                     sorption_constant_range);
        if (coefficient >= 1e-15f) {
            check_within(console, substance + ": Freundlich-Exponent", st.sorption_exponent(c, s),
                         "", freundlich_exponent_range);
        }
    }
}

void check_compartment_soil_type(records::OutputUnit& console, const ModelState& st,
                                 std::int32_t c)
{
    const std::int32_t k = st.compartment_soil_type(c);
    if (k < 1 || k > max_soil_types) {
        const std::string value = as_text(k);
        stop_run(console,
                 "(1X,/,1X,'Datei vekin.txt: Bodenartnummer ',A,' im',I4,'-ten Kompartiment',"
                 "' ausserhalb des Bereiches 1 bis 100 !',/,3X,'***Programm abgebrochen***',/)",
                 {std::string_view(value), c});
    }
    // A row that no record wrote is all zero: no texture, no models.
    if (!st.soil_type(k).defined) {
        const std::string value = as_text(k);
        stop_run(console,
                 "(1X,/,1X,'Datei vekin.txt: Bodenart ',A,' des',I4,'-ten Kompartimentes',"
                 "' ist in keinem Bodenartensatz angegeben !',/,3X,'***Programm abgebrochen***',/)",
                 {std::string_view(value), c});
    }
}

void check_porosity(records::OutputUnit& console, std::int32_t c, float porosity)
{
    if (porosity > 0.0f && porosity < 1.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Die Porositaet des',I4,'-ten Kompartimentes muss zwischen 0 und 1',"
             "' liegen:',G11.4,/,3X,'***Programm abgebrochen***',/)",
             {c, porosity});
}

void warn_outside_verified_range(records::OutputUnit& console, const ModelState& st,
                                 std::int32_t c)
{
    if (st.compartment_thickness(c) > 0.5f) {
        write_warning(console, "(1X,/,4X,'WARNUNG: Bei dieser Kompartimentlaenge',' ist mit hoher',/,"
                             "3X,' numerischer Dispersion',' zu rechnen !',/)");
    }
    if (st.porosity(c) < 0.25f || st.porosity(c) > 0.7f) {
        write_warning(console, "(1X,/,4X,'WARNUNG: Das Programm ist fuer die',"
                             "' angesetzte Poroesitaet',/,3X,' nicht verifiziert !',/)");
    }
    if (st.organic_matter_fraction(c) > 0.05f) {
        write_warning(console, "(1X,/,4X,'WARNUNG: Das Programm ist fuer den',"
                             "' angesetzten Organikanteil',/,3X,' nicht verifiziert !',/)");
    }
}

void check_saturated_conductivity(records::OutputUnit& console, const ModelState& st,
                                  std::int32_t c)
{
    const float conductivity = st.saturated_conductivity(c);
    check_finite(console, st, c, "saturated_conductivity", conductivity);
    // Without conductivity no water moves and the face means divide zero by zero.
    if (conductivity > 0.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Die gesaettigte Leitfaehigkeit des',I4,'-ten Kompartimentes',"
             "' ist nicht positiv:',G11.4,/,' (Bodenart',I4,': Ks und Schaetzverfahren',"
             "' pruefen)',/,3X,'***Programm abgebrochen***',/)",
             {c, conductivity, st.compartment_soil_type(c)});
}

void check_aggregate_pores(records::OutputUnit& console, const ModelState& st, std::int32_t c)
{
    // The aggregated-soil model needs pores between the aggregates: with the
    // aggregates filling the whole pore space the exponent of the second
    // pore system divides by ln(porosity) - ln(aggregate porosity) = 0. A
    // larger aggregate porosity is refused by the model itself.
    const float aggregate_porosity =
        1.0f - st.aggregate_density(c) / (2650.0f - 1150.0f * st.organic_matter_fraction(c));
    if (aggregate_porosity != st.porosity(c)) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Die Aggregatporositaet des',I4,'-ten Kompartimentes ist gleich',"
             "' der Gesamtporositaet:',G11.4,/,' (Retentionsmodell 2 braucht Poren zwischen',"
             "' den Aggregaten)',/,3X,'***Programm abgebrochen***',/)",
             {c, aggregate_porosity});
}

void check_finite(records::OutputUnit& console, const ModelState& st, std::int32_t c,
                  std::string_view quantity, float value)
{
    if (std::isfinite(value)) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Im',I4,'-ten Kompartiment ist der abgeleitete Wert ',A,' nicht endlich',/,"
             "' (Bodenart',I4,': Textur, Porositaet, Organikanteil und Modellwahl pruefen) !',/,"
             "3X,'***Programm abgebrochen***',/)",
             {c, quantity, st.compartment_soil_type(c)});
}

void check_derived_parameters_finite(records::OutputUnit& console, const ModelState& st,
                                     std::int32_t c)
{
    struct NamedColumn {
        std::string_view name;
        CompartmentColumn ModelState::*column;
    };
    static constexpr NamedColumn derived[] = {
        {"bulk_density", &ModelState::bulk_density},
        {"saturated_conductivity", &ModelState::saturated_conductivity},
        {"aggregate_porosity", &ModelState::aggregate_porosity},
        {"dry_end_suction", &ModelState::dry_end_suction},
        {"dry_end_water_content", &ModelState::dry_end_water_content},
        {"air_entry_suction", &ModelState::air_entry_suction},
        {"pore_size_exponent", &ModelState::pore_size_exponent},
        {"second_entry_suction", &ModelState::second_entry_suction},
        {"second_pore_size_exponent", &ModelState::second_pore_size_exponent},
        {"junction_water_content", &ModelState::junction_water_content},
        {"junction_conductivity", &ModelState::junction_conductivity},
        {"water_content_1m", &ModelState::water_content_1m},
        {"water_content_3_3m", &ModelState::water_content_3_3m},
        {"water_content_150m", &ModelState::water_content_150m},
        {"residual_water_content", &ModelState::residual_water_content},
        {"vg_alpha", &ModelState::vg_alpha},
        {"vg_m", &ModelState::vg_m},
        {"vg_n", &ModelState::vg_n},
        {"retention_tortuosity", &ModelState::retention_tortuosity},
        {"conductivity_exponent", &ModelState::conductivity_exponent},
        {"conductivity_residual_water_content", &ModelState::conductivity_residual_water_content},
        {"conductivity_vg_alpha", &ModelState::conductivity_vg_alpha},
        {"conductivity_vg_m", &ModelState::conductivity_vg_m},
        {"conductivity_vg_n", &ModelState::conductivity_vg_n},
        {"conductivity_vg_l", &ModelState::conductivity_vg_l},
        {"gardner_a", &ModelState::gardner_a},
        {"gardner_b", &ModelState::gardner_b},
    };
    for (const NamedColumn& entry : derived) {
        check_finite(console, st, c, entry.name, (st.*entry.column)(c));
    }
}

}  // namespace soilcolumn
