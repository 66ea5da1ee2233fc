#pragma once
// Runs read_input on input texts held by the test: chemvek.txt and
// vekin.txt come from strings, the console goes to a string, and the weather
// file named in vekin.txt ("wetter.txt") lies in a fresh input directory.

#include <memory>
#include <sstream>
#include <string>

#include "input/control_input.hpp"
#include "input/temp_directory.hpp"
#include "driver/file_set.hpp"
#include "records/run_errors.hpp"
#include "state/model_state.hpp"

namespace soilcolumn::testing {

// A chemvek.txt of one substance whose data are given as a table row.
inline const std::string one_substance =
    " Stoffdaten\n 1\n Tabelle\n 5.0E-10 5.0E-06 0.05 0.002 0.9 40.0 1.0E-05 5.0E-07 0.0\n";

struct InputRun {
    std::unique_ptr<ModelState> st = std::make_unique<ModelState>();
    std::string console;      // bytes written to the console, last record ended
    bool stopped = false;     // an orderly stop ended the input
};

inline InputRun read_input_from(const std::string& chemvek, const std::string& vekin)
{
    TempDirectory dir;
    dir.write("wetter.txt", " Tag Monat Jahr N T F\n 1 1 2010 0.0 5.0 80.0\n");

    InputRun run;
    FileSet files(dir.path(), dir.path());
    std::ostringstream console;
    std::istringstream chemvek_stream(chemvek);
    std::istringstream vekin_stream(vekin);
    files.console.connect_stream(console);
    files.chemvek.connect_stream(chemvek_stream, "chemvek.txt");
    files.vekin.connect_stream(vekin_stream, "vekin.txt");
    try {
        read_input(*run.st, files);
    } catch (const OrderlyStop&) {
        run.stopped = true;
    }
    files.console.close();
    run.console = console.str();
    return run;
}

// Console bytes of the given lines: records are separated by CR LF and the
// last one is ended by closing the unit.
inline std::string console_lines(std::initializer_list<std::string> lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

}  // namespace soilcolumn::testing
