#include "ensemble/ensemble.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "batch/batch_table.hpp"
#include "driver/run.hpp"
#include "endpoint/endpoint.hpp"
#include "ensemble/csv_fields.hpp"
#include "ensemble/input_set.hpp"
#include "ensemble/parameters.hpp"
#include "exports/number_text.hpp"

namespace soilcolumn::ensemble {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

constexpr int reported_percentiles[] = {50, 80, 90, 95, 99};
constexpr double z_95 = 1.959963984540054;  // standard normal quantile of 0.975

std::string member_name(std::size_t row)
{
    char text[32];
    std::snprintf(text, sizeof text, "m%04zu", row + 1);
    return text;
}

std::string float_text(double value)
{
    return exports::number_text(static_cast<float>(value));
}

void write_text(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw EnsembleError("cannot write " + path.string());
}

// Single quotes for a POSIX shell.
std::string shell_quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

bool counts_for_statistics(const MemberResult& row)
{
    const MemberStatus status = effective_status(row);
    return status == MemberStatus::ok || status == MemberStatus::warning;
}

}  // namespace

ParameterTable read_parameter_table(std::istream& in, const std::string& source)
{
    ParameterTable table;
    std::string line;
    bool named_members = false;
    bool header = true;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        std::vector<std::string> f = fields_of(text);
        const std::string where = source + " line " + std::to_string(number);
        if (header) {
            header = false;
            named_members = !f.empty() && f.front() == "member";
            if (named_members) f.erase(f.begin());
            if (f.empty()) throw EnsembleError(where + ": the header names no parameter");
            for (std::size_t j = 0; j < f.size(); ++j) {
                if (f[j].empty()) throw EnsembleError(where + ": column " + std::to_string(j + 1) + " has no name");
                if (std::find(f.begin(), f.begin() + static_cast<long>(j), f[j]) != f.begin() + static_cast<long>(j)) {
                    throw EnsembleError(where + ": '" + f[j] + "' names two columns");
                }
            }
            table.names = f;
            continue;
        }
        std::string member = member_name(table.members.size());
        if (named_members) {
            member = f.empty() ? std::string() : f.front();
            if (!f.empty()) f.erase(f.begin());
            if (member.empty() || member == "." || member == ".." ||
                member.find_first_of("/\\ '\"") != std::string::npos) {
                throw EnsembleError(where + ": '" + member + "' cannot name a member directory");
            }
            if (std::find(table.members.begin(), table.members.end(), member) != table.members.end()) {
                throw EnsembleError(where + ": member '" + member + "' is named twice");
            }
        }
        if (f.size() != table.names.size()) {
            throw EnsembleError(where + ": " + std::to_string(f.size()) + " values for " +
                                std::to_string(table.names.size()) + " parameters");
        }
        std::vector<double> values;
        for (std::size_t j = 0; j < f.size(); ++j) {
            double value = 0.0;
            const std::string& t = f[j];
            const char* begin = t.data() + (t.starts_with('+') ? 1 : 0);
            const auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
            if (error != std::errc{} || end != t.data() + t.size() || begin == end || !std::isfinite(value)) {
                throw EnsembleError(where + ", column '" + table.names[j] + "': '" + t + "' is not a finite number");
            }
            values.push_back(value);
        }
        table.members.push_back(member);
        table.values.push_back(std::move(values));
    }
    if (table.names.empty()) throw EnsembleError(source + ": no header line with parameter names");
    if (table.members.empty()) throw EnsembleError(source + ": no member row");
    return table;
}

std::string parameter_table_csv(const ParameterTable& table)
{
    std::string text = "member";
    for (const std::string& name : table.names) text += "," + name;
    text += "\n";
    for (std::size_t i = 0; i < table.members.size(); ++i) {
        text += table.members[i];
        for (double value : table.values[i]) text += "," + float_text(value);
        text += "\n";
    }
    return text;
}

