#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "records/input_unit.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {
namespace {

// Targets of every read below: one integer, then three reals, all starting
// at a sentinel so that an untouched target shows.
constexpr std::int32_t untouched_integer = -99;
constexpr float untouched_real = -9.5f;

struct ListCase {
    const char* input;
    std::int32_t integer;
    float reals[3];
    const char* next_record;  // what the unit reads after the list read
};

TEST(ListReader, ReadsValuesAndSeparators)
{
    const ListCase cases[] = {
        {"   1,2.5, ,4\nrest", 1, {2.5f, untouched_real, 4.0f}, "rest"},  // blank between commas: null
        {"1 2 3 4 5 6\nrest", 1, {2.0f, 3.0f, 4.0f}, "rest"},             // rest of the record skipped
        {"1\t2.,.5\t,  2.5E-3\nrest", 1, {2.0f, 0.5f, 2.5e-3f}, "rest"},  // tabs are blanks
        {"+1 2.5e-3 2.5D-3 -2.5d+3\n", 1, {2.5e-3f, 2.5e-3f, -2500.0f}, ""},
        {"7 3*0.0\nrest", 7, {0.0f, 0.0f, 0.0f}, "rest"},                 // repeat count
        {"7 2* 5\nrest", 7, {untouched_real, untouched_real, 5.0f}, "rest"},  // r* alone: nulls
        {",2,,4\nrest", untouched_integer, {2.0f, untouched_real, 4.0f}, "rest"},  // leading comma: null
        {"1 2 / 3 4\nrest", 1, {2.0f, untouched_real, untouched_real}, "rest"},   // slash ends the read
        {"1/\nrest", 1, {untouched_real, untouched_real, untouched_real}, "rest"},
        {"\n  \n1\n2,\n3 4 5\nrest", 1, {2.0f, 3.0f, 4.0f}, "rest"},     // over several records
        {"1,\n,3 4\nrest", 1, {untouched_real, 3.0f, 4.0f}, "rest"},     // comma, record end, comma: null
        {"1 1e-50 -1e-60 1e+38\n", 1, {0.0f, 0.0f, 1e38f}, ""},          // underflow becomes 0
        {"1 3.4028235e38 1.17549435e-38 1.4e-45\n", 1, {3.4028235e38f, 1.17549435e-38f, 1.4e-45f}, ""},
    };
    for (const ListCase& c : cases) {
        std::istringstream in(c.input);
        InputUnit unit(7, "vekin.txt");
        unit.connect_stream(in, "vekin.txt");
        std::int32_t integer = untouched_integer;
        float reals[3] = {untouched_real, untouched_real, untouched_real};
        read_values(unit, {&integer, &reals[0], &reals[1], &reals[2]});
        EXPECT_EQ(integer, c.integer) << c.input;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(reals[i], c.reals[i]) << c.input << " target " << i + 2;
        }
        std::string next;
        unit.next_record(next);
        EXPECT_EQ(next, c.next_record) << c.input;
    }
}

struct FailureCase {
    const char* input;
    ReadErrorKind kind;
    const char* report;
};

TEST(ListReader, ReportsUnreadableInput)
{
    const FailureCase cases[] = {
        {"x\n1 1.2.3 4\n", ReadErrorKind::invalid_number,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"1.2.3\""},
        {"x\n2.5 1 1\n", ReadErrorKind::invalid_number,  // a real token for an integer target
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"2.5\""},
        {"x\n1e3 1 1\n", ReadErrorKind::invalid_number,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"1e3\""},
        {"x\n1 1e39 1\n", ReadErrorKind::invalid_number,  // beyond the largest float
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"1e39\""},
        {"x\n9999999999 1 1\n", ReadErrorKind::invalid_number,  // beyond the largest integer
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"9999999999\""},
        {"x\n1 2.5E 1\n", ReadErrorKind::invalid_number,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"2.5E\""},
        {"x\n1 0*2 1\n", ReadErrorKind::invalid_number,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"0*2\""},
        {"x\n1 'a' 1\n", ReadErrorKind::invalid_number,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: ungueltige Zahl \"'a'\""},
        {"x\n1 2\n\n", ReadErrorKind::end_of_file,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 4: Dateiende erreicht"},
        {"x\n", ReadErrorKind::end_of_file,
         "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 2: Dateiende erreicht"},
    };
    for (const FailureCase& c : cases) {
        std::istringstream in(c.input);
        InputUnit unit(7, "vekin.txt");
        unit.connect_stream(in, "vekin.txt");
        skip_record(unit);
        std::int32_t integer = 0;
        float a = 0.0f;
        float b = 0.0f;
        try {
            read_values(unit, {&integer, &a, &b});
            ADD_FAILURE() << "no ReadError for " << c.input;
        } catch (const ReadError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.input;
            EXPECT_EQ(std::string(e.what()), c.report);
        }
    }
}

TEST(ListReader, SkipsExactlyOneRecord)
{
    std::istringstream in("1 2 3\n4\n");
    InputUnit unit(14, "chemvek.txt");
    unit.connect_stream(in, "chemvek.txt");
    skip_record(unit);
    std::int32_t value = 0;
    read_values(unit, std::span<const ReadTarget>{});  // a read without targets also takes one record
    EXPECT_THROW(read_values(unit, {&value}), ReadError);
    EXPECT_EQ(value, 0);
}

TEST(ListReader, EndBranchOnlyBeforeTheFirstValue)
{
    // Weather records: the file may end (trailing blank records allowed)
    // before a read starts, but not in the middle of one.
    std::istringstream in("1 2\n\n  \n");
    InputUnit unit(13, "wetter.txt");
    unit.connect_stream(in, "wetter.txt");
    float a = 0.0f;
    float b = 0.0f;
    EXPECT_TRUE(read_values_or_end(unit, {&a, &b}));
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(b, 2.0f);
    EXPECT_FALSE(read_values_or_end(unit, {&a, &b}));
    unit.rewind();
    std::istringstream half("1\n");
    unit.connect_stream(half, "wetter.txt");
    EXPECT_THROW(read_values_or_end(unit, {&a, &b}), ReadError);
}

}  // namespace
}  // namespace soilcolumn::records
