#include "diagnostics/run_warnings.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "input/orderly_stop.hpp"

namespace soilcolumn {
namespace {

constexpr std::string_view strong_mark = " (schwerwiegend)";

std::string_view mark(bool strong) { return strong ? strong_mark : std::string_view{}; }

// A step a quarter as long resolves what the step in use did not.
double suggested_step(const ModelState& st) { return std::floor(st.time_step / 4.0f); }

double largest_magnitude(const Extreme& over_outputs, double at_end)
{
    return std::max(std::fabs(over_outputs.value), std::fabs(at_end));
}

// Whether a balance error (in %, the largest at the output times and the
// one at the end) calls for a warning, and whether for a strong one, which
// the record counts; none when it is within the tolerance.
std::optional<bool> judge_balance(const Extreme& over_outputs, double at_end, RunRecord& record)
{
    const double largest = largest_magnitude(over_outputs, at_end);
    if (largest <= balance_warning) {
        return std::nullopt;
    }
    const bool strong = largest > balance_strong_warning;
    record.strong_warnings += strong ? 1 : 0;
    return strong;
}

void warn_water_balance(const ModelState& st, RunRecord& record, records::OutputUnit& console)
{
    const WaterBookkeeping& water = record.diagnostics.water;
    const std::optional<bool> strong = judge_balance(water.largest_relative_error, water.relative_error(), record);
    if (!strong) {
        return;
    }
    write_warning(console,
                  "(1X,/,1X,'WARNUNG: Fehler der Wasserbilanz aus den Randfluessen:',G12.5,' mm (',G11.4,"
                  "' %)',A,/,3X,'groesster Fehler',G11.4,' % am Tag',F10.2,/,3X,"
                  "'Abhilfe: Zeitschritt verkleinern, z. B. auf',F8.0,' s')",
                  {1000.0 * water.error(), water.relative_error(), mark(*strong),
                   water.largest_relative_error.value, water.largest_relative_error.day, suggested_step(st)});
}

void warn_substance_balance(const ModelState& st, int s, RunRecord& record, records::OutputUnit& console)
{
    const SubstanceBookkeeping& books = record.diagnostics.substance(s);
    const std::optional<bool> strong = judge_balance(books.largest_relative_error, books.relative_error(), record);
    if (!strong) {
        return;
    }
    write_warning(console,
                  "(1X,/,1X,'WARNUNG: Fehler der Stoffbilanz von Stoff',I2,':',G12.4,' g/m2 (',G11.4,' %)',A,"
                  "/,3X,'groesster Fehler',G11.4,' % am Tag',F10.2,/,3X,"
                  "'Abhilfe: Zeitschritt verkleinern, z. B. auf',F8.0,' s')",
                  {std::int32_t{s}, books.error(), books.relative_error(), mark(*strong),
                   books.largest_relative_error.value, books.largest_relative_error.day, suggested_step(st)});
}

void warn_leached_more_than_there_was(const ModelState& st, int s, RunRecord& record,
                                      records::OutputUnit& console)
{
    const SubstanceBookkeeping& books = record.diagnostics.substance(s);
    const double available = books.applied + books.initial_inventory + books.entered_from_above;
    if (books.leached <= available) {
        return;
    }
    ++record.strong_warnings;
    write_warning(console,
                  "(1X,/,1X,'WARNUNG: Von Stoff',I2,' wurde mehr ausgewaschen (',G11.4,' g/m2)',"
                  "' als aufgebracht und anfangs vorhanden war (',G11.4,' g/m2)',A,/,3X,"
                  "'Abhilfe: Zeitschritt verkleinern, z. B. auf',F8.0,' s')",
                  {std::int32_t{s}, books.leached, available, strong_mark, suggested_step(st)});
}

void warn_unconverged(const ModelState& st, RunRecord& record, records::OutputUnit& console)
{
    const std::int64_t unconverged = record.water.unconverged + record.solutes.unconverged;
    if (unconverged == 0 || record.diagnostics.first_unconverged.empty()) {
        return;
    }
    const double share = 100.0 * static_cast<double>(unconverged)
                         / static_cast<double>(std::max<std::int64_t>(record.water.stages + record.solutes.stages, 1));
    const bool strong = share > unconverged_strong_share;
    record.strong_warnings += strong ? 1 : 0;
    const UnconvergedStage& first = record.diagnostics.first_unconverged.front();
    write_warning(console,
                  "(1X,/,1X,'WARNUNG:',I9,' Loesungen ohne Konvergenz (',G11.4,' % aller Loesungen)',A,/,3X,"
                  "'zuerst am Tag',F10.2,' im ',A,', ',A,', rel. Residuum',G11.3,/,3X,"
                  "'Abhilfe: Zeitschritt verkleinern, z. B. auf',F8.0,' s')",
                  {static_cast<std::int32_t>(std::min<std::int64_t>(unconverged, INT32_MAX)), share, mark(strong),
                   first.day, first.corrector ? "Korrektor" : "Praediktor",
                   first.solutes ? "Stoffe" : "Wasser", first.relative_residual, suggested_step(st)});
}

void warn_limited_water(RunRecord& record, records::OutputUnit& console)
{
    const WaterBookkeeping& water = record.diagnostics.water;
    const double moved = std::fabs(water.wet_limit_water) + std::fabs(water.dry_limit_water);
    const double share = 100.0 * moved / std::max(water.entered, 0.001);
    if (share <= limit_water_warning) {
        return;
    }
    write_warning(console,
                  "(1X,/,1X,'WARNUNG: An den Grenzen der Saugspannung verworfenes Wasser:',G12.5,' mm (',G11.4,"
                  "' % des eingedrungenen Wassers)',/,3X,I9,' Kompartiment-Stufen an der nassen,',I9,"
                  "' an der trockenen Grenze',/,3X,"
                  "'Abhilfe: duennere Kompartimente oder kleinerer Zeitschritt; die Wasserbilanz ist unsicher')",
                  {1000.0 * moved, share, static_cast<std::int32_t>(std::min<std::int64_t>(water.wet_limit_hits, INT32_MAX)),
                   static_cast<std::int32_t>(std::min<std::int64_t>(water.dry_limit_hits, INT32_MAX))});
}

void warn_oscillation(const ModelState& st, RunRecord& record, records::OutputUnit& console)
{
    const OscillationBookkeeping& oscillation = record.diagnostics.oscillation;
    if (oscillation.count == 0) {
        return;
    }
    ++record.strong_warnings;
    write_warning(console,
                  "(1X,/,1X,'WARNUNG: Die Saugspannung schwingt:',I9,' mal',A,/,3X,'zuerst am Tag',F10.2,"
                  "' in Kompartiment',I4,', Saugspannungen',3G11.3,' m',/,3X,"
                  "'Abhilfe: Zeitschritt verkleinern, z. B. auf',F8.0,' s')",
                  {static_cast<std::int32_t>(std::min<std::int64_t>(oscillation.count, INT32_MAX)), strong_mark,
                   oscillation.first_day, std::int32_t{oscillation.first_compartment}, oscillation.first_suctions[0],
                   oscillation.first_suctions[1], oscillation.first_suctions[2], suggested_step(st)});
}

}  // namespace

void write_end_of_run_warnings(const ModelState& st, RunRecord& record, records::OutputUnit& console)
{
    warn_water_balance(st, record, console);
    for (int s = 1; s <= st.substance_count; ++s) {
        warn_substance_balance(st, s, record, console);
        warn_leached_more_than_there_was(st, s, record, console);
    }
    warn_unconverged(st, record, console);
    warn_limited_water(record, console);
    warn_oscillation(st, record, console);
}

}  // namespace soilcolumn
