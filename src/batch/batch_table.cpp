#include "batch/batch_table.hpp"

#include <cmath>
#include <fstream>
#include <map>

#include "exports/number_text.hpp"

namespace soilcolumn {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

constexpr MemberStatus all_statuses[] = {MemberStatus::ok,     MemberStatus::warning,     MemberStatus::unsafe,
                                         MemberStatus::stopped, MemberStatus::failed,     MemberStatus::interrupted,
                                         MemberStatus::skipped};

// A figure that is not finite (a balance with nothing in it) is left out.
ordered_json figure(const std::optional<double>& value)
{
    if (!value || !std::isfinite(*value)) return nullptr;
    return *value;
}

std::optional<double> figure_from(const json& value)
{
    if (!value.is_number()) return std::nullopt;
    return value.get<double>();
}

void append_figure(std::string& line, const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) exports::append_number(line, *value);
}

}  // namespace

std::vector<std::string> member_names(const std::vector<fs::path>& input_directories)
{
    std::vector<std::string> names;
    std::map<std::string, int> taken;
    for (const fs::path& directory : input_directories) {
        std::error_code ignored;
        fs::path absolute = fs::absolute(directory, ignored).lexically_normal();
        while (absolute.has_relative_path() && absolute.filename().empty()) absolute = absolute.parent_path();
        std::string base = absolute.filename().string();
        if (base.empty() || base == "." || base == "..") base = "member";
        std::string name = base;
        for (int n = 2; taken.contains(name); ++n) name = base + "_" + std::to_string(n);
        taken[name] = 1;
        names.push_back(name);
    }
    return names;
}

std::optional<MemberStatus> member_status_named(const std::string& name)
{
    for (MemberStatus status : all_statuses) {
        if (name == name_of(status)) return status;
    }
    return std::nullopt;
}

MemberStatus effective_status(const MemberResult& row)
{
    return row.status == MemberStatus::skipped && row.earlier_status ? *row.earlier_status : row.status;
}

ordered_json member_row_json(const MemberResult& row)
{
    ordered_json substance = ordered_json::array();
    for (double error : row.substance_error_percent) substance.push_back(figure(error));
    ordered_json out{
        {"member", row.output_directory.filename().string()},
        {"directory", row.input_directory.string()},
        {"output", row.output_directory.string()},
        {"status", name_of(row.status)},
        {"exit_status", row.exit_status},
        {"message", row.message},
        {"wall_time_s", row.wall_seconds},
        {"water_error_percent", figure(row.water_error_percent)},
        {"substance_error_percent", substance},
        {"warning_count", row.warning_count},
        {"endpoint_ug_per_l", figure(row.endpoint_ug_per_l)},
    };
    if (row.earlier_status) out["earlier_status"] = name_of(*row.earlier_status);
    return out;
}

std::optional<MemberResult> member_row_from_json(const json& in)
{
    if (!in.is_object() || !in.contains("status") || !in["status"].is_string()) return std::nullopt;
    const std::optional<MemberStatus> status = member_status_named(in["status"].get<std::string>());
    if (!status) return std::nullopt;
    MemberResult row;
    row.status = *status;
    const auto text = [&](const char* key) {
        return in.contains(key) && in[key].is_string() ? in[key].get<std::string>() : std::string();
    };
    const auto integer = [&](const char* key, int fallback) {
        return in.contains(key) && in[key].is_number_integer() ? in[key].get<int>() : fallback;
    };
    row.input_directory = text("directory");
    row.output_directory = text("output");
    row.message = text("message");
    row.exit_status = integer("exit_status", 1);
    row.warning_count = integer("warning_count", 0);
    row.wall_seconds = in.contains("wall_time_s") ? figure_from(in["wall_time_s"]).value_or(0.0) : 0.0;
    if (in.contains("water_error_percent")) row.water_error_percent = figure_from(in["water_error_percent"]);
    if (in.contains("endpoint_ug_per_l")) row.endpoint_ug_per_l = figure_from(in["endpoint_ug_per_l"]);
    if (in.contains("substance_error_percent") && in["substance_error_percent"].is_array()) {
        for (const json& error : in["substance_error_percent"]) {
            row.substance_error_percent.push_back(figure_from(error).value_or(NAN));
        }
    }
    if (in.contains("earlier_status") && in["earlier_status"].is_string()) {
        row.earlier_status = member_status_named(in["earlier_status"].get<std::string>());
    }
    return row;
}

