#include "exports/summary.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/version.hpp"
#include "exports/annual_exports.hpp"
#include "exports/fields.hpp"
#include "exports/sha256.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::exports {
namespace {

using nlohmann::ordered_json;

// A number for JSON: floats as the double of the same value.
ordered_json json_number(const Number& value)
{
    return std::visit(
        [](auto v) -> ordered_json {
            if constexpr (std::is_same_v<decltype(v), std::int64_t>) {
                return v;
            } else {
                return static_cast<double>(v);
            }
        },
        value);
}

std::string without_trailing_blanks(std::string_view text)
{
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1));
}

ordered_json date_json(const std::array<std::int32_t, 3>& date)
{
    if (date[2] == 0) {
        return nullptr;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date[2], date[1], date[0]);
    return text;
}

ordered_json optional_number(const std::optional<float>& value)
{
    return value ? ordered_json(static_cast<double>(*value)) : ordered_json(nullptr);
}

ordered_json period_json(const Run& run, const SummaryContext& context)
{
    const ModelState& st = run.state();
    const bool opened = run.record().steps > 0 || run.status() == RunStatus::completed;
    ordered_json period;
    period["time_step_s"] = static_cast<double>(st.time_step);
    period["planned_end_s"] = static_cast<double>(st.simulation_end);
    period["planned_days"] = static_cast<double>(st.simulation_end) / 86400.0;
    period["start_s"] = -1.0;
    period["end_s"] = opened ? st.simulation_time : -1.0;
    period["simulated_days"] = opened ? st.simulation_time / 86400.0 : 0.0;
    period["steps"] = run.record().steps;
    period["first_weather_date"] =
        context.first_weather_date ? date_json(*context.first_weather_date) : ordered_json(nullptr);
    period["last_weather_date"] = opened ? date_json(st.weather_date) : ordered_json(nullptr);
    return period;
}

// Six significant digits: the printed summary is for reading, the files
// hold the full values.
std::string short_number(double value)
{
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
    return {text, end};
}

std::string number_of(const ordered_json& value)
{
    return value.is_number() ? short_number(value.get<double>()) : std::string("-");
}

std::string date_text(const ordered_json& date)
{
    if (!date.is_string()) {
        return "?";
    }
    const std::string iso = date.get<std::string>();  // YYYY-MM-DD
    return std::to_string(std::stoi(iso.substr(8, 2))) + "." + std::to_string(std::stoi(iso.substr(5, 2))) +
           "." + iso.substr(0, 4);
}

void write_phase_text(std::ostream& out, const char* name, const ordered_json& phase)
{
    out << name << " " << phase["stages"].get<std::int64_t>() << " stages, "
        << short_number(phase["mean_sweeps"].get<double>()) << " sweeps on average, "
        << phase["unconverged"].get<std::int64_t>() << " not converged";
}

std::string percent_text(const ordered_json& value)
{
    return number_of(value) + " %";
}

void write_balance_text(std::ostream& out, const ordered_json& diagnostics)
{
    const ordered_json& water = diagnostics["water_balance"];
    out << "  balance     water error " << number_of(water["error_m"].get<double>() * 1000.0) << " mm ("
        << percent_text(water["relative_error_percent"]) << ")";
    for (const ordered_json& substance : diagnostics["substance_balances"]) {
        out << "; substance " << substance["substance"].get<int>() << " error "
            << number_of(substance["error_g_m2"]) << " g/m2 (" << percent_text(substance["relative_error_percent"])
            << ")";
    }
    out << "\n";
}

// One evaluation: the value with the periods it came from and the verdict,
// or why there is none.
std::string evaluation_text(const ordered_json& evaluation, double limit)
{
    if (evaluation["value_ug_l"].is_null()) {
        return "none (" + evaluation["note"].get<std::string>() + ")";
    }
    const auto years = [](const ordered_json& period) {
        const int first = period["first_year"].get<int>();
        const int last = period["last_year"].get<int>();
        return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
    };
    return number_of(evaluation["value_ug_l"]) + " ug/L (periods of years " +
           years(evaluation["lower_rank_period"]) + " and " + years(evaluation["upper_rank_period"]) +
           "), " + (evaluation["exceeds_limit"].get<bool>() ? "above" : "not above") + " the limit of " +
           short_number(limit) + " ug/L";
}

