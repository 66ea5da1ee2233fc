// Entry point: the classic run of the scenario in the working directory.
// The console log goes to standard output; the exit status says how the run
// ended:
//   normal end or orderly stop (message already written)   0
//   failure to open, read or write a file, a value blew up  1
//   a fault of the program itself                           2
//   normal end, but the numbers are unsafe (strong warning) 3
#include <unistd.h>

#include <iostream>

#include "driver/run.hpp"

int main()
{
    soilcolumn::Run run({
        .console = &std::cout,
        // A blank weather file name is asked for only when someone can answer.
        .file_name_source = []() -> std::istream* { return isatty(STDIN_FILENO) != 0 ? &std::cin : nullptr; },
    });
    soilcolumn::run_to_end(run);
    return soilcolumn::exit_status_of(run);
}
