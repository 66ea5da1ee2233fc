#include "records/record_writer.hpp"

#include <algorithm>
#include <cassert>

#include "records/output_unit.hpp"

namespace soilcolumn::records {
namespace {

// Room of a block: some hundred records of the widest result file.
constexpr std::size_t block_values = 4096;
constexpr std::size_t block_writes = 512;
constexpr std::size_t block_format_bytes = 64 * block_writes;

}  // namespace

RecordWriter::Block::Block()
{
    writes.reserve(block_writes);
    formats.reserve(block_format_bytes);
    values.reserve(block_values);
}

bool RecordWriter::Block::has_room(std::size_t format_size, std::size_t value_count) const
{
    return writes.size() < writes.capacity() && formats.size() + format_size <= formats.capacity()
           && values.size() + value_count <= values.capacity();
}

void RecordWriter::Block::clear()
{
    writes.clear();
    formats.clear();
    values.clear();
}

RecordWriter::RecordWriter() : thread_(&RecordWriter::write_block) {}

void RecordWriter::write(OutputUnit& unit, std::string_view format, std::span<const FormatValue> values)
{
    assert(std::none_of(values.begin(), values.end(),
                        [](const FormatValue& value) { return value.kind() == FormatValue::Kind::text; }));
    if (!thread_.current().has_room(format.size(), values.size())) {
        thread_.hand_over();
    }
    Block& block = thread_.current();
    block.writes.push_back({.unit = &unit,
                            .format_begin = static_cast<std::uint32_t>(block.formats.size()),
                            .format_size = static_cast<std::uint32_t>(format.size()),
                            .values_begin = static_cast<std::uint32_t>(block.values.size()),
                            .values_size = static_cast<std::uint32_t>(values.size())});
    block.formats.append(format);
    block.values.insert(block.values.end(), values.begin(), values.end());
}

void RecordWriter::write_block(const Block& block)
{
    const std::string_view formats = block.formats;
    const std::span<const FormatValue> values = block.values;
    for (const Write& write : block.writes) {
        write.unit->write_now(formats.substr(write.format_begin, write.format_size),
                              values.subspan(write.values_begin, write.values_size));
    }
}

}  // namespace soilcolumn::records
