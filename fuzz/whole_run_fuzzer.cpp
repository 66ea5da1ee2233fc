// A whole run on an input set (see input_set.hpp), as the program makes it,
// but short: after the input is read the simulated period is cut to at most
// max_steps steps and 30 days and the weather start to 30 days, so that one
// case takes milliseconds. Result files and console go to memory. A run may
// end regularly or in any way the program reports (an orderly stop, a file
// that cannot be read, a value that became infinite); an exception of any
// other kind, a crash or a sanitizer report is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "driver/time_loop.hpp"
#include "input/control_input.hpp"
#include "input_set.hpp"
#include "driver/file_set.hpp"
#include "records/run_errors.hpp"
#include "state/model_state.hpp"

namespace {

constexpr double max_steps = 200.0;
constexpr float max_days = 30.0f;

// The run makes the whole part of (end + 1) / step steps, plus one.
void shorten(soilcolumn::ModelState& st)
{
    const double end_for_cap = (max_steps - 1.0) * st.time_step - 1.0;
    st.simulation_end =
        std::min({st.simulation_end, static_cast<float>(end_for_cap), max_days * 86400.0f});
    st.weather_start = std::min(st.weather_start, max_days * 86400.0f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soilcolumn;
    std::vector<std::string> files = fuzz::split_case(data, size);
    fuzz::place_weather_file(files);

    auto st = std::make_unique<ModelState>();
    auto set = std::make_unique<FileSet>();
    std::ostringstream console, aus1, aus2, aus3, aus4;
    std::istringstream chemvek(files[fuzz::chemvek]);
    std::istringstream vekin(files[fuzz::vekin]);
    std::istringstream chemdat(files[fuzz::chemdat]);
    std::istringstream plant(files[fuzz::plant]);
    set->console.connect_stream(console);
    set->aus1.connect_stream(aus1);
    set->aus2.connect_stream(aus2);
    set->aus3.connect_stream(aus3);
    set->aus4.connect_stream(aus4);
    set->chemvek.connect_stream(chemvek, "chemvek.txt");
    set->vekin.connect_stream(vekin, "vekin.txt");
    set->chemdat.connect_stream(chemdat, "chemdat.txt");
    set->plant.connect_stream(plant, "plant.txt");
    clear_solute_step_terms(*st);
    try {
        read_input(*st, *set);
        shorten(*st);
        start_simulation(*st, *set);
        ObservationSeries observations(st->observation_depth_count);
        // The run's books start as a Run starts them.
        RunRecord record;
        start_diagnostics(*st, record.diagnostics);
        record.annual.start(*st, lower_face(*st));
        while (simulate_step(*st, *set, observations, record)) {
        }
    } catch (const OrderlyStop&) {
    } catch (const RunFailure&) {
    }
    for (records::OutputUnit* unit : {&set->aus1, &set->aus2, &set->aus3, &set->aus4, &set->console}) {
        unit->close();
    }
    // No result file may hold a number that is not one.
    for (const std::ostringstream* out : {&aus1, &aus2, &aus3, &aus4}) {
        const std::string text = out->str();
        if (text.find("nan") != std::string::npos || text.find("NaN") != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