void write_endpoint_text(std::ostream& out, const ordered_json& endpoint)
{
    if (endpoint["target_face"].is_null()) {
        return;
    }
    const double limit = endpoint["limit_ug_l"].get<double>();
    for (const ordered_json& substance : endpoint["substances"]) {
        out << "  endpoint    substance " << substance["substance"].get<int>() << " at "
            << number_of(endpoint["target_face_depth_m"]) << " m: " << evaluation_text(substance["target"], limit)
            << "\n              at the lower face, " << number_of(endpoint["lower_face_depth_m"])
            << " m: " << evaluation_text(substance["lower"], limit) << "\n";
    }
}

}  // namespace

std::string status_name(const Run& run)
{
    switch (run.status()) {
    case RunStatus::completed:
        if (run.record().numerically_unsafe()) return "unsafe";
        return run.record().warnings.empty() ? "ok" : "warning";
    case RunStatus::stopped:
        return "stopped";
    default:  // failed, rejected, internal, or a run that never ended
        return "failed";
    }
}

ordered_json to_json(const PhaseStatistics& phase)
{
    ordered_json json;
    json["stages"] = phase.stages;
    json["sweeps"] = phase.sweeps;
    json["mean_sweeps"] = phase.mean_sweeps();
    json["most_sweeps"] = phase.most_sweeps;
    json["unconverged"] = phase.unconverged;
    json["largest_residual"] = phase.largest_residual;
    return json;
}

ordered_json to_json(const WaterBookkeeping& water)
{
    ordered_json json;
    json["error_m"] = water.error();
    json["relative_error_percent"] = water.relative_error();
    json["largest_relative_error_percent"] = water.largest_relative_error.value;
    json["largest_relative_error_day"] = water.largest_relative_error.day;
    json["surface_inflow_m"] = water.surface_inflow;
    json["lower_outflow_m"] = water.lower_outflow;
    json["storage_change_m"] = water.storage_change();
    json["wet_limit_hits"] = water.wet_limit_hits;
    json["dry_limit_hits"] = water.dry_limit_hits;
    json["wet_limit_water_m"] = water.wet_limit_water;
    json["dry_limit_water_m"] = water.dry_limit_water;
    return json;
}

ordered_json to_json(const SubstanceBookkeeping& books, int s)
{
    ordered_json json;
    json["substance"] = s;
    json["error_g_m2"] = books.error();
    json["relative_error_percent"] = books.relative_error();
    json["largest_relative_error_percent"] = books.largest_relative_error.value;
    json["applied_g_m2"] = books.applied;
    json["leached_g_m2"] = books.leached;
    json["degraded_g_m2"] = books.degraded;
    json["inventory_g_m2"] = books.inventory();
    json["negative_mass_cleared_g_m2"] = books.negative_mass_cleared;
    return json;
}

ordered_json to_json(const RunDiagnostics& diagnostics)
{
    ordered_json json;
    json["water_balance"] = to_json(diagnostics.water);
    ordered_json substances = ordered_json::array();
    for (int s = 1; s <= diagnostics.substance_count; ++s) substances.push_back(to_json(diagnostics.substance(s), s));
    json["substance_balances"] = substances;
    const OscillationBookkeeping& oscillation = diagnostics.oscillation;
    json["oscillations"] = {{"count", oscillation.count},
                            {"first_day", oscillation.count > 0 ? ordered_json(oscillation.first_day) : ordered_json(nullptr)},
                            {"first_compartment", oscillation.count > 0 ? ordered_json(oscillation.first_compartment)
                                                                         : ordered_json(nullptr)}};
    ordered_json unconverged = ordered_json::array();
    for (const UnconvergedStage& stage : diagnostics.first_unconverged) {
        unconverged.push_back({{"day", stage.day},
                               {"stage", stage.corrector ? "corrector" : "predictor"},
                               {"phase", stage.solutes ? "solutes" : "water"},
                               {"relative_residual", stage.relative_residual}});
    }
    json["unconverged_stages"] = unconverged;
    return json;
}