std::optional<MemberResult> read_member_row(const fs::path& output_directory)
{
    std::ifstream in(output_directory / member_row_file);
    if (!in) return std::nullopt;
    const json parsed = json::parse(in, nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return member_row_from_json(parsed);
}

std::string csv_field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string batch_csv(const std::vector<MemberResult>& rows)
{
    std::string text =
        "member,directory,output,status,resumed,exit_status,message,wall_time_s,water_error_percent,"
        "substance_error_percent_s1,substance_error_percent_s2,substance_error_percent_s3,"
        "substance_error_percent_s4,warning_count,endpoint_ug_per_l\n";
    for (const MemberResult& row : rows) {
        std::string line = csv_field(row.output_directory.filename().string()) + "," +
                           csv_field(row.input_directory.string()) + "," + csv_field(row.output_directory.string()) +
                           "," + name_of(effective_status(row)) + "," +
                           (row.status == MemberStatus::skipped ? "1" : "0") + "," +
                           std::to_string(row.exit_status) + "," + csv_field(row.message) + ",";
        exports::append_number(line, row.wall_seconds);
        line += ",";
        append_figure(line, row.water_error_percent);
        for (std::size_t s = 0; s < 4; ++s) {
            line += ",";
            if (s < row.substance_error_percent.size()) append_figure(line, row.substance_error_percent[s]);
        }
        line += "," + std::to_string(row.warning_count) + ",";
        append_figure(line, row.endpoint_ug_per_l);
        text += line + "\n";
    }
    return text;
}

BatchCounts count_rows(const std::vector<MemberResult>& rows)
{
    BatchCounts counts;
    counts.total = rows.size();
    for (const MemberResult& row : rows) {
        switch (effective_status(row)) {
        case MemberStatus::ok: ++counts.ok; break;
        case MemberStatus::warning: ++counts.warning; break;
        case MemberStatus::unsafe: ++counts.unsafe; break;
        case MemberStatus::stopped: ++counts.stopped; break;
        case MemberStatus::interrupted: ++counts.interrupted; break;
        case MemberStatus::skipped:  // finished earlier, result unknown: counted as done
            ++counts.ok;
            break;
        case MemberStatus::failed:
        default: ++counts.failed; break;
        }
    }
    return counts;
}

ordered_json batch_json(const std::vector<MemberResult>& rows, double wall_seconds)
{
    const BatchCounts counts = count_rows(rows);
    ordered_json members = ordered_json::array();
    for (const MemberResult& row : rows) members.push_back(member_row_json(row));
    return {
        {"members", counts.total},
        {"counts",
         {{"ok", counts.ok},
          {"warning", counts.warning},
          {"unsafe", counts.unsafe},
          {"stopped", counts.stopped},
          {"failed", counts.failed},
          {"interrupted", counts.interrupted}}},
        {"wall_time_s", wall_seconds},
        {"rows", members},
    };
}

}  // namespace soilcolumn

namespace soilcolumn {

std::string write_batch_tables(const std::filesystem::path& root, const std::string& stem,
                               const std::vector<MemberResult>& rows, double wall_seconds)
{
    const std::filesystem::path csv = root / (stem + ".csv");
    const std::filesystem::path json = root / (stem + ".json");
    std::ofstream csv_out(csv, std::ios::binary | std::ios::trunc);
    csv_out << batch_csv(rows);
    csv_out.close();
    if (!csv_out) return "cannot write " + csv.string();
    std::ofstream json_out(json, std::ios::binary | std::ios::trunc);
    json_out << batch_json(rows, wall_seconds).dump(2) << "\n";
    json_out.close();
    if (!json_out) return "cannot write " + json.string();
    return {};
}

}  // namespace soilcolumn