ParameterTable sampled_table(const std::vector<SampledParameter>& plan, int count, std::uint64_t seed)
{
    ParameterTable table;
    for (const SampledParameter& p : plan) table.names.push_back(p.name);
    table.values = latin_hypercube(plan, count, seed);
    for (std::size_t i = 0; i < table.values.size(); ++i) {
        table.members.push_back(member_name(i));
        for (double& value : table.values[i]) value = static_cast<float>(value);
    }
    return table;
}

fs::path member_input_directory(const fs::path& root, const std::string& member) { return root / "members" / member; }
fs::path member_output_directory(const fs::path& root, const std::string& member) { return root / "results" / member; }

std::vector<BatchMember> prepare_ensemble(const fs::path& base, const ParameterTable& table, const fs::path& root)
{
    InputSet base_set;
    try {
        base_set = read_input_set(base);
    } catch (const InputSetError& error) {
        throw EnsembleError(error.what());
    }
    for (const std::string& name : table.names) {
        if (const auto problem = parameter_name_problem(base_set, name)) {
            throw EnsembleError(*problem + ".\nValid names for " + base.string() + ": " +
                                valid_parameter_names(base_set));
        }
    }
    std::vector<InputSet> sets;
    for (std::size_t i = 0; i < table.members.size(); ++i) {
        InputSet set = base_set;
        for (std::size_t j = 0; j < table.names.size(); ++j) {
            if (const auto problem = set_parameter(set, table.names[j], table.values[i][j])) {
                throw EnsembleError("member " + table.members[i] + ": " + *problem);
            }
        }
        sets.push_back(std::move(set));
    }
    std::error_code error;
    fs::create_directories(root, error);
    if (error) throw EnsembleError("cannot create " + root.string() + ": " + error.message());
    std::vector<BatchMember> members;
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const fs::path input = member_input_directory(root, table.members[i]);
        try {
            write_scenario(sets[i], base, input);
        } catch (const InputSetError& write_error) {
            throw EnsembleError(write_error.what());
        }
        members.push_back({input, member_output_directory(root, table.members[i])});
    }
    // Every member through the input checks of a run, into a scratch
    // directory: a refused member is found before any runs.
    const fs::path scratch = root / ".input-check";
    fs::create_directories(scratch, error);
    for (std::size_t i = 0; i < members.size(); ++i) {
        std::ostringstream console;
        Run run({.input_directory = members[i].input_directory, .output_directory = scratch, .console = &console});
        const RunStatus status = run.open();
        run.close();
        if (status != RunStatus::running && status != RunStatus::completed) {
            fs::remove_all(scratch, error);
            std::string message = trimmed(run.message());
            throw EnsembleError("member " + table.members[i] + " (" + members[i].input_directory.string() +
                                "): the input checks refuse it; the model says:\n" + message);
        }
    }
    fs::remove_all(scratch, error);
    write_text(root / parameter_table_file, parameter_table_csv(table));
    return members;
}

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty()) return NAN;
    const double h = (static_cast<double>(sorted.size()) - 1.0) * p / 100.0;
    const auto below = static_cast<std::size_t>(std::floor(h));
    if (below + 1 >= sorted.size()) return sorted.back();
    return sorted[below] + (h - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

std::pair<double, double> wilson_interval(std::size_t k, std::size_t n, double z)
{
    if (n == 0) return {0.0, 1.0};
    const double nn = static_cast<double>(n);
    const double share = static_cast<double>(k) / nn;
    const double z2 = z * z;
    const double denominator = 1.0 + z2 / nn;
    const double centre = (share + z2 / (2.0 * nn)) / denominator;
    const double half = z * std::sqrt(share * (1.0 - share) / nn + z2 / (4.0 * nn * nn)) / denominator;
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

EndpointStatistics endpoint_statistics(const std::vector<std::optional<MemberResult>>& rows, double limit)
{
    EndpointStatistics stats;
    stats.members = rows.size();
    stats.limit = limit;
    std::vector<double> values;
    for (const auto& row : rows) {
        if (row && counts_for_statistics(*row) && row->endpoint_ug_per_l && std::isfinite(*row->endpoint_ug_per_l)) {
            values.push_back(*row->endpoint_ug_per_l);
            if (*row->endpoint_ug_per_l > limit) ++stats.above_limit;
        }
    }
    std::sort(values.begin(), values.end());
    stats.with_endpoint = values.size();
    if (!values.empty()) {
        for (int p : reported_percentiles) stats.percentiles.emplace_back(p, percentile(values, p));
        stats.share_above = static_cast<double>(stats.above_limit) / static_cast<double>(values.size());
    }
    std::tie(stats.wilson_low, stats.wilson_high) = wilson_interval(stats.above_limit, values.size(), z_95);
    return stats;
}

std::string ensemble_csv(const ParameterTable& table, const std::vector<std::optional<MemberResult>>& rows)
{
    std::string text = "member";
    for (const std::string& name : table.names) text += "," + name;
    text += ",status,exit_status,warning_count,water_error_percent,endpoint_ug_per_l\n";
    for (std::size_t i = 0; i < table.members.size(); ++i) {
        text += table.members[i];
        for (double value : table.values[i]) text += "," + float_text(value);
        const std::optional<MemberResult>& row = i < rows.size() ? rows[i] : std::nullopt;
        if (!row) {
            text += ",missing,,,,\n";
            continue;
        }
        text += std::string(",") + name_of(effective_status(*row)) + "," + std::to_string(row->exit_status) + "," +
                std::to_string(row->warning_count) + ",";
        if (row->water_error_percent && std::isfinite(*row->water_error_percent)) {
            exports::append_number(text, *row->water_error_percent);
        }
        text += ",";
        if (row->endpoint_ug_per_l && std::isfinite(*row->endpoint_ug_per_l)) {
            exports::append_number(text, *row->endpoint_ug_per_l);
        }
        text += "\n";
    }
    return text;
}

ordered_json ensemble_json(const ParameterTable& table, const std::vector<std::optional<MemberResult>>& rows,
                           double limit)
{
    const EndpointStatistics stats = endpoint_statistics(rows, limit);
    std::size_t missing = 0;
    ordered_json statuses = ordered_json::object();
    for (const auto& row : rows) {
        const std::string status = row ? name_of(effective_status(*row)) : "missing";
        statuses[status] = statuses.value(status, 0) + 1;
        if (!row) ++missing;
    }
    ordered_json percentiles = ordered_json::object();
    for (int p : reported_percentiles) percentiles[std::to_string(p)] = nullptr;
    for (const auto& [p, value] : stats.percentiles) percentiles[std::to_string(p)] = value;
    return {
        {"members", table.members.size()},
        {"parameters", table.names},
        {"statuses", statuses},
        {"missing", missing},
        {"endpoint",
         {{"what", "substance 1 at 1 m, ug/L, over the members that completed with status ok or warning"},
          {"members_with_endpoint", stats.with_endpoint},
          {"percentiles_ug_per_l", percentiles}}},
        {"above_limit",
         {{"limit_ug_per_l", stats.limit},
          {"members", stats.above_limit},
          {"share", stats.with_endpoint > 0 ? ordered_json(stats.share_above) : ordered_json(nullptr)},
          {"confidence", 0.95},
          {"interval", "Wilson score"},
          {"low", stats.wilson_low},
          {"high", stats.wilson_high}}},
    };
}

void write_ensemble_tables(const fs::path& root, const ParameterTable& table,
                           const std::vector<std::optional<MemberResult>>& rows)
{
    write_text(root / "ensemble.csv", ensemble_csv(table, rows));
    write_text(root / "ensemble.json", ensemble_json(table, rows, EndpointSettings{}.limit).dump(2) + "\n");
}

Collected collect_ensemble(const fs::path& root)
{
    std::ifstream in(root / parameter_table_file);
    if (!in) throw EnsembleError("'" + root.string() + "' holds no ensemble (no " + parameter_table_file + ")");
    Collected collected;
    collected.table = read_parameter_table(in, (root / parameter_table_file).string());
    for (const std::string& member : collected.table.members) {
        collected.rows.push_back(read_member_row(member_output_directory(root, member)));
    }
    return collected;
}

namespace {

// The options every job's `soilcolumn batch` ends with, the member run's
// own ones first.
std::string job_options(const JobCommand& command, const std::string& threads)
{
    return std::string(" --numerics ") + numerics_mode_name(command.numerics) + (command.fast ? " --fast" : "") +
           " -j " + threads + " -q\n";
}

}  // namespace

fs::path emit_slurm(const fs::path& root, const std::vector<BatchMember>& members, const JobCommand& command,
                    int chunk, int max_running)
{
    const fs::path cluster = fs::absolute(root) / "cluster";
    std::error_code error;
    fs::create_directories(cluster / "logs", error);
    if (error) throw EnsembleError("cannot create " + cluster.string() + ": " + error.message());
    const std::size_t per_task = static_cast<std::size_t>(std::max(chunk, 1));
    const std::size_t tasks = (members.size() + per_task - 1) / per_task;
    for (std::size_t t = 0; t < tasks; ++t) {
        std::string list;
        for (std::size_t i = t * per_task; i < std::min(members.size(), (t + 1) * per_task); ++i) {
            list += fs::absolute(members[i].input_directory).lexically_normal().string() + "\n";
        }
        char name[32];
        std::snprintf(name, sizeof name, "chunk_%04zu.txt", t);
        write_text(cluster / name, list);
    }
    const fs::path results = (fs::absolute(root) / "results").lexically_normal();
    const std::string script =
        "#!/bin/bash\n"
        "# One array task per chunk of members: each runs `soilcolumn batch` on the\n"
        "# directories of cluster/chunk_NNNN.txt, results into results/<member>.\n"
        "# Submit: sbatch " + (cluster / "ensemble.sbatch").string() + "\n"
        "# Then:   soilcolumn ensemble collect " + fs::absolute(root).lexically_normal().string() + "\n"
        "#SBATCH --job-name=soilcolumn-ensemble\n"
        "#SBATCH --array=0-" + std::to_string(tasks == 0 ? 0 : tasks - 1) + "%" + std::to_string(std::max(max_running, 1)) + "\n"
        "#SBATCH --ntasks=1\n"
        "#SBATCH --cpus-per-task=1\n"
        "#SBATCH --output=" + (cluster / "logs" / "task_%a.out").string() + "\n"
        "set -u\n"
        "chunk=$(printf '%04d' \"$SLURM_ARRAY_TASK_ID\")\n"
        "exec " + shell_quoted(command.program.string()) + " batch --list " + shell_quoted((cluster).string()) +
        "/chunk_\"$chunk\".txt -o " + shell_quoted(results.string()) +
        " --table tables/chunk_\"$chunk\"" + job_options(command, "\"${SLURM_CPUS_PER_TASK:-1}\"");
    const fs::path path = cluster / "ensemble.sbatch";
    write_text(path, script);
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add, error);
    return path;
}

fs::path emit_parallel(const fs::path& root, const std::vector<BatchMember>& members, const JobCommand& command)
{
    const fs::path cluster = fs::absolute(root) / "cluster";
    std::error_code error;
    fs::create_directories(cluster, error);
    if (error) throw EnsembleError("cannot create " + cluster.string() + ": " + error.message());
    const fs::path results = (fs::absolute(root) / "results").lexically_normal();
    std::string jobs;
    for (const BatchMember& member : members) {
        const fs::path input = fs::absolute(member.input_directory).lexically_normal();
        jobs += shell_quoted(command.program.string()) + " batch " + shell_quoted(input.string()) + " -o " +
                shell_quoted(results.string()) + " --table " + shell_quoted("tables/" + input.filename().string()) +
                job_options(command, "1");
    }
    const fs::path path = cluster / "jobs.txt";
    write_text(path, jobs);
    return path;
}

}  // namespace soilcolumn::ensemble