ordered_json to_json(const RunRecord& record)
{
    ordered_json json;
    json["steps"] = record.steps;
    json["water"] = to_json(record.water);
    json["solutes"] = to_json(record.solutes);
    json.update(to_json(record.diagnostics));
    return json;
}

ordered_json final_balances_json(const ModelState& st, const RunRecord& record)
{
    ordered_json json = ordered_json::object();
    visit_balance_fields(st, record, [&json](std::string_view name, int substance, const Number& value) {
        json[field_name(name, substance)] = json_number(value);
    });
    return json;
}

ordered_json input_files_json(const Run& run)
{
    const FileSet& files = run.files();
    std::vector<std::pair<std::string, std::string>> inputs{
        {"vekin.txt", files.vekin.file_name()},
        {"chemvek.txt", files.chemvek.file_name()},
        {"chemdat.txt", files.chemdat.file_name()},
        {"plant.txt", files.plant.file_name()},
    };
    const std::string weather = without_trailing_blanks(run.state().weather_file_name.view());
    if (!weather.empty()) {
        inputs.emplace_back(weather, path_in(files.input_directory, weather));
    }
    ordered_json list = ordered_json::array();
    for (const auto& [name, path] : inputs) {
        ordered_json entry;
        entry["name"] = name;
        entry["path"] = path;
        std::error_code error;
        const std::uintmax_t bytes = std::filesystem::file_size(path, error);
        const std::optional<std::string> digest = error ? std::nullopt : sha256_of_file(path);
        entry["bytes"] = digest ? ordered_json(bytes) : ordered_json(nullptr);
        entry["sha256"] = digest ? ordered_json(*digest) : ordered_json(nullptr);
        list.push_back(entry);
    }
    return list;
}

namespace {

// Which numerics produced the results, and how the sound numerics divided
// its steps.
ordered_json numerics_json(const NumericsRecord& numerics)
{
    ordered_json json;
    json["mode"] = numerics_mode_name(numerics.mode);
    json["subdivided_steps"] = numerics.subdivided_steps;
    json["pieces"] = numerics.pieces;
    json["rejected_pieces"] = numerics.rejected_pieces;
    json["deepest_level"] = numerics.deepest_level;
    json["finest_fraction"] = 1.0 / (1 << finest_subdivision_level);
    json["unresolved_pieces"] = numerics.unresolved_pieces;
    json["failed_checks"] = {{"oscillation", numerics.oscillation_failures},
                             {"water_balance", numerics.water_balance_failures},
                             {"substance_balance", numerics.substance_balance_failures},
                             {"dry_limit", numerics.dry_limit_failures},
                             {"non_finite", numerics.non_finite_failures},
                             {"evaporation", numerics.evaporation_failures}};
    json["wet_limit_water_returned_m"] = numerics.wet_limit_water_returned;
    return json;
}

}  // namespace

ordered_json summary_json(const Run& run, const SummaryContext& context)
{
    const RunRecord& record = run.record();
    const FileSet& files = run.files();
    ordered_json summary;
    summary["format"] = "soilcolumn run summary";
    summary["format_version"] = 1;
    summary["program"] = {{"name", "soilcolumn"},
                          {"version", std::string(cli::program_version())},
                          {"revision", std::string(cli::source_revision())}};
    summary["command_line"] = context.command_line;
    summary["input_directory"] = files.input_directory.empty() ? "." : files.input_directory.string();
    summary["output_directory"] = files.output_directory.empty() ? "." : files.output_directory.string();
    summary["inputs"] = input_files_json(run);
    // The overrides as given; the period below shows the settings in force.
    summary["overrides"] = {{"time_step_s", optional_number(context.overrides.time_step)},
                            {"simulated_days", optional_number(context.overrides.simulated_days)}};
    // classic: the model's arithmetic, bit for bit; fast (--fast): subnormals
    // flushed to zero during the steps and the water rows solved directly.
    summary["arithmetic"] = run.fast() ? "fast" : "classic";
    summary["simulated_period"] = period_json(run, context);
    summary["status"] = status_name(run);
    summary["exit_status"] = context.exit_status;
    summary["message"] = run.message();
    summary["warnings"] = record.warnings;
    summary["diagnostics"] = to_json(record);
    summary["final_balances"] = final_balances_json(run.state(), record);
    summary["outputs"] = context.output_files;
    summary["wall_time_s"] = context.wall_time_s;
    const int substances = record.diagnostics.substance_count;
    summary["endpoint"] = endpoint_json(record.annual, substances, context.endpoint);
    summary["annual"] = annual_json(record.annual, substances);
    summary["numerics"] = numerics_json(record.numerics);
    return summary;
}

