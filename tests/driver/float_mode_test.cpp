// The guard of the fast arithmetic: subnormals flushed inside, the control
// register as it was outside, nothing at all when inactive.

#include <gtest/gtest.h>

#include <limits>

#include "driver/float_mode.hpp"

namespace {

// Read through volatile, so that the product is computed at run time.
float product(float a, float b)
{
    volatile float left = a;
    volatile float right = b;
    return left * right;
}

TEST(SubnormalsFlushed, OnlyWhileActiveAndOnlyInsideItsScope)
{
#ifdef SOILCOLUMN_HAS_MXCSR
    const float smallest_normal = std::numeric_limits<float>::min();
    // The control bits; the exception flags (the low six) are sticky and
    // record what the products below raise.
    constexpr unsigned control = ~0x3Fu;
    const unsigned before = _mm_getcsr() & control;
    struct Case {
        bool active;
        bool flushed;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        {
            const soilcolumn::SubnormalsFlushed guard(c.active);
            EXPECT_EQ(product(smallest_normal, 0.5f) == 0.0f, c.flushed) << "active " << c.active;
        }
        EXPECT_EQ(_mm_getcsr() & control, before);
        EXPECT_NE(product(smallest_normal, 0.5f), 0.0f);
    }
#else
    GTEST_SKIP() << "no SSE control register on this processor";
#endif
}

}  // namespace
