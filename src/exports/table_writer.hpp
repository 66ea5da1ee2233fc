#pragma once
// Rows of CSV tables written by a thread of their own: the run's thread only
// copies each row's values into a block, and a second thread turns the full
// blocks into text and writes them, so that formatting and writing overlap
// the simulation. Every table receives exactly the rows, in the order, that
// it would receive written directly.
//
// A table belongs to the writer from start() to finish(): nothing else may
// write to it in between. A failure of the writing thread (a file that
// cannot be written) is thrown to the run's thread at its next hand-over of
// a block, or by finish(), whichever comes first.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace soilcolumn::exports {

class CsvTable;

class TableWriter {
public:
    TableWriter() = default;
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;
    // Stops a writer that was not finished; what it had not written is lost.
    ~TableWriter();

    // Starts the writing thread for these tables (their headers written).
    void start(std::vector<CsvTable*> tables);
    bool started() const { return thread_.joinable(); }

    // The fields of a row of table number `table` (its index in start()'s list).
    void add(int table, float value) { append({.kind = Kind::single, .table = table, .single = value}); }
    void add(int table, double value) { append({.kind = Kind::real, .table = table, .real = value}); }
    void add(int table, std::int64_t value) { append({.kind = Kind::integer, .table = table, .integer = value}); }
    void end_row(int table);

    // Hands over the last block, waits until everything is written and
    // stops the thread; throws what the writing thread failed with.
    void finish();

private:
    enum class Kind : std::uint8_t { single, real, integer, end_of_row };
    struct Field {
        Kind kind;
        int table;
        union {
            float single;
            double real;
            std::int64_t integer;
        };
    };
    using Block = std::vector<Field>;

    void append(const Field& field) { block_.push_back(field); }
    void hand_over();
    void rethrow_failure();
    void write_blocks();
    void write_block(const Block& block);

    std::vector<CsvTable*> tables_;
    Block block_;  // being filled by the run's thread
    std::mutex mutex_;
    std::condition_variable block_ready_;
    std::condition_variable block_taken_;
    std::deque<Block> full_;   // handed over, not yet written
    std::vector<Block> spare_; // written, kept for reuse
    bool finishing_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace soilcolumn::exports
