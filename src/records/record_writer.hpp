#pragma once
// Formatted writes of output units done by a thread of their own
// (records/block_thread.hpp): the run's thread copies each write's format
// and values into a block, and the second thread formats the records and
// writes them to their units, in the order given. A unit that writes
// through a writer (OutputUnit::write_through) waits for it before any
// other kind of write and before it closes, so that its file receives
// exactly the bytes it would receive written directly.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/block_thread.hpp"
#include "records/format_value.hpp"

namespace soilcolumn::records {

class OutputUnit;

class RecordWriter {
public:
    RecordWriter();

    // Queues unit's formatted write. No value may be of kind text: a text
    // may not outlive the call (OutputUnit writes those itself).
    void write(OutputUnit& unit, std::string_view format, std::span<const FormatValue> values);
    // Waits until every queued write is done; throws what one failed with.
    void drain() { thread_.drain(); }

private:
    struct Write {
        OutputUnit* unit;
        std::uint32_t format_begin;
        std::uint32_t format_size;
        std::uint32_t values_begin;
        std::uint32_t values_size;
    };
    struct Block {
        std::vector<Write> writes;
        std::string formats;  // the writes' formats, one after the other
        std::vector<FormatValue> values;
        Block();
        // Whether a write of this format and this many values still fits.
        bool has_room(std::size_t format_size, std::size_t value_count) const;
        bool empty() const { return writes.empty(); }
        void clear();
    };

    static void write_block(const Block& block);

    BlockThread<Block> thread_;
};

}  // namespace soilcolumn::records
