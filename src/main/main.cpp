// Entry point: connect the fixed files, clear the solute step terms, read the
// input, simulate, and turn the way the run ended into the stop line and the
// exit status:
//   normal end or orderly stop (message already written)   stop line, 0
//   failure to open or read a file, a run that blew up     report, 1
//   anything else                                           report, 2
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "driver/time_loop.hpp"
#include "input/control_input.hpp"
#include "main/file_set.hpp"
#include "records/run_errors.hpp"
#include "state/model_state.hpp"

namespace {

using soilcolumn::FileSet;
using soilcolumn::ModelState;

void clear_solute_step_terms(ModelState& st)
{
    for (int s = 1; s <= soilcolumn::max_substances; ++s) {
        for (int c = 1; c <= soilcolumn::max_compartments; ++c) {
            st.dispersion_coefficient(c, s) = 0.0f;
            st.source_term(c, s) = 0.0f;
            st.immobile_source(c, s) = 0.0f;
            st.mobile_degradation(c, s) = 0.0f;
            st.immobile_degradation(c, s) = 0.0f;
            st.transfer_rate(c, s) = 0.0f;
        }
    }
}

void simulate(ModelState& st, FileSet& files)
{
    soilcolumn::connect_fixed_files(files);
    clear_solute_step_terms(st);
    soilcolumn::read_input(st, files);
    soilcolumn::run_simulation(st, files);
}

// Runs the program and writes how it ended; returns the exit status.
int run(ModelState& st, FileSet& files)
{
    try {
        simulate(st, files);
    } catch (const soilcolumn::OrderlyStop&) {
        // The message has been written where the input was found inconsistent.
    } catch (const soilcolumn::RunFailure& failure) {
        files.console.write_list(failure.what());
        return 1;
    } catch (const std::exception& error) {
        files.console.write_list(std::string("Interner Fehler: ") + error.what());
        return 2;
    }
    files.console.write_list("Stop - Program terminated.");
    return 0;
}

// Ends the last record of every connected output unit and flushes it.
void close_output_units(FileSet& files)
{
    for (soilcolumn::records::OutputUnit* unit :
         {&files.aus1, &files.aus2, &files.aus3, &files.aus4, &files.console}) {
        if (unit->connected()) {
            unit->close();
        }
    }
}

}  // namespace

int main()
{
    // The model state is about 200 kB: it lives on the heap.
    auto st = std::make_unique<ModelState>();
    auto files = std::make_unique<FileSet>();
    files->console.connect_stream(std::cout);
    const int status = run(*st, *files);
    close_output_units(*files);
    return status;
}
