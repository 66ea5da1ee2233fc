#pragma once
// Blocks of work handed from the run's thread to a thread of their own
// (started at construction, idle until given work), which handles them one
// after the other in the order handed over: the run's thread only fills
// blocks (values to be formatted and written, say), and the second thread
// does the rest while the run goes on.
//
// A block is filled through current() and handed over when full. At most a
// few blocks wait at a time: more make the run's thread wait, so that a slow
// disk cannot pile them up in memory. All blocks are made at construction
// and reused, so that nothing is allocated while the run goes on: a block's
// default constructor reserves its room, and who fills it hands it over
// before it would grow. What the handling throws is rethrown to the run's
// thread at its next hand-over, drain() or finish(); after it, nothing more
// is handled.
//
// Block: default-constructible and movable, with empty() and clear().

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace soilcolumn::records {

template <typename Block>
class BlockThread {
public:
    using Handler = std::function<void(const Block&)>;

    explicit BlockThread(Handler handle) : handle_(std::move(handle))
    {
        // The current block, those that may wait and the one being handled.
        spare_.resize(most_waiting_blocks + 1);
        thread_ = std::thread([this] { handle_blocks(); });
    }
    BlockThread(const BlockThread&) = delete;
    BlockThread& operator=(const BlockThread&) = delete;
    // Stops the thread; blocks not yet handled are dropped.
    ~BlockThread()
    {
        {
            const std::lock_guard lock(mutex_);
            drop_waiting();
        }
        stop();
    }

    Block& current() { return current_; }

    // Hands over the current block and starts a fresh one.
    void hand_over()
    {
        std::unique_lock lock(mutex_);
        block_taken_.wait(lock, [this] { return waiting_count_ < most_waiting_blocks || failure_; });
        rethrow_failure();
        waiting_[(first_waiting_ + waiting_count_) % most_waiting_blocks] = std::move(current_);
        ++waiting_count_;
        current_ = take_spare();
        lock.unlock();
        block_ready_.notify_one();
    }

    // Hands over what the current block holds and waits until every block
    // is handled.
    void drain()
    {
        if (!current_.empty()) {
            hand_over();
        }
        std::unique_lock lock(mutex_);
        block_taken_.wait(lock, [this] { return (waiting_count_ == 0 && !busy_) || failure_; });
        rethrow_failure();
    }

    // drain(), then the thread stops.
    void finish()
    {
        drain();
        stop();
    }

private:
    static constexpr std::size_t most_waiting_blocks = 2;

    void rethrow_failure()
    {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

    void stop()
    {
        if (!thread_.joinable()) {
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        block_ready_.notify_one();
        thread_.join();
    }

    // The waiting blocks go back to the spare ones, unhandled.
    void drop_waiting()
    {
        for (; waiting_count_ > 0; --waiting_count_) {
            Block& block = waiting_[first_waiting_];
            block.clear();
            spare_.push_back(std::move(block));
            first_waiting_ = (first_waiting_ + 1) % most_waiting_blocks;
        }
    }

    Block take_spare()
    {
        if (spare_.empty()) {
            return Block();
        }
        Block block = std::move(spare_.back());
        spare_.pop_back();
        return block;
    }

    void handle_blocks()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            block_ready_.wait(lock, [this] { return waiting_count_ > 0 || stopping_; });
            if (waiting_count_ == 0) {
                return;
            }
            Block block = std::move(waiting_[first_waiting_]);
            first_waiting_ = (first_waiting_ + 1) % most_waiting_blocks;
            --waiting_count_;
            busy_ = true;
            lock.unlock();
            std::exception_ptr failure;
            try {
                handle_(block);
            } catch (...) {
                failure = std::current_exception();
            }
            block.clear();
            lock.lock();
            busy_ = false;
            spare_.push_back(std::move(block));
            if (failure) {
                failure_ = failure;
                drop_waiting();
            }
            block_taken_.notify_one();
        }
    }

    Handler handle_;
    Block current_;
    std::mutex mutex_;
    std::condition_variable block_ready_;
    std::condition_variable block_taken_;
    // Handed over, not yet handled: a ring of waiting_count_ blocks from first_waiting_.
    std::array<Block, most_waiting_blocks> waiting_;
    std::size_t first_waiting_ = 0;
    std::size_t waiting_count_ = 0;
    std::vector<Block> spare_;  // never more than were made: pushing back does not allocate
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace soilcolumn::records
