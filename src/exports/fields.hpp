#pragma once
// The values that the exports write, each with its column name, in one
// place: every file's header and rows come from the same visit, so a
// column cannot lose its header or change places. Names are snake_case and
// carry the unit (_m, _m_s, _g_m3, _g_m2, _g_kg, _s, _d); a value per
// substance ends in _s1.._s4.

#include <functional>
#include <string>
#include <string_view>

#include "driver/run_record.hpp"
#include "exports/number_text.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {
class ObservationSeries;
}

namespace soilcolumn::exports {

// Receives one field: its base name, the substance it belongs to (0: none)
// and its value.
using FieldSink = std::function<void(std::string_view name, int substance, const Number& value)>;

// The column name of a field: the base name, then _s<substance>.
std::string field_name(std::string_view name, int substance);

// The clock: time_s (64-bit seconds) and time_d (days, as the result files count them).
void visit_time_fields(const ModelState& st, const FieldSink& sink);

// One compartment c at an output time: depth, suction, water content and
// the concentrations of both regions, dissolved and sorbed.
void visit_profile_fields(const ModelState& st, int c, const FieldSink& sink);

// One face c (between compartments c-1 and c, 2..N) at an output time.
void visit_flux_fields(const ModelState& st, int c, const FieldSink& sink);

// One observation depth k of a 4-hour record.
void visit_observation_fields(const ModelState& st, const ObservationSeries& series, int k,
                              const FieldSink& sink);

// The water and substance balances of the run so far, and what the run's
// record adds to them. The same fields end balances.csv's rows and make the
// final balances of summary.json.
void visit_balance_fields(const ModelState& st, const RunRecord& record, const FieldSink& sink);

// The balances that the run's own 64-bit books form from the fluxes the
// solved rows sent through the soil surface and the lower face, and their
// errors: what the residual columns above cannot show.
void visit_balance_check_fields(const RunDiagnostics& books, int substances, const FieldSink& sink);

}  // namespace soilcolumn::exports
