#pragma once
// The table of a batch: one row per member, as batch.csv and batch.json,
// and each member's own row as member.json in its output directory (what
// --resume and `ensemble collect` read back). Paths in the tables are as the
// caller gave them; the member name is the last part of the output directory.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch/batch.hpp"

namespace soilcolumn {

// The file in each member's output directory holding its row.
inline constexpr const char* member_row_file = "member.json";

// Output directory names for the input directories, in their order: the
// last part of each (of its absolute form, so that "." has a name); a name
// already taken gets "_2", "_3", ... so that no two members share one.
std::vector<std::string> member_names(const std::vector<std::filesystem::path>& input_directories);

// The status as read from its name; nullopt for an unknown name.
std::optional<MemberStatus> member_status_named(const std::string& name);

// What a member's row says once an earlier result stands in for a skipped
// one: the status that counts for the batch.
MemberStatus effective_status(const MemberResult& row);

nlohmann::ordered_json member_row_json(const MemberResult& row);
// The row of member.json; nullopt when the text is not such a row.
std::optional<MemberResult> member_row_from_json(const nlohmann::json& json);
// Reads output_directory / member.json; nullopt when it is missing or unreadable.
std::optional<MemberResult> read_member_row(const std::filesystem::path& output_directory);

// batch.csv: header and one line per row; the message is quoted (RFC 4180).
std::string batch_csv(const std::vector<MemberResult>& rows);
// batch.json: counts per status and the rows.
nlohmann::ordered_json batch_json(const std::vector<MemberResult>& rows, double wall_seconds);

// How many rows have each effective status.
struct BatchCounts {
    std::size_t total = 0, ok = 0, warning = 0, unsafe = 0, stopped = 0, failed = 0, interrupted = 0;
};
BatchCounts count_rows(const std::vector<MemberResult>& rows);

// A CSV field quoted when it holds a comma, a quote or a line end.
std::string csv_field(const std::string& text);

}  // namespace soilcolumn

namespace soilcolumn {

// Writes root / (stem + ".csv") and root / (stem + ".json"); an English
// message when a file cannot be written, empty otherwise.
std::string write_batch_tables(const std::filesystem::path& root, const std::string& stem,
                               const std::vector<MemberResult>& rows, double wall_seconds);

}  // namespace soilcolumn
