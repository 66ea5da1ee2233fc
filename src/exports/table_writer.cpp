#include "exports/table_writer.hpp"

#include "exports/csv_exports.hpp"

namespace soilcolumn::exports {
namespace {

// Fields per block (16 bytes each): a few output times of the largest column.
constexpr std::size_t block_fields = 8192;

}  // namespace

TableWriter::Block::Block()
{
    fields.reserve(block_fields);
}

TableWriter::TableWriter() : thread_([this](const Block& block) { write_block(block); }) {}

void TableWriter::start(std::vector<CsvTable*> tables)
{
    tables_ = std::move(tables);
}

void TableWriter::end_row(int table)
{
    append(Field::of(Kind::end_of_row, table, {.integer = 0}));
}

void TableWriter::finish()
{
    thread_.finish();
}

void TableWriter::write_block(const Block& block) const
{
    for (const Field& field : block.fields) {
        CsvTable& table = *tables_[field.table];
        switch (field.kind) {
        case Kind::single:
            table.add(field.value.single);
            break;
        case Kind::real:
            table.add(field.value.real);
            break;
        case Kind::integer:
            table.add(field.value.integer);
            break;
        case Kind::end_of_row:
            table.end_row();
            break;
        }
    }
}

}  // namespace soilcolumn::exports
