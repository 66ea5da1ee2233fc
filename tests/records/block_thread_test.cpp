// The hand-over thread handles every block once, in order; drain() returns
// only when all are handled; a failure of the handling reaches the run's
// thread and stops the handling; an unfinished thread stops on destruction.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "records/block_thread.hpp"

namespace soilcolumn::records {
namespace {

using Block = std::vector<int>;

TEST(BlockThread, HandlesEveryBlockInOrderAndDrainWaitsForAll)
{
    std::vector<int> handled;  // written by the handling thread only until drain()
    BlockThread<Block> thread([&handled](const Block& block) {
        handled.insert(handled.end(), block.begin(), block.end());
    });
    std::vector<int> expected;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 1000; ++i) {
            const int value = 1000 * round + i;
            thread.current().push_back(value);
            expected.push_back(value);
            if (i % 7 == 6) thread.hand_over();  // more blocks than may wait at a time
        }
        thread.drain();  // the last, partly filled block too
        EXPECT_EQ(handled, expected) << "round " << round;
    }
    thread.finish();
    EXPECT_EQ(handled, expected);
}

TEST(BlockThread, AFailureReachesTheCallerAndNothingAfterItIsHandled)
{
    int handled_after = 0;
    BlockThread<Block> thread([&handled_after](const Block& block) {
        if (block.front() == 5) throw std::runtime_error("block 5 failed");
        if (block.front() > 5) ++handled_after;
    });
    const auto fill_and_drain = [&thread] {
        for (int b = 0; b < 20; ++b) {
            thread.current().push_back(b);
            thread.hand_over();
        }
        thread.drain();
    };
    EXPECT_THROW(
        {
            try {
                fill_and_drain();
            } catch (const std::runtime_error& failure) {
                EXPECT_STREQ(failure.what(), "block 5 failed");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_THROW(thread.finish(), std::runtime_error);  // the failure stays
    EXPECT_EQ(handled_after, 0);
}

TEST(BlockThread, StopsWhenDestroyedWithBlocksWaiting)
{
    int handled = 0;
    {
        BlockThread<Block> thread([&handled](const Block&) { ++handled; });
        for (int b = 0; b < 5; ++b) {
            thread.current().push_back(b);
            thread.hand_over();
        }
    }  // no drain: the thread stops here instead of hanging the test
    EXPECT_LE(handled, 5);
    BlockThread<Block> unused([](const Block&) {});
    unused.finish();  // nothing handed over: nothing to wait for
}

}  // namespace
}  // namespace soilcolumn::records
