#include "exports/table_writer.hpp"

#include "exports/csv_exports.hpp"

namespace soilcolumn::exports {
namespace {

// Fields per block (16 bytes each): a few output times of the largest
// column. More blocks than these waiting make the run's thread wait, so
// that a slow disk cannot make the blocks pile up in memory.
constexpr std::size_t block_fields = 16384;
constexpr std::size_t most_waiting_blocks = 8;

}  // namespace

TableWriter::~TableWriter()
{
    if (!started()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        full_.clear();
        finishing_ = true;
    }
    block_ready_.notify_one();
    thread_.join();
}

void TableWriter::start(std::vector<CsvTable*> tables)
{
    tables_ = std::move(tables);
    block_.reserve(block_fields);
    thread_ = std::thread([this] { write_blocks(); });
}

void TableWriter::end_row(int table)
{
    append({.kind = Kind::end_of_row, .table = table, .integer = 0});
    if (block_.size() >= block_fields) {
        hand_over();
    }
}

void TableWriter::hand_over()
{
    std::unique_lock lock(mutex_);
    block_taken_.wait(lock, [this] { return full_.size() < most_waiting_blocks || failure_; });
    rethrow_failure();
    full_.push_back(std::move(block_));
    if (spare_.empty()) {
        block_ = Block();
        block_.reserve(block_fields);
    } else {
        block_ = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    block_ready_.notify_one();
}

void TableWriter::rethrow_failure()
{
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void TableWriter::finish()
{
    if (!started()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        if (!block_.empty() && !failure_) {
            full_.push_back(std::move(block_));
        }
        finishing_ = true;
    }
    block_ready_.notify_one();
    thread_.join();
    rethrow_failure();
}

// The writing thread: blocks in the order handed over, until finish() has
// handed over the last one; after a failure it writes nothing more.
void TableWriter::write_blocks()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        block_ready_.wait(lock, [this] { return !full_.empty() || finishing_; });
        if (full_.empty()) {
            return;
        }
        Block block = std::move(full_.front());
        full_.pop_front();
        lock.unlock();
        std::exception_ptr failure;
        try {
            write_block(block);
        } catch (...) {
            failure = std::current_exception();
        }
        block.clear();
        lock.lock();
        spare_.push_back(std::move(block));
        if (failure) {
            failure_ = failure;
            full_.clear();
        }
        block_taken_.notify_one();
    }
}

void TableWriter::write_block(const Block& block)
{
    for (const Field& field : block) {
        CsvTable& table = *tables_[field.table];
        switch (field.kind) {
        case Kind::single:
            table.add(field.single);
            break;
        case Kind::real:
            table.add(field.real);
            break;
        case Kind::integer:
            table.add(field.integer);
            break;
        case Kind::end_of_row:
            table.end_row();
            break;
        }
    }
}

}  // namespace soilcolumn::exports
