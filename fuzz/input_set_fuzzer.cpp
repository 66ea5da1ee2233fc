// The input reader on a whole input set (see input_set.hpp): chemvek.txt and
// vekin.txt from memory, the weather file, which is only opened here, in the
// scratch directory. The reader may refuse the set in every way the program
// knows (an orderly stop, an unreadable or missing file) and nothing else.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "input/control_input.hpp"
#include "input_set.hpp"
#include "driver/file_set.hpp"
#include "records/run_errors.hpp"
#include "state/model_state.hpp"

namespace {

// An input set the reader accepted must give a run of bounded length: the
// clock moves at -1 s and at the end, at most 1e8 steps, and at most a
// million weather days on either side of the start.
void require_bounded_run(const soilcolumn::ModelState& st)
{
    const double step = st.time_step;
    const double end = st.simulation_end;
    const double limit = 1.0e6 * 86400.0;
    const bool bounded = step > 0.0 && -1.0 + step != -1.0 && end + step != end &&
                         (end + 1.0) / step + 1.0 <= 1.0e8 && end >= 0.0 && end <= limit &&
                         st.weather_start <= limit && std::isfinite(st.output_interval) &&
                         st.output_interval >= 0.0f;
    if (!bounded) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soilcolumn;
    std::vector<std::string> files = fuzz::split_case(data, size);
    fuzz::place_weather_file(files);

    auto st = std::make_unique<ModelState>();
    auto set = std::make_unique<FileSet>();
    std::ostringstream console;
    std::istringstream chemvek(files[fuzz::chemvek]);
    std::istringstream vekin(files[fuzz::vekin]);
    set->console.connect_stream(console);
    set->chemvek.connect_stream(chemvek, "chemvek.txt");
    set->vekin.connect_stream(vekin, "vekin.txt");
    try {
        read_input(*st, *set);
        require_bounded_run(*st);
    } catch (const OrderlyStop&) {
    } catch (const RunFailure&) {
    }
    set->console.close();
    return 0;
}
