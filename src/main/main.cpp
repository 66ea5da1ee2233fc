// Entry point: hands the arguments and the process's streams to the command
// line (src/cli) and returns its exit status. Without arguments the program
// is the classic run of the scenario in the working directory, its console
// log on standard output; cli/exit_status.hpp lists every exit status.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
    return soilcolumn::cli::run_program(args, {
        .in = &std::cin,
        .out = &std::cout,
        .err = &std::cerr,
        // A blank weather file name is asked for only when someone can answer.
        .stdin_is_terminal = isatty(STDIN_FILENO) != 0,
        .stderr_is_terminal = isatty(STDERR_FILENO) != 0,
    });
}
