#pragma once
// `soilcolumn ensemble BASE_DIR (--params TABLE.csv | --sample PLAN -n N --seed S) -o OUTROOT
//                      [-j N] [--emit slurm|parallel [--chunk K] [--max-running M]] [-q]`
// `soilcolumn ensemble collect OUTROOT`
// Writes one scenario directory per member from the base and the table,
// runs them as a batch (or writes job lists for Slurm or GNU parallel) and
// gathers ensemble.csv and ensemble.json. Exit status: as for `batch`
// (0, 1, 3, 130/143); collect: 1 also when a member has no result yet;
// 64 a bad table, plan, name or value (before anything runs); 66 the base
// directory, table or plan does not exist; 73 OUTROOT cannot be written or
// already holds an ensemble.

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_line.hpp"

namespace soilcolumn::cli {

struct EnsembleOptions {
    std::string base;
    std::string params;
    std::string sample;
    int count = 0;
    std::uint64_t seed = 0;
    std::string output;
    int threads = 0;
    std::string emit;
    int chunk = 10;
    int max_running = 2;
    bool quiet = false;
    NumericsMode numerics = NumericsMode::classic;  // of every member
    bool fast = false;                              // every member with run --fast's arithmetic
    std::string collect_root;
};

struct EnsembleCommand {
    CLI::App* app = nullptr;
    CLI::App* collect = nullptr;
    EnsembleOptions options;
};

void add_ensemble_command(CLI::App& app, EnsembleCommand& command);
int run_ensemble_command(const EnsembleCommand& command, const ProcessIo& io);

}  // namespace soilcolumn::cli
