#include "report/html_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "report/charts.hpp"
#include "report/embedded_scripts.hpp"

namespace soilcolumn::report {
namespace {

using nlohmann::ordered_json;

const ordered_json* member(const ordered_json& object, std::string_view key)
{
    if (!object.is_object()) return nullptr;
    const auto found = object.find(std::string(key));
    return found == object.end() ? nullptr : &*found;
}

std::string text_of(const ordered_json* value, const char* missing = "not available")
{
    if (value == nullptr) return missing;
    if (value->is_string()) return value->get<std::string>();
    if (value->is_boolean()) return value->get<bool>() ? "yes" : "no";
    if (value->is_number_integer()) return std::to_string(value->get<long long>());
    if (value->is_number()) return format_number(value->get<double>(), 6);
    if (value->is_null()) return "—";
    return value->dump();
}

std::optional<double> number_at(const ordered_json& object, std::string_view key)
{
    const ordered_json* value = member(object, key);
    if (value == nullptr || !value->is_number()) return std::nullopt;
    return value->get<double>();
}

const char* not_available_class = "not-available";

std::string not_available(std::string_view why)
{
    return "<p class=\"" + std::string(not_available_class) + "\">Not available: " + escape_html(why) + "</p>\n";
}

// A chart's place on the page; its definition goes to the page's
// collection under the same id.
class Charts {
public:
    std::string place(const std::string& name, const std::string& title, const std::optional<ordered_json>& chart,
                      std::string_view missing)
    {
        if (!chart) return "<h3>" + escape_html(title) + "</h3>\n" + not_available(missing);
        const std::string id = "chart-" + std::to_string(definitions_.size() + 1);
        definitions_[id] = *chart;
        return "<figure class=\"chart-figure\"><figcaption>" + escape_html(title) +
               "</figcaption><div class=\"chart\" id=\"" + id + "\" data-chart=\"" + escape_html(name) +
               "\"></div></figure>\n";
    }
    const ordered_json& definitions() const { return definitions_; }

private:
    ordered_json definitions_ = ordered_json::object();
};

// --- header ---------------------------------------------------------------

void write_header(std::ostream& out, const RunOutputs& outputs)
{
    const ordered_json& s = outputs.summary;
    const std::string scenario = text_of(member(s, "input_directory"), "unknown");
    out << "<header id=\"header\">\n<h1>Soil column run: " << escape_html(scenario) << "</h1>\n";
    out << "<table class=\"facts\">\n";
    const auto fact = [&out](std::string_view name, const std::string& value, const char* id = nullptr) {
        out << "<tr><th>" << escape_html(name) << "</th><td" << (id ? std::string(" id=\"") + id + "\"" : "") << ">"
            << escape_html(value) << "</td></tr>\n";
    };
    fact("Scenario", scenario, "scenario");
    fact("Output directory", text_of(member(s, "output_directory"), "unknown"));
    std::string program = "not available";
    if (const ordered_json* p = member(s, "program")) {
        program = text_of(member(*p, "name"), "soilcolumn") + " " + text_of(member(*p, "version"), "?") +
                  " (revision " + text_of(member(*p, "revision"), "unknown") + ")";
    }
    fact("Program", program, "program-version");
    fact("Date of the run", outputs.summary_written + " (when summary.json was written)", "run-date");
    if (const ordered_json* line = member(s, "command_line"); line != nullptr && line->is_array()) {
        std::string joined;
        for (const ordered_json& arg : *line) joined += (joined.empty() ? "" : " ") + text_of(&arg);
        fact("Command line", joined);
    }
    if (const ordered_json* period = member(s, "simulated_period")) {
        std::string text = text_of(member(*period, "simulated_days")) + " of " + text_of(member(*period, "planned_days")) +
                           " days in " + text_of(member(*period, "steps")) + " time steps of " +
                           text_of(member(*period, "time_step_s")) + " s";
        const ordered_json* first = member(*period, "first_weather_date");
        if (first != nullptr && first->is_string()) {
            text += "; weather " + first->get<std::string>() + " to " + text_of(member(*period, "last_weather_date"));
        }
        fact("Simulated period", text);
    }
    std::string overrides = "not available";
    if (const ordered_json* o = member(s, "overrides")) {
        std::vector<std::string> given;
        for (const auto& [key, value] : o->items()) {
            if (value.is_null()) continue;
            given.push_back(key == "time_step_s"      ? "time step " + text_of(&value) + " s (--time-step)"
                            : key == "simulated_days" ? "simulated period " + text_of(&value) + " d (--days)"
                                                      : key + " = " + text_of(&value));
        }
        overrides = given.empty() ? "none: the settings of vekin.txt" : "";
        for (std::size_t i = 0; i < given.size(); ++i) overrides += (i ? "; " : "") + given[i];
    }
    fact("Overrides", overrides, "overrides");
    // Runs written before the numerics could be chosen used the classic scheme.
    const ordered_json* numerics = member(s, "numerics");
    fact("Numerics", numerics != nullptr ? text_of(member(*numerics, "mode"), "classic") : "classic", "numerics-mode");
    if (const auto wall = number_at(s, "wall_time_s")) fact("Wall time", format_number(*wall, 3) + " s");
    out << "</table>\n";

    out << "<h2>Inputs</h2>\n";
    const ordered_json* inputs = member(s, "inputs");
    if (inputs == nullptr || !inputs->is_array() || inputs->empty()) {
        out << not_available("the summary lists no input files");
    } else {
        out << "<table class=\"inputs\" id=\"inputs\"><thead><tr><th>file</th><th>bytes</th><th>SHA-256</th></tr></thead><tbody>\n";
        for (const ordered_json& input : *inputs) {
            out << "<tr><td>" << escape_html(text_of(member(input, "name"), "?")) << "</td><td class=\"number\">"
                << escape_html(text_of(member(input, "bytes"))) << "</td><td class=\"digest\">"
                << escape_html(member(input, "sha256") && (*member(input, "sha256")).is_string()
                                   ? text_of(member(input, "sha256"))
                                   : std::string("not readable"))
                << "</td></tr>\n";
        }
        out << "</tbody></table>\n";
    }
    out << "</header>\n";
}

// --- status ---------------------------------------------------------------

std::string status_meaning(const std::string& status)
{
    if (status == "ok") return "The run completed without warnings. Nothing to do.";
    if (status == "warning") {
        return "The run completed with the warnings below. Check each of them before using the results.";
    }
    if (status == "unsafe") {
        return "The run completed, but its numbers cannot be trusted (see the diagnostics at the end). Do not use "
               "these results: run again with a smaller time step (for example 'soilcolumn run DIR --time-step "
               "900') and compare.";
    }
    if (status == "stopped") {
        return "The run stopped because the input is inconsistent; the message says what. Correct the input and "
               "run again.";
    }
    if (status == "failed") return "The run failed; the message says why. Remove the cause and run again.";
    return "The summary gives no status this report knows.";
}

void write_status(std::ostream& out, const RunOutputs& outputs)
{
    const ordered_json& s = outputs.summary;
    const ordered_json* status_value = member(s, "status");
    const std::string status = status_value && status_value->is_string() ? status_value->get<std::string>() : "unknown";
    out << "<section id=\"status\" class=\"status status-" << escape_html(status) << "\" data-status=\""
        << escape_html(status) << "\">\n";
    out << "<h2>Status: <span id=\"status-value\">" << escape_html(status) << "</span>";
    if (const ordered_json* exit = member(s, "exit_status")) {
        out << " <small>(exit status " << escape_html(text_of(exit)) << ")</small>";
    }
    out << "</h2>\n<p class=\"status-meaning\">" << escape_html(status_meaning(status)) << "</p>\n";
    if (const ordered_json* message = member(s, "message"); message && message->is_string() && !message->get<std::string>().empty()) {
        out << "<p>Message of the run:</p><pre class=\"message\">" << escape_html(message->get<std::string>()) << "</pre>\n";
    }
    const ordered_json* warnings = member(s, "warnings");
    if (warnings == nullptr || !warnings->is_array()) {
        out << not_available("the summary has no list of warnings");
    } else if (warnings->empty()) {
        out << "<p id=\"warning-count\" data-count=\"0\">No warnings.</p>\n";
    } else {
        out << "<p id=\"warning-count\" data-count=\"" << warnings->size() << "\">" << warnings->size()
            << (warnings->size() == 1 ? " warning" : " warnings") << ":</p>\n<ol id=\"warnings\">\n";
        for (const ordered_json& warning : *warnings) {
            const std::string text = text_of(&warning);
            const WarningAdvice advice = advice_for_warning(text);
            out << "<li class=\"warning\"><pre class=\"warning-text\">" << escape_html(text) << "</pre>"
                << "<p><strong>Meaning:</strong> " << escape_html(advice.meaning) << "</p>"
                << "<p><strong>What to do:</strong> " << escape_html(advice.what_to_do) << "</p></li>\n";
        }
        out << "</ol>\n";
    }
    out << "</section>\n";
}

// --- endpoint ---------------------------------------------------------------

std::string ug_l(const ordered_json* value)
{
    return value && value->is_number() ? format_number(value->get<double>()) + " µg/L" : "—";
}

void write_endpoint_cell(std::ostream& out, const ordered_json& e, int substance, const char* location)
{
    const ordered_json* value = member(e, "value_ug_l");
    out << "<td class=\"endpoint-value number\" data-substance=\"" << substance << "\" data-location=\"" << location
        << "\" data-value=\"" << (value && value->is_number() ? value->dump() : std::string("null")) << "\">"
        << escape_html(ug_l(value)) << "</td>";
    const ordered_json* exceeds = member(e, "exceeds_limit");
    const std::string flag = exceeds && exceeds->is_boolean() ? (exceeds->get<bool>() ? "true" : "false") : "null";
    out << "<td class=\"exceeds exceeds-" << flag << "\" data-substance=\"" << substance << "\" data-location=\""
        << location << "\" data-exceeds=\"" << flag << "\">"
        << (flag == "true" ? "exceeded" : flag == "false" ? "not exceeded" : "—") << "</td>";
    out << "<td class=\"number\">" << escape_html(ug_l(member(e, "percentile_80_ug_l"))) << "</td>";
    std::string periods = text_of(member(e, "usable_periods"), "?") + " usable";
    if (const ordered_json* all = member(e, "periods"); all && all->is_array()) {
        periods += " of " + std::to_string(all->size());
    }
    const ordered_json* low = member(e, "lower_rank_period");
    const ordered_json* high = member(e, "upper_rank_period");
    if (low && low->is_object()) {
        periods += "; from " + period_label(*low);
        if (high && high->is_object() && period_label(*high) != period_label(*low)) periods += " and " + period_label(*high);
    }
    out << "<td>" << escape_html(periods) << "</td>";
    out << "<td>" << escape_html(text_of(member(e, "note"), "")) << "</td>";
}

void write_periods_table(std::ostream& out, const ordered_json& e, const std::string& caption)
{
    const ordered_json* periods = member(e, "periods");
    if (periods == nullptr || !periods->is_array() || periods->empty()) return;
    out << "<table class=\"periods\"><caption>" << escape_html(caption)
        << "</caption><thead><tr><th>period</th><th>water (mm)</th><th>mass (g/m²)</th><th>concentration (µg/L)</th></tr></thead><tbody>\n";
    for (const ordered_json& period : *periods) {
        out << "<tr><td>" << escape_html(period_label(period)) << "</td><td class=\"number\">"
            << escape_html(text_of(member(period, "water_mm"))) << "</td><td class=\"number\">"
            << escape_html(text_of(member(period, "mass_g_m2"))) << "</td><td class=\"number\">"
            << escape_html(text_of(member(period, "concentration_ug_l"))) << "</td></tr>\n";
    }
    out << "</tbody></table>\n";
}

void write_annual_table(std::ostream& out, const RunOutputs& outputs)
{
    if (!outputs.annual) {
        out << "<h3>Annual balances</h3>\n" << not_available("the run wrote no annual.csv");
        return;
    }
    const CsvTable& annual = *outputs.annual;
    out << "<details class=\"annual\"><summary>Annual balances (annual.csv, " << annual.rows()
        << " years)</summary>\n<div class=\"wide\"><table class=\"annual-table\"><thead><tr>";
    for (const std::string& column : annual.columns) out << "<th>" << escape_html(column) << "</th>";
    out << "</tr></thead><tbody>\n";
    for (std::size_t row = 0; row < annual.rows(); ++row) {
        out << "<tr>";
        for (std::size_t column = 0; column < annual.columns.size(); ++column) {
            const double v = annual.values[column][row];
            out << "<td class=\"number\">" << (std::isnan(v) ? std::string("NA") : format_number(v, 6)) << "</td>";
        }
        out << "</tr>\n";
    }
    out << "</tbody></table></div></details>\n";
}

void write_endpoint(std::ostream& out, const RunOutputs& outputs, Charts& charts)
{
    out << "<section id=\"endpoint\">\n<h2>Endpoint</h2>\n";
    const ordered_json* endpoint = member(outputs.summary, "endpoint");
    if (endpoint == nullptr || !endpoint->is_object()) {
        out << "<div id=\"endpoint-missing\">"
            << not_available("this run's summary.json has no endpoint (it was written by a program that does "
                             "not compute it)")
            << "</div>\n";
        write_annual_table(out, outputs);
        out << "</section>\n";
        return;
    }
    const std::optional<double> limit = number_at(*endpoint, "limit_ug_l");
    out << "<p>Mean concentration of the leachate at the target depth and at the lower boundary, by periods of "
        << escape_html(text_of(member(*endpoint, "period_years"), "?")) << " years after a warm-up of "
        << escape_html(text_of(member(*endpoint, "warm_up_years"), "?")) << " years. Limit: <span id=\"endpoint-limit\">"
        << escape_html(limit ? format_number(*limit) + " µg/L" : std::string("not given")) << "</span>.</p>\n";
    const std::string target = "target depth " + text_of(member(*endpoint, "target_depth_m"), "?") + " m (face " +
                               text_of(member(*endpoint, "target_face"), "?") + " at " +
                               text_of(member(*endpoint, "target_face_depth_m"), "?") + " m)";
    const std::string lower = "lower boundary (face " + text_of(member(*endpoint, "lower_face"), "?") + " at " +
                              text_of(member(*endpoint, "lower_face_depth_m"), "?") + " m)";
    const ordered_json* substances = member(*endpoint, "substances");
    if (substances == nullptr || !substances->is_array() || substances->empty()) {
        out << not_available("the endpoint lists no substance");
        write_annual_table(out, outputs);
        out << "</section>\n";
        return;
    }
    out << "<table class=\"endpoint\" id=\"endpoint-table\"><thead><tr><th>substance</th><th>where</th>"
           "<th>endpoint</th><th>limit</th><th>80th percentile</th><th>periods used</th><th>note</th></tr></thead><tbody>\n";
    for (const ordered_json& entry : *substances) {
        const int substance = static_cast<int>(number_at(entry, "substance").value_or(0));
        for (const auto& [key, where] : {std::pair{"target", target}, std::pair{"lower", lower}}) {
            out << "<tr><td>" << substance << "</td><td>" << escape_html(where) << "</td>";
            if (const ordered_json* e = member(entry, key); e && e->is_object()) {
                write_endpoint_cell(out, *e, substance, key);
            } else {
                out << "<td colspan=\"5\" class=\"" << not_available_class << "\">not available</td>";
            }
            out << "</tr>\n";
        }
    }
    out << "</tbody></table>\n";
    for (const ordered_json& entry : *substances) {
        const int substance = static_cast<int>(number_at(entry, "substance").value_or(0));
        out << charts.place("endpoint-s" + std::to_string(substance),
                            "Substance " + std::to_string(substance) +
                                ": period concentrations (bars), endpoints (dashed), limit (red)",
                            endpoint_chart(entry, limit), "no period has a concentration");
        out << "<details><summary>Substance " << substance << ": all periods</summary>\n";
        if (const ordered_json* e = member(entry, "target")) write_periods_table(out, *e, target);
        if (const ordered_json* e = member(entry, "lower")) write_periods_table(out, *e, lower);
        out << "</details>\n";
    }
    write_annual_table(out, outputs);
    out << "</section>\n";
}

// --- series -----------------------------------------------------------------

int substance_count(const RunOutputs& outputs)
{
    return std::max({substance_columns(outputs.profiles, "conc_total_g_m3"),
                     substance_columns(outputs.observations, "conc_total_g_m3"),
                     substance_columns(outputs.balances, "entered_g_m2")});
}

void write_breakthrough(std::ostream& out, const RunOutputs& outputs, Charts& charts)
{
    out << "<section id=\"breakthrough\">\n<h2>Breakthrough curves</h2>\n"
           "<p>Total dissolved concentration at the observation depths (observations.csv, every 4 hours).</p>\n";
    const int substances = substance_count(outputs);
    std::optional<double> limit;
    if (const ordered_json* endpoint = member(outputs.summary, "endpoint")) limit = number_at(*endpoint, "limit_ug_l");
    if (substances == 0) out << not_available("the run has no substance");
    for (int s = 1; s <= substances; ++s) {
        out << charts.place("breakthrough-s" + std::to_string(s), "Substance " + std::to_string(s) + ": concentration over time",
                            breakthrough_chart(outputs.observations, s, limit), "observations.csv has no rows for it");
    }
    out << "</section>\n";
}

void write_profiles(std::ostream& out, const RunOutputs& outputs, Charts& charts)
{
    out << "<section id=\"profiles\">\n<h2>Depth–time profiles</h2>\n"
           "<p>Compartments 2..N (profiles.csv); each column averages the output times it spans.</p>\n";
    const char* missing = "profiles.csv has no rows";
    out << charts.place("heat-suction", "Suction", heat_map_chart(outputs.profiles, {"suction_m", "Suction (m)", 1.0, true}), missing);
    out << charts.place("heat-water-content", "Water content",
                        heat_map_chart(outputs.profiles, {"water_content", "Water content (m³/m³)", 1.0, false}), missing);
    for (int s = 1; s <= substance_columns(outputs.profiles, "conc_total_g_m3"); ++s) {
        const std::string name = "conc_total_g_m3_s" + std::to_string(s);
        out << charts.place("heat-conc-s" + std::to_string(s), "Substance " + std::to_string(s) + ": concentration",
                            heat_map_chart(outputs.profiles, {name, "Concentration (µg/L)", 1000.0, true}), missing);
    }
    out << "</section>\n";
}

void write_balances(std::ostream& out, const RunOutputs& outputs, Charts& charts)
{
    out << "<section id=\"balances\">\n<h2>Water balance and substance fate</h2>\n";
    out << charts.place("water-balance", "Cumulative water balance", water_balance_chart(outputs.balances),
                        "balances.csv has no rows");
    for (int s = 1; s <= substance_columns(outputs.balances, "entered_g_m2"); ++s) {
        out << charts.place("fate-s" + std::to_string(s), "Substance " + std::to_string(s) + ": fate over time",
                            fate_chart(outputs.balances, s), "balances.csv has no rows");
    }
    out << "</section>\n";
}

// --- diagnostics --------------------------------------------------------------

struct Label {
    std::string name;
    std::string unit;
};

Label label_of(std::string key)
{
    static const std::pair<const char*, const char*> suffixes[] = {
        {"_percent", "%"}, {"_ug_l", "µg/L"}, {"_g_m2", "g/m²"}, {"_mm", "mm"}, {"_day", "d"}, {"_m", "m"}, {"_s", "s"}};
    Label label;
    for (const auto& [suffix, unit] : suffixes) {
        const std::string_view s(suffix);
        if (key.size() > s.size() && key.ends_with(s)) {
            key.erase(key.size() - s.size());
            label.unit = unit;
            if (s == "_day") key += " (day)";
            break;
        }
    }
    for (char& c : key) {
        if (c == '_') c = ' ';
    }
    label.name = key;
    return label;
}

void diagnostic_row(std::ostream& out, const std::string& group, const std::string& key, const ordered_json* value)
{
    const Label label = label_of(key);
    out << "<tr><td>" << escape_html(group) << "</td><td>" << escape_html(label.name) << "</td><td class=\"number\">"
        << escape_html(text_of(value)) << "</td><td>" << escape_html(value ? label.unit : "") << "</td></tr>\n";
}

void object_rows(std::ostream& out, const std::string& group, const ordered_json& object)
{
    for (const auto& [key, value] : object.items()) {
        if (value.is_object() || value.is_array()) {
            diagnostic_row(out, group, key, nullptr);
            continue;
        }
        diagnostic_row(out, group, key, &value);
    }
}

void write_diagnostics(std::ostream& out, const RunOutputs& outputs)
{
    out << "<section id=\"diagnostics\">\n<h2>Diagnostics</h2>\n";
    const ordered_json* d = member(outputs.summary, "diagnostics");
    if (d == nullptr || !d->is_object()) {
        out << not_available("the summary has no diagnostics") << "</section>\n";
        return;
    }
    out << "<table class=\"diagnostics\" id=\"diagnostics-table\"><thead><tr><th>group</th><th>quantity</th>"
           "<th>value</th><th>unit</th></tr></thead><tbody>\n";
    const std::pair<const char*, const char*> expected[] = {
        {"steps", "Run"},
        {"water", "Water solver"},
        {"solutes", "Solute solver"},
        {"water_balance", "Water balance"},
        {"substance_balances", "Substance balances"},
        {"oscillations", "Oscillations of the suction"},
        {"unconverged_stages", "Unconverged stages"},
    };
    std::vector<std::string> shown;
    for (const auto& [key, group] : expected) {
        shown.push_back(key);
        const ordered_json* value = member(*d, key);
        if (value == nullptr) {
            out << "<tr class=\"" << not_available_class << "\"><td>" << group
                << "</td><td colspan=\"3\">not available: this run's summary does not report it</td></tr>\n";
            continue;
        }
        if (std::string_view(key) == "substance_balances" && value->is_array()) {
            for (const ordered_json& balance : *value) {
                object_rows(out, "Substance " + text_of(member(balance, "substance"), "?") + " balance", balance);
            }
            if (value->empty()) diagnostic_row(out, group, "substances", &*value);
        } else if (std::string_view(key) == "unconverged_stages" && value->is_array()) {
            if (value->empty()) {
                out << "<tr><td>" << group << "</td><td colspan=\"3\">none</td></tr>\n";
            }
            for (const ordered_json& stage : *value) {
                out << "<tr><td>" << group << "</td><td>day " << escape_html(text_of(member(stage, "day"))) << ", "
                    << escape_html(text_of(member(stage, "stage"), "?")) << ", "
                    << escape_html(text_of(member(stage, "phase"), "?")) << "</td><td class=\"number\">"
                    << escape_html(text_of(member(stage, "relative_residual"))) << "</td><td>relative residual</td></tr>\n";
            }
        } else if (value->is_object()) {
            object_rows(out, group, *value);
        } else {
            diagnostic_row(out, group, key, value);
        }
    }
    for (const auto& [key, value] : d->items()) {  // whatever a later program adds
        if (std::find(shown.begin(), shown.end(), key) != shown.end()) continue;
        if (value.is_object()) {
            object_rows(out, label_of(key).name, value);
        } else {
            diagnostic_row(out, "Other", key, value.is_array() ? nullptr : &value);
        }
    }
    out << "</tbody></table>\n</section>\n";
}

// --- page ------------------------------------------------------------------------

constexpr const char* page_style = R"css(
:root { --ok: #1e7d32; --warning: #b26a00; --unsafe: #b71c1c; --ink: #1b1b1b; --rule: #d0d0d0; }
body { font: 14px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif; color: var(--ink);
       max-width: 980px; margin: 1.5em auto; padding: 0 1em; }
h1 { font-size: 1.6em; margin-bottom: .3em; } h2 { border-bottom: 1px solid var(--rule); padding-bottom: .2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: .6em 0; } th, td { border: 1px solid var(--rule); padding: .2em .5em; vertical-align: top; text-align: left; }
th { background: #f3f3f3; } td.number { text-align: right; font-variant-numeric: tabular-nums; }
td.digest { font-family: ui-monospace, "DejaVu Sans Mono", monospace; font-size: .85em; word-break: break-all; }
.facts th { width: 11em; }
.status { border: 3px solid var(--rule); border-left-width: 14px; padding: .3em 1em .6em; margin: 1.2em 0; border-radius: 4px; }
.status h2 { border: none; margin-top: .4em; font-size: 1.5em; }
.status-ok { border-color: var(--ok); } .status-ok #status-value { color: var(--ok); }
.status-warning { border-color: var(--warning); } .status-warning #status-value { color: var(--warning); }
.status-unsafe, .status-stopped, .status-failed { border-color: var(--unsafe); background: #fff5f5; }
.status-unsafe #status-value, .status-stopped #status-value, .status-failed #status-value { color: var(--unsafe); }
pre { white-space: pre-wrap; font-size: .9em; background: #f7f7f7; padding: .3em .5em; margin: .2em 0; }
li.warning { margin-bottom: .7em; } li.warning p { margin: .15em 0; }
.exceeds-true { color: var(--unsafe); font-weight: bold; } .exceeds-false { color: var(--ok); }
.not-available { color: #666; font-style: italic; }
.chart-figure { margin: 1em 0; break-inside: avoid; page-break-inside: avoid; } figcaption { font-weight: 600; margin-bottom: .3em; }
.wide { overflow-x: auto; } .annual-table { font-size: .8em; }
footer { margin-top: 2em; border-top: 1px solid var(--rule); color: #555; font-size: .85em; }
@media print { body { max-width: none; margin: 0; } .status { break-inside: avoid; } h2 { break-after: avoid; } }
)css";

// Draws every chart with vega-embed (SVG, so that printing keeps vectors)
// and marks the page when all are drawn or one failed.
constexpr const char* page_script = R"js(
(function () {
  var definitions = JSON.parse(document.getElementById('chart-definitions').textContent);
  var ids = Object.keys(definitions);
  document.body.setAttribute('data-charts', 'drawing');
  Promise.all(ids.map(function (id) {
    return vegaEmbed('#' + id, definitions[id], { mode: 'vega-lite', renderer: 'svg', actions: false })
      .then(function () { document.getElementById(id).setAttribute('data-drawn', 'true'); });
  })).then(function () {
    document.body.setAttribute('data-charts', 'drawn');
  }, function (error) {
    document.body.setAttribute('data-charts', 'failed');
    console.error('a chart could not be drawn: ' + error);
  });
  window.addEventListener('beforeprint', function () {
    document.querySelectorAll('details').forEach(function (d) { d.open = true; });
  });
})();
)js";

}  // namespace

std::string escape_html(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;  // everything else, UTF-8 included, as it is
        }
    }
    return escaped;
}

std::string script_safe_json(std::string_view json)
{
    std::string safe;
    safe.reserve(json.size());
    for (const char c : json) {
        if (c == '<') {
            safe += "\\u003c";  // '<' occurs only inside JSON strings
        } else {
            safe += c;
        }
    }
    return safe;
}

std::string format_number(double value, int digits)
{
    if (std::isnan(value)) return "NA";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

WarningAdvice advice_for_warning(std::string_view warning)
{
    struct Rule {
        const char* key;
        const char* meaning;
        const char* what_to_do;
    };
    static const Rule rules[] = {
        {"Kompartimentlaenge", "A compartment is thicker than 0.5 m: expect strong numerical dispersion (a smeared solute front).",
         "Split the thick compartments into thinner ones in vekin.txt."},
        {"Poroesitaet", "A porosity lies outside 0.25..0.7, where the model has not been verified.",
         "Check the porosity column of vekin.txt; use the results with care."},
        {"Organikanteil", "An organic matter fraction is above 5 %, where the model has not been verified.",
         "Check the organic fraction of the soil types in vekin.txt; use the results with care."},
        {"Lagerungsdichte", "The bulk density lies outside the range of the pedotransfer functions: the derived hydraulic parameters may be far off.",
         "Check the aggregate density and the porosity of the soil type, or give measured hydraulic parameters."},
        {"Kornverteilung", "The particle-size distribution lies outside the expected log-normal range: the derived parameters may be far off.",
         "Check the clay, silt, sand and gravel fractions of the soil type."},
        {"Wasserbilanz", "The water balance of the run does not close.",
         "Run again with a smaller time step (--time-step) and compare the results."},
        {"Stoffbilanz", "The mass balance of a substance does not close.",
         "Run again with a smaller time step (--time-step) or thinner compartments and compare."},
        {"ausgewaschen", "More of a substance was leached than was applied.",
         "Run again with a smaller time step; check the application schedule in chemdat.txt."},
        {"Konvergenz", "Some solutions of a time step did not converge.",
         "Run again with a smaller time step (--time-step); see the unconverged stages in the diagnostics."},
        {"Grenzen der Saugspannung", "Water was discarded where the suction reached its limits (clipping).",
         "Run again with a smaller time step (--time-step)."},
        {"schwingt", "The suction oscillates from step to step.", "Run again with a smaller time step (--time-step)."},
    };
    for (const Rule& rule : rules) {
        if (warning.find(rule.key) != std::string_view::npos) return {rule.meaning, rule.what_to_do};
    }
    return {"A warning of the model (see console.txt for its context).",
            "Read it in console.txt and check the input or setting it names."};
}

std::string render_report(const RunOutputs& outputs, std::string_view generated_at)
{
    Charts charts;
    std::ostringstream body;
    write_header(body, outputs);
    write_status(body, outputs);
    write_endpoint(body, outputs, charts);
    write_breakthrough(body, outputs, charts);
    write_profiles(body, outputs, charts);
    write_balances(body, outputs, charts);
    write_diagnostics(body, outputs);

    const ordered_json* status = member(outputs.summary, "status");
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<meta name=\"generator\" content=\"soilcolumn report\">\n"
         << "<title>soilcolumn report: " << escape_html(text_of(member(outputs.summary, "input_directory"), "run"))
         << "</title>\n<style>" << page_style << "</style>\n</head>\n<body data-status=\""
         << escape_html(status && status->is_string() ? status->get<std::string>() : "unknown") << "\">\n"
         << body.str();
    std::string versions(embedded::plotting_versions());
    for (char& c : versions) {
        if (c == '\n') c = ';';
    }
    page << "<footer><p>Written by soilcolumn report on " << escape_html(generated_at)
         << " from the outputs in " << escape_html(outputs.directory.string())
         << ". Charts drawn with " << escape_html(versions)
         << " (BSD-3-Clause licences; the libraries are inlined in this file). Point at a chart for its values.</p></footer>\n";
    page << "<script>" << embedded::vega_script() << "</script>\n"
         << "<script>" << embedded::vega_lite_script() << "</script>\n"
         << "<script>" << embedded::vega_embed_script() << "</script>\n"
         << "<script type=\"application/json\" id=\"chart-definitions\">" << script_safe_json(charts.definitions().dump())
         << "</script>\n<script>" << page_script << "</script>\n</body>\n</html>\n";
    return page.str();
}

}  // namespace soilcolumn::report
