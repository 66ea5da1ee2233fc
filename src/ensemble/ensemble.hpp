#pragma once
// Parameter ensembles: one scenario (the base), a table of parameter values
// with one row per member, each member a complete scenario directory
// written by the input-file writer, run as a batch, and the endpoint over
// the members.
//
//   OUTROOT/parameters.csv          the table the members were written from
//   OUTROOT/members/<member>/       each member's input files
//   OUTROOT/results/<member>/       its results, member.json its row
//   OUTROOT/ensemble.csv, .json     per member its parameters, status and endpoint;
//                                   the percentiles and the share above the limit
//   OUTROOT/cluster/                job lists for Slurm or GNU parallel (--emit)

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch/batch.hpp"
#include "ensemble/sampling.hpp"

namespace soilcolumn::ensemble {

class EnsembleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* parameter_table_file = "parameters.csv";

struct ParameterTable {
    std::vector<std::string> names;                // one per column
    std::vector<std::string> members;              // one per row
    std::vector<std::vector<double>> values;       // [row][column]
};

// A table: a header of parameter names (a first column "member" names the
// members; otherwise they are m0001, m0002, ...), then one row of numbers
// per member. Throws EnsembleError naming the row and column of a value
// that is not a number.
ParameterTable read_parameter_table(std::istream& in, const std::string& source);
// The table as read_parameter_table reads it, every value as the shortest
// text of the 32-bit number the model stores.
std::string parameter_table_csv(const ParameterTable& table);
// N members drawn by Latin hypercube (sampling.hpp), values as 32-bit numbers.
ParameterTable sampled_table(const std::vector<SampledParameter>& plan, int count, std::uint64_t seed);

std::filesystem::path member_input_directory(const std::filesystem::path& root, const std::string& member);
std::filesystem::path member_output_directory(const std::filesystem::path& root, const std::string& member);

// Checks every name and value against the base scenario, writes every
// member's directory and parameters.csv, and opens every member as a run
// would (its input checks), all before anything runs. Throws EnsembleError
// with the reason, listing the valid names for an unknown one.
std::vector<BatchMember> prepare_ensemble(const std::filesystem::path& base, const ParameterTable& table,
                                          const std::filesystem::path& root);

// The statistics of the endpoint over the members that completed without
// a strong warning (ok or warning) and have one.
struct EndpointStatistics {
    std::size_t members = 0, with_endpoint = 0, above_limit = 0;
    double limit = 0.1;  // ug/L
    std::vector<std::pair<int, double>> percentiles;  // (50, value), (80, ...), ... when with_endpoint > 0
    double share_above = 0.0;
    double wilson_low = 0.0, wilson_high = 0.0;  // 95 % interval of the share
};

// The p-th percentile (0..100) of sorted values, linear between order statistics.
double percentile(const std::vector<double>& sorted, double p);
// The Wilson score interval of k successes in n trials at normal quantile z.
std::pair<double, double> wilson_interval(std::size_t k, std::size_t n, double z);

EndpointStatistics endpoint_statistics(const std::vector<std::optional<MemberResult>>& rows, double limit);

// ensemble.csv: per member its parameters, status ("missing" without a
// row), exit status, warning count, water balance error and endpoint. No
// time or path enters it: the in-process and the cluster runs of the same
// table give the same bytes.
std::string ensemble_csv(const ParameterTable& table, const std::vector<std::optional<MemberResult>>& rows);
nlohmann::ordered_json ensemble_json(const ParameterTable& table, const std::vector<std::optional<MemberResult>>& rows,
                                     double limit);

// Writes ensemble.csv and ensemble.json into the root; throws EnsembleError.
void write_ensemble_tables(const std::filesystem::path& root, const ParameterTable& table,
                           const std::vector<std::optional<MemberResult>>& rows);

// The results of an ensemble run elsewhere: parameters.csv of the root and
// every member's member.json (nullopt where it is missing). Throws
// EnsembleError when the root holds no ensemble.
struct Collected {
    ParameterTable table;
    std::vector<std::optional<MemberResult>> rows;
};
Collected collect_ensemble(const std::filesystem::path& root);

// Job lists for cluster engines, written into root/cluster, each job
// running `command`. Slurm: chunk_NNNN.txt (member
// directories, `chunk` per array task) and ensemble.sbatch with
// --array=0-K%max_running; returns the script's path. GNU parallel:
// jobs.txt, one `soilcolumn batch` per member; returns its path.
struct JobCommand {
    std::filesystem::path program;                   // the soilcolumn executable the jobs call
    NumericsMode numerics = NumericsMode::classic;   // passed on to every member
    bool fast = false;                               // --fast for every member
};
std::filesystem::path emit_slurm(const std::filesystem::path& root, const std::vector<BatchMember>& members,
                                 const JobCommand& command, int chunk, int max_running);
std::filesystem::path emit_parallel(const std::filesystem::path& root, const std::vector<BatchMember>& members,
                                    const JobCommand& command);

}  // namespace soilcolumn::ensemble
