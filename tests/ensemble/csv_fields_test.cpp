// Splitting the lines of parameter tables and sampling plans.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ensemble/csv_fields.hpp"

namespace soilcolumn::ensemble {
namespace {

TEST(CsvFields, SplitsTrimsAndKeepsAnEmptyLastField)
{
    struct Case { const char* line; std::vector<std::string> fields; };
    const Case cases[] = {
        {"half_life.1,5", {"half_life.1", "5"}},
        {" a ,\tb\t, c\r", {"a", "b", "c"}},           // blanks, tabs, a Windows line end
        {"a,,c", {"a", "", "c"}},                      // an empty field in the middle
        {"a,b,", {"a", "b", ""}},                      // a missing last value is a field
        {"single", {"single"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fields_of(c.line), c.fields) << "'" << c.line << "'";
    }
    EXPECT_EQ(trimmed(" \t\r "), "");
}

}  // namespace
}  // namespace soilcolumn::ensemble
