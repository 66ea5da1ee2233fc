#pragma once
// The report page: one self-contained HTML file (the plotting library, the
// chart definitions and their data all inline), in the order a reader
// asks: what ran, whether to trust it, the endpoint, breakthrough, profiles,
// balances, the solver's figures.

#include <string>
#include <string_view>

#include "report/run_outputs.hpp"

namespace soilcolumn::report {

// The page for the run's outputs; `generated_at` is printed as the time
// the report was written.
std::string render_report(const RunOutputs& outputs, std::string_view generated_at);

// Text for HTML: &, <, >, " and ' as entities.
std::string escape_html(std::string_view text);

// JSON text made safe inside a <script> element: every '<' as \u003c.
std::string script_safe_json(std::string_view json);

// A number for reading: `digits` significant digits, no trailing zeros.
std::string format_number(double value, int digits = 4);

// The English meaning of a warning of the model and what to do about it.
struct WarningAdvice {
    std::string meaning;
    std::string what_to_do;
};
WarningAdvice advice_for_warning(std::string_view warning);

}  // namespace soilcolumn::report
