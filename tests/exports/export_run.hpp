#pragma once
// Helpers of the export tests: a scenario's inputs copied to a fresh
// directory, the command line run in-process, and files read with an
// independent reader (Python's csv module, /usr/bin/python3).
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.hpp"
#include "test_files.hpp"

namespace soilcolumn::testing {

namespace fs = std::filesystem;

inline void copy_scenario(const std::string& scenario, const fs::path& to)
{
    for (const auto& entry : fs::directory_iterator(scenario_data / scenario)) {
        if (entry.is_regular_file() && entry.path().filename() != "README") {
            fs::copy_file(entry.path(), to / entry.path().filename(), fs::copy_options::overwrite_existing);
        }
    }
}

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The whole program in this process; standard input is not a terminal.
inline CommandResult run_command(const std::vector<std::string>& arguments, bool stderr_is_terminal = false)
{
    std::vector<std::string> args{"soilcolumn"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::istringstream in;
    std::ostringstream out, err;
    CommandResult result;
    result.status = cli::run_program(args, {.in = &in,
                                            .out = &out,
                                            .err = &err,
                                            .stdin_is_terminal = false,
                                            .stderr_is_terminal = stderr_is_terminal});
    result.out = out.str();
    result.err = err.str();
    return result;
}

// The output of a shell command, and its exit status.
inline std::string shell_output(const std::string& command, int& status)
{
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return text;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return text;
}

// Every file as Python's csv module reads it: {"header": [...], "rows": [[...]]}.
inline nlohmann::json read_csv_tables(const std::vector<fs::path>& paths)
{
    std::string command = "/usr/bin/python3 '" SOILCOLUMN_SOURCE_DIR "/tests/exports/csv_to_json.py'";
    for (const fs::path& path : paths) command += " '" + path.string() + "'";
    int status = 0;
    const std::string text = shell_output(command, status);
    if (status != 0) return nullptr;
    return nlohmann::json::parse(text);
}

}  // namespace soilcolumn::testing
