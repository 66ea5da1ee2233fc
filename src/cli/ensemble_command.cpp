#include "cli/ensemble_command.hpp"

#include <fstream>
#include <thread>

#include "batch/batch_table.hpp"
#include "cli/batch_command.hpp"
#include "cli/exit_status.hpp"
#include "ensemble/ensemble.hpp"

namespace soilcolumn::cli {
namespace {

namespace fs = std::filesystem;
using namespace soilcolumn::ensemble;

constexpr const char* ensemble_footer =
    "The table (--params) has a header of parameter names and one row of numbers per member;\n"
    "a first column 'member' names the members (default m0001, m0002, ...). Names are the\n"
    "model's field names with 1-based indices: time_step, simulation_end, dispersivity,\n"
    "half_life.1, sorption_per_organic_matter.1, soil_type.3.organic_matter_fraction,\n"
    "soil_type.1.texture_fractions.1, porosity.5, sorption_coefficient.5.1, ... in the units of\n"
    "the input files. A wrong name is refused with the list of valid ones.\n"
    "The plan (--sample) has one line per parameter: name,distribution,p1,p2[,p3] with\n"
    "uniform,LOW,HIGH  normal,MEAN,SD  lognormal,MEANLOG,SDLOG  triangular,LOW,MODE,HIGH;\n"
    "N members are drawn by Latin hypercube with the seed, and the table is written.\n"
    "\n"
    "OUTROOT gets parameters.csv, members/<member>/ (complete scenario directories),\n"
    "results/<member>/ (results, member.json), results/batch.csv, ensemble.csv and ensemble.json\n"
    "(percentiles 50, 80, 90, 95, 99 of the endpoint, share above 0.1 ug/L with its Wilson 95 %\n"
    "interval). --emit slurm writes cluster/ensemble.sbatch (an array job, each task a\n"
    "'soilcolumn batch' on cluster/chunk_NNNN.txt); --emit parallel writes cluster/jobs.txt for\n"
    "GNU parallel; nothing runs. Afterwards 'soilcolumn ensemble collect OUTROOT' writes the\n"
    "same ensemble.csv and reports missing or failed members.\n"
    "\n"
    "Exit status: 0 every member completed; 1 at least one failed, stopped on its input or\n"
    "(collect) has no result; 3 none failed, at least one numerically unsafe; 130/143 interrupted;\n"
    "64 bad table, plan, name or value; 66 BASE_DIR, table or plan missing; 73 OUTROOT cannot\n"
    "be written or already holds an ensemble.\n"
    "\n"
    "Examples:\n"
    "  soilcolumn ensemble scen --params table.csv -o ens -j 2\n"
    "  soilcolumn ensemble scen --sample plan.csv -n 200 --seed 42 -o ens --emit slurm\n"
    "  soilcolumn ensemble collect ens";

int refuse_ensemble(const ProcessIo& io, int status, const std::string& message)
{
    *io.err << "soilcolumn ensemble: " << message << "\n";
    return status;
}

fs::path this_program()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path("soilcolumn") : program;
}

// Lists what is missing or failed; returns the collect exit status.
int report_collected(const Collected& collected, const ProcessIo& io)
{
    std::size_t missing = 0;
    std::vector<MemberResult> present;
    for (std::size_t i = 0; i < collected.rows.size(); ++i) {
        const auto& row = collected.rows[i];
        if (!row) {
            if (++missing <= 10) *io.err << "soilcolumn ensemble: member " << collected.table.members[i] << " has no result\n";
            continue;
        }
        const MemberStatus status = effective_status(*row);
        if (status == MemberStatus::failed || status == MemberStatus::stopped || status == MemberStatus::interrupted) {
            *io.err << "soilcolumn ensemble: member " << collected.table.members[i] << " " << name_of(status) << ": "
                    << row->message << "\n";
        }
        present.push_back(*row);
    }
    if (missing > 10) *io.err << "soilcolumn ensemble: ... " << missing - 10 << " more without result\n";
    const BatchCounts counts = count_rows(present);
    *io.out << "ensemble: " << collected.rows.size() << " members: " << counts.ok << " ok, " << counts.warning
            << " warning, " << counts.unsafe << " unsafe, " << counts.stopped << " stopped, " << counts.failed
            << " failed, " << counts.interrupted << " interrupted, " << missing << " missing\n";
    const int status = batch_exit_status(counts, 0);
    return missing > 0 && status != exit_status::interrupted ? exit_status::run_failed : status;
}

int collect(const EnsembleOptions& o, const ProcessIo& io)
{
    const fs::path root = o.collect_root;
    try {
        const Collected collected = collect_ensemble(root);
        write_ensemble_tables(root, collected.table, collected.rows);
        const int status = report_collected(collected, io);
        *io.out << "ensemble: tables in " << (root / "ensemble.csv").string() << " and "
                << (root / "ensemble.json").string() << "\n";
        return status;
    } catch (const EnsembleError& error) {
        return refuse_ensemble(io, fs::exists(root / parameter_table_file) ? exit_status::usage : exit_status::no_input,
                               error.what());
    }
}

}  // namespace

