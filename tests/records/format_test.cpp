#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/format.hpp"

namespace soilcolumn::records {
namespace {

// Expected fields worked out by hand from the decimal expansion of the
// stored float (e.g. 0.25f is exactly 0.25, 123456789.0f is 123456792).
struct RealCase {
    float value;
    char edit;  // 'F' or 'G'
    int w;
    int d;
    const char* expected;
};

TEST(Format, RendersRealFields)
{
    const RealCase cases[] = {
        {0.5f, 'F', 5, 3, " .500"},               // no leading zero
        {1.0f, 'F', 5, 3, "1.000"},
        {10.0f, 'F', 5, 3, "*****"},              // needs 6 columns
        {0.25f, 'F', 4, 1, "  .3"},               // exact half rounds up
        {-0.25f, 'F', 5, 1, "  -.3"},             // ... away from zero
        {-0.25f, 'F', 6, 2, "  -.25"},
        {123456789.0f, 'F', 14, 1, "   123456800.0"},  // 7 significant digits, then zeros
        {9.99f, 'F', 4, 1, "10.0"},               // carry adds an integer digit
        {99.9f, 'F', 3, 1, "***"},
        {0.3f, 'F', 2, 0, "0."},                  // lone zero when no digit is written
        {-0.0004f, 'F', 5, 3, " .000"},           // rounded zero has no minus sign
        {1.2349999f, 'F', 4, 2, "1.23"},          // 1.23499989509582519531... stays below the half
        {1.235f, 'F', 4, 2, "1.24"},              // 1.23500001430511474609...
        {2.675f, 'F', 4, 2, "2.67"},              // 2.67499995231628417969...
        {0.125f, 'F', 4, 2, " .13"},              // exactly a half
        {0.05f, 'G', 9, 2, "  .50E-01"},
        {0.1f, 'G', 9, 2, "  .10    "},
        {99.0f, 'G', 9, 2, "  99.    "},
        {100.0f, 'G', 9, 2, "  .10E+03"},
        {0.5f, 'G', 9, 2, "  .50    "},
        {12.0f, 'G', 9, 2, "  12.    "},
        {0.0f, 'G', 10, 3, "  .000    "},
        {1.5e-5f, 'G', 9, 2, "  .15E-04"},
        {123.0f, 'G', 9, 2, "  .12E+03"},
        {-0.02f, 'G', 10, 3, " -.200E-01"},
        {999.6f, 'G', 9, 2, "  .10E+04"},      // mantissa carries to 1: exponent raised
        {99.96f, 'G', 9, 2, " 100.    "},      // e = 2 chosen before rounding: F form, 0 decimals
        {0.0999999f, 'G', 9, 2, "  .10E+00"},  // e = -1 chosen before rounding
        {-1.0f, 'G', 4, 2, "****"},            // F form does not fit w - 4 columns
    };
    for (const RealCase& c : cases) {
        const std::string rendered = c.edit == 'F' ? render_fixed(c.value, c.w, c.d) : render_general(c.value, c.w, c.d);
        EXPECT_EQ(rendered, c.expected) << c.edit << c.w << "." << c.d << " of " << c.value;
    }
}

TEST(Format, SixtyFourBitRealsCarryFifteenDigits)
{
    // 1/3 in double: 0.333333333333333314829616256247...; 15 digits, then zeros.
    // 1/3 in float: 0.3333333432674407958984375; 7 digits, then zeros.
    EXPECT_EQ(render_fixed(1.0 / 3.0, 20, 17), "  .33333333333333300");
    EXPECT_EQ(render_fixed(1.0f / 3.0f, 12, 10), " .3333333000");
    EXPECT_EQ(render_general(86400.0 * 365.0, 12, 5), "  .31536E+08");
}

TEST(Format, RendersIntegers)
{
    EXPECT_EQ(render_integer(3, 4), "   3");
    EXPECT_EQ(render_integer(0, 2), " 0");
    EXPECT_EQ(render_integer(-12, 3), "-12");
    EXPECT_EQ(render_integer(-123, 3), "***");
    EXPECT_EQ(render_integer(-2147483647 - 1, 11), "-2147483648");
}

struct WriteCase {
    const char* format;
    std::vector<FormatValue> values;
    std::vector<std::string> records;
};

TEST(Format, LaysOutRecords)
{
    const WriteCase cases[] = {
        // Positioning alone makes an empty record; "/)" ends with one.
        {"(1X,/,A70)", {"1Kopfzeile"}, {"", std::string(60, ' ') + "1Kopfzeile"}},
        {"(1X,/,1X,'Bei Wahl des GHM-Modells im',I4,'-ten',/,' Kompartiment muss h und theta angegeben werden !',/,"
         "3X,'***Programm abgebrochen***',/)",
         {3},
         {"", " Bei Wahl des GHM-Modells im   3-ten", " Kompartiment muss h und theta angegeben werden !",
          "   ***Programm abgebrochen***", ""}},
        // Values run out: literals and X before the next value item still go out.
        {"(1X,F5.1,' a',2X,I3,' b')", {1.5f}, {"   1.5 a"}},
        {"(1X,'x',I3,'y')", {}, {" x"}},
        // ... also in the middle of a repeat group: 3X still goes out, 1X and 8G7.2 do not.
        {"(1X,F8.3,I8,2X,F10.3,3X,4F8.3,1X,8G7.2)", {0.5f, 12, -3.25f, 1.0f, 2.5f},
         {"     .500      12      -3.250      1.000   2.500"}},
        // The second pass starts on a new record; after its "/" the literal
        // before the item without a value still goes out.
        {"(1X,I2,/,'xy',I2)", {1, 2, 3}, {"  1", "xy 2", "  3", "xy"}},
        // More values than items: the format text starts again on a new record.
        {"(1X,2I3)", {1, 2, 3, 4, 5}, {"   1  2", "   3  4", "   5"}},
        // Only the first format text of the string counts.
        {"(1X,I2)(I5)", {7, 8}, {"  7", "  8"}},
        // Aw cuts a longer text at the left end, right-justifies a shorter one.
        {"(A4,A6,A)", {"abcdef", "abc", " z "}, {"abcd   abc z "}},
        {"(4F6.3)", {0.5f, 1.0f, -0.125f}, {"  .500 1.000 -.125"}},
        {"(1X,'it''s')", {}, {" it's"}},
        {"(1x, i2 ,f4.1, g9.2 )", {1, 2.0f, 3.0f}, {"  1 2.0  3.0    "}},
    };
    for (const WriteCase& c : cases) {
        std::vector<std::string> records{"left over"};
        format_records(c.format, c.values, records);
        EXPECT_EQ(records, c.records) << c.format;
    }
}

TEST(Format, RefusesMalformedFormatTexts)
{
    const char* formats[] = {"", "I3", "(I3", "(1X,'open)", "(2(I3))", "(I0)", "(F8)", "(F8.)",
                             "(Q3)", "(I1001)", "(0X)", "(3'a')"};
    for (const char* format : formats) {
        std::vector<std::string> records;
        EXPECT_THROW(format_records(format, std::vector<FormatValue>{1}, records), std::invalid_argument) << format;
    }
    std::vector<std::string> records;
    EXPECT_THROW(format_records("(1X,'no items')", std::vector<FormatValue>{1}, records), std::invalid_argument);
    EXPECT_THROW(format_records("(I3)", std::vector<FormatValue>{1.0f}, records), std::invalid_argument);
}

}  // namespace
}  // namespace soilcolumn::records
