#pragma once
// Rows of CSV tables written by a thread of their own
// (records/block_thread.hpp): the run's thread only copies each row's
// values into a block, and the second thread turns the blocks into text and
// writes them. Every table receives exactly the rows, in the order, that it
// would receive written directly.
//
// A table belongs to the writer from start() to finish(): nothing else may
// write to it in between. A failure to write a table is thrown to the run's
// thread at a later row or by finish().

#include <cstdint>
#include <vector>

#include "records/block_thread.hpp"

namespace soilcolumn::exports {

class CsvTable;

class TableWriter {
public:
    TableWriter();

    // The tables (their headers written) that the rows go to.
    void start(std::vector<CsvTable*> tables);

    // The fields of a row of table number `table` (its index in start()'s list).
    void add(int table, float value) { append(Field::of(Kind::single, table, {.single = value})); }
    void add(int table, double value) { append(Field::of(Kind::real, table, {.real = value})); }
    void add(int table, std::int64_t value) { append(Field::of(Kind::integer, table, {.integer = value})); }
    void end_row(int table);

    // Waits until every row is written; throws what the writing failed with.
    void finish();

private:
    enum class Kind : std::uint8_t { single, real, integer, end_of_row };
    union Value {
        float single;
        double real;
        std::int64_t integer;
    };
    struct Field {
        Kind kind;
        int table;
        Value value;
        static Field of(Kind kind, int table, Value value) { return {kind, table, value}; }
    };
    struct Block {
        std::vector<Field> fields;
        Block();
        bool empty() const { return fields.empty(); }
        void clear() { fields.clear(); }
    };

    // A full block is handed over, even within a row: the rows go on in the next.
    void append(const Field& field)
    {
        if (thread_.current().fields.size() == thread_.current().fields.capacity()) {
            thread_.hand_over();
        }
        thread_.current().fields.push_back(field);
    }
    void write_block(const Block& block) const;

    std::vector<CsvTable*> tables_;
    records::BlockThread<Block> thread_;  // last: stops before the tables go
};

}  // namespace soilcolumn::exports
