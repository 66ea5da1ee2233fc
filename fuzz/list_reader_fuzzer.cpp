// The list reader on arbitrary records held in memory: the first byte picks
// the kinds of up to eight targets (bit set: integer), the second how many of
// them one read fills; the rest is the file. Reads run until the file ends or
// a read is refused. Every value read must be finite: no infinity or
// not-a-number may enter the model.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "records/input_unit.hpp"
#include "records/run_errors.hpp"

namespace {

using soilcolumn::records::ReadTarget;

void read_whole_file(std::uint8_t kinds, std::size_t count, const std::string& text)
{
    std::istringstream stream(text);
    soilcolumn::records::InputUnit unit(7, "vekin.txt");
    unit.connect_stream(stream, "vekin.txt");
    std::int32_t integers[8] = {};
    float reals[8] = {};
    std::vector<ReadTarget> targets;
    for (std::size_t i = 0; i < count; ++i) {
        if ((kinds >> i) & 1u) {
            targets.emplace_back(&integers[i]);
        } else {
            targets.emplace_back(&reals[i]);
        }
    }
    try {
        // The reader's three ways, in turn: a heading line, a list read that
        // may meet the end, and a skipped record.
        for (int round = 0; round < 1000; ++round) {
            (void)soilcolumn::records::read_line(unit, 100);
            soilcolumn::records::read_values(unit, targets);
            for (float value : reals) {
                if (!std::isfinite(value)) {
                    std::abort();
                }
            }
            soilcolumn::records::skip_record(unit);
        }
    } catch (const soilcolumn::ReadError&) {
        // Refused: an end of file or a value that is not a number.
    }
    unit.rewind();
    float a = 0.0f;
    std::int32_t b = 0;
    try {
        while (soilcolumn::records::read_values_or_end(unit, {&a, &b})) {
            if (!std::isfinite(a)) {
                std::abort();
            }
        }
    } catch (const soilcolumn::ReadError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::size_t count = data[1] % 9;
    read_whole_file(data[0], count, std::string(reinterpret_cast<const char*>(data + 2), size - 2));
    return 0;
}