void add_ensemble_command(CLI::App& app, EnsembleCommand& command)
{
    EnsembleOptions& o = command.options;
    CLI::App* e = app.add_subcommand("ensemble", "Run a parameter ensemble of a scenario (see 'soilcolumn ensemble --help')");
    e->footer(ensemble_footer);
    e->add_option("BASE_DIR", o.base, "The base scenario directory");
    CLI::Option* params = e->add_option("--params", o.params, "Parameter table, one row per member")->type_name("TABLE.csv");
    CLI::Option* sample = e->add_option("--sample", o.sample, "Sampling plan: draw the table by Latin hypercube")->type_name("PLAN");
    params->excludes(sample);
    e->add_option("-n,--members", o.count, "Members to draw with --sample")->type_name("N")->check(CLI::Range(1, 1000000));
    e->add_option("--seed", o.seed, "Seed of the draw with --sample")->type_name("S");
    e->add_option("-o,--output", o.output, "Root of the ensemble's files")->type_name("OUTROOT");
    e->add_option("-j,--jobs", o.threads, "Members run at once (default: the number of cores)")->type_name("N")->check(CLI::Range(1, 1024));
    e->add_option("--emit", o.emit, "Write job lists instead of running: slurm or parallel")
        ->check(CLI::IsMember({"slurm", "parallel"}));
    e->add_option("--chunk", o.chunk, "With --emit slurm: members per array task (default 10)")->type_name("K")->check(CLI::Range(1, 1000000));
    e->add_option("--max-running", o.max_running, "With --emit slurm: array tasks at once (default 2)")->type_name("M")->check(CLI::Range(1, 100000));
    e->add_flag("-q,--quiet", o.quiet, "No progress line");
    add_numerics_option(*e, o.numerics);
    add_fast_option(*e, o.fast);
    CLI::App* c = e->add_subcommand("collect", "Gather the results of OUTROOT into ensemble.csv and ensemble.json");
    c->add_option("OUTROOT", o.collect_root, "The root of an ensemble")->required();
    e->require_subcommand(0, 1);
    command.app = e;
    command.collect = c;
}

