#pragma once
// A float expectation with a relative tolerance of 1e-5, for values that
// were worked out by hand in single precision.

#include <gtest/gtest.h>

#include <cmath>

namespace soilcolumn::testing {

inline void expect_close(float actual, float expected, const char* what)
{
    EXPECT_NEAR(actual, expected, 1e-5f * std::fabs(expected)) << what;
}

}  // namespace soilcolumn::testing