void write_summary_file(const std::filesystem::path& path, const ordered_json& summary)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << summary.dump(2) << '\n';
    file.close();
    if (!file) {
        throw RunFailure("cannot write " + path.string());
    }
}

void write_summary_text(std::ostream& out, const ordered_json& summary)
{
    const ordered_json& period = summary["simulated_period"];
    const ordered_json& balances = summary["final_balances"];
    out << "soilcolumn run: " << summary["status"].get<std::string>() << " (exit status "
        << summary["exit_status"].get<int>() << ")\n";
    if (const std::string message = summary["message"].get<std::string>(); !message.empty()) {
        out << "  message     " << message << "\n";
    }
    out << "  scenario    " << summary["input_directory"].get<std::string>() << "\n";
    out << "  period      " << short_number(period["simulated_days"].get<double>()) << " of "
        << short_number(period["planned_days"].get<double>()) << " days, "
        << period["steps"].get<std::int64_t>() << " time steps of "
        << short_number(period["time_step_s"].get<double>()) << " s";
    if (period["first_weather_date"].is_string()) {
        out << ", weather " << date_text(period["first_weather_date"]) << " to "
            << date_text(period["last_weather_date"]);
    }
    out << "\n";
    const ordered_json& overrides = summary["overrides"];
    if (!overrides["time_step_s"].is_null() || !overrides["simulated_days"].is_null()) {
        out << "  overrides  ";
        if (!overrides["time_step_s"].is_null()) out << " --time-step " << number_of(overrides["time_step_s"]);
        if (!overrides["simulated_days"].is_null()) out << " --days " << number_of(overrides["simulated_days"]);
        out << "\n";
    }
    if (period["steps"].get<std::int64_t>() > 0) {
        out << "  water (m)   precipitation " << number_of(balances["precipitation_m"])
            << ", infiltration " << number_of(balances["infiltration_m"]) << ", evaporation "
            << number_of(balances["evaporation_m"]) << ", recharge "
            << number_of(balances["recharge_m"]) << ", storage "
            << number_of(balances["water_storage_m"]) << "\n";
        for (int s = 1; balances.contains(field_name("entered_g_m2", s)); ++s) {
            const auto value = [&](const char* name) { return number_of(balances[field_name(name, s)]); };
            out << "  substance " << s << " entered " << value("entered_g_m2") << " g/m2, leached "
                << value("leached_g_m2") << ", dissolved " << value("dissolved_g_m2")
                << ", sorbed " << value("sorbed_g_m2") << ", irreversible "
                << value("irreversible_g_m2") << ", transformed " << value("transformed_g_m2")
                << "\n";
        }
        write_balance_text(out, summary["diagnostics"]);
        write_endpoint_text(out, summary["endpoint"]);
    }
    const std::size_t warnings = summary["warnings"].size();
    out << "  warnings    " << (warnings == 0 ? std::string("none") : std::to_string(warnings)) << "\n";
    out << "  solver      ";
    write_phase_text(out, "water", summary["diagnostics"]["water"]);
    out << "; ";
    write_phase_text(out, "solutes", summary["diagnostics"]["solutes"]);
    out << "\n";
    const ordered_json& numerics = summary["numerics"];
    out << "  numerics    " << numerics["mode"].get<std::string>();
    if (numerics["mode"] == "sound") {
        out << ", " << numerics["subdivided_steps"].get<std::int64_t>() << " steps subdivided, "
            << numerics["pieces"].get<std::int64_t>() << " pieces, smallest 1/"
            << (1 << numerics["deepest_level"].get<int>());
    }
    out << "\n";
    out << "  results in  " << summary["output_directory"].get<std::string>() << ":";
    for (const auto& name : summary["outputs"]) out << " " << name.get<std::string>();
    out << "\n";
    out << "  wall time   " << short_number(summary["wall_time_s"].get<double>()) << " s\n";
}

}  // namespace soilcolumn::exports