int run_ensemble_command(const EnsembleCommand& command, const ProcessIo& io)
{
    const EnsembleOptions& o = command.options;
    if (command.collect->parsed()) return collect(o, io);
    const auto usage = [&](const std::string& what) {
        *io.err << "soilcolumn ensemble: " << what << "\nRun 'soilcolumn ensemble --help' for usage.\n";
        return exit_status::usage;
    };
    if (o.base.empty()) return usage("no base scenario directory given");
    if (o.output.empty()) return usage("no output root given (-o OUTROOT)");
    if (o.params.empty() == o.sample.empty()) return usage("give either --params TABLE.csv or --sample PLAN");
    if (!o.sample.empty() && (command.app->count("--members") == 0 || command.app->count("--seed") == 0)) {
        return usage("--sample needs -n N and --seed S");
    }
    if (o.sample.empty() && (command.app->count("--members") != 0 || command.app->count("--seed") != 0)) {
        return usage("-n and --seed belong to --sample");
    }
    std::error_code error;
    if (!fs::is_directory(o.base, error)) {
        return refuse_ensemble(io, exit_status::no_input, "base scenario directory '" + o.base + "' does not exist");
    }
    const fs::path root = o.output;
    if (fs::exists(root / parameter_table_file, error)) {
        return refuse_ensemble(io, exit_status::cannot_create,
                               "'" + root.string() + "' already holds an ensemble; choose another -o or remove it");
    }

    ParameterTable table;
    const std::string source = o.params.empty() ? o.sample : o.params;
    std::ifstream in(source);
    if (!in) return refuse_ensemble(io, exit_status::no_input, "cannot read '" + source + "'");
    try {
        if (!o.params.empty()) {
            table = read_parameter_table(in, source);
        } else {
            table = sampled_table(read_sampling_plan(in, source), o.count, o.seed);
        }
    } catch (const std::runtime_error& bad) {
        return refuse_ensemble(io, exit_status::usage, bad.what());
    }

    std::vector<BatchMember> members;
    try {
        members = prepare_ensemble(o.base, table, root);
    } catch (const EnsembleError& bad) {
        // Nothing has run; an unwritable root is the only fault not in the table.
        const bool unwritable = std::string(bad.what()).starts_with("cannot ");
        return refuse_ensemble(io, unwritable ? exit_status::cannot_create : exit_status::usage, bad.what());
    }
    *io.out << "ensemble: " << members.size() << " members written to " << (root / "members").string()
            << ", parameters in " << (root / parameter_table_file).string() << "\n";

    if (!o.emit.empty()) {
        try {
            if (o.emit == "slurm") {
                const fs::path script = emit_slurm(root, members, {this_program(), o.numerics, o.fast}, o.chunk, o.max_running);
                *io.out << "ensemble: submit with 'sbatch " << script.string() << "', then 'soilcolumn ensemble collect "
                        << root.string() << "'\n";
            } else {
                const fs::path jobs = emit_parallel(root, members, {this_program(), o.numerics, o.fast});
                *io.out << "ensemble: run with 'parallel -j N --joblog " << (root / "cluster" / "joblog").string()
                        << " < " << jobs.string() << "', then 'soilcolumn ensemble collect " << root.string() << "'\n";
            }
        } catch (const EnsembleError& bad) {
            return refuse_ensemble(io, exit_status::cannot_create, bad.what());
        }
        return exit_status::ok;
    }

    const int threads = o.threads > 0 ? o.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    BatchSettings settings{.threads = threads};
    settings.member_setup.numerics = o.numerics;
    settings.member_setup.fast = o.fast;
    const BatchOutcome outcome =
        run_members_with_progress(members, settings, io.stderr_is_terminal && !o.quiet ? io.err : nullptr);
    const fs::path results = root / "results";
    if (const std::string problem = write_batch_tables(results, "batch", outcome.rows, outcome.wall_seconds);
        !problem.empty()) {
        return refuse_ensemble(io, exit_status::cannot_create, problem);
    }
    std::vector<std::optional<MemberResult>> rows;
    for (const MemberResult& row : outcome.rows) {
        if (row.status == MemberStatus::interrupted) rows.emplace_back(std::nullopt);
        else rows.emplace_back(row);
    }
    try {
        write_ensemble_tables(root, table, rows);
    } catch (const EnsembleError& bad) {
        return refuse_ensemble(io, exit_status::cannot_create, bad.what());
    }
    const BatchCounts counts = count_rows(outcome.rows);
    *io.out << "ensemble: " << counts.total << " members: " << counts.ok << " ok, " << counts.warning << " warning, "
            << counts.unsafe << " unsafe, " << counts.stopped << " stopped, " << counts.failed << " failed, "
            << counts.interrupted << " interrupted; tables in " << (root / "ensemble.csv").string() << " and "
            << (root / "ensemble.json").string() << "\n";
    return batch_exit_status(counts, outcome.signal_number);
}

}  // namespace soilcolumn::cli
