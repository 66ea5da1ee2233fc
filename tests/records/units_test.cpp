#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "records/input_unit.hpp"
#include "records/output_unit.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {
namespace {

// ------------------------------------------------------------ line control

struct ControlCase {
    std::vector<std::string> records;
    const char* bytes;  // what the unit writes, closing CR LF included
};

TEST(OutputUnit, TranslatesTheControlCharacter)
{
    const ControlCase cases[] = {
        {{" a", " b"}, "a\r\nb\r\n"},
        {{"xa", "yb"}, "a\r\nb\r\n"},          // any other character acts as a blank
        {{" a", "0b"}, "a\r\n\r\nb\r\n"},      // one empty line before b
        {{" a", "1b"}, "a\r\n\fb\r\n"},        // new page
        {{" a", "+b"}, "a\rb\r\n"},            // overwrite the line
        {{"0a"}, "\r\na\r\n"},                 // the first record drops its leading CR LF
        {{"1a"}, "\fa\r\n"},
        {{"+a", " b"}, "a\r\nb\r\n"},
        {{"", " b", ""}, "\r\nb\r\n\r\n"},     // an empty record is a blank line
        {{}, ""},                              // nothing written, nothing to end
    };
    for (const ControlCase& c : cases) {
        std::ostringstream out;
        OutputUnit unit(6, "standard output");
        unit.connect_stream(out);
        for (const std::string& r : c.records) {
            unit.put_record(r);
        }
        unit.close();
        EXPECT_EQ(out.str(), c.bytes) << c.records.size();
    }
}

struct ConsoleCase {
    const char* format;
    std::vector<FormatValue> values;
    std::string bytes;  // the console output of this one write, unit closed
};

TEST(OutputUnit, ShowsWritesOnTheConsoleAsTheModelLaysThemOut)
{
    // A heading read as a line of 70 characters fills A70, so its "1" is the
    // control character of the second record: a new page, the "1" not shown.
    static const std::string heading = "1Kopf" + std::string(65, ' ');
    const ConsoleCase cases[] = {
        {"(1X,/,A70)", {std::string_view(heading)}, "\r\n\fKopf" + std::string(65, ' ') + "\r\n"},
        // Five lines: empty, the first literal with the count, the second
        // literal less its leading blank, the stop after two blanks, empty.
        {"(1X,/,1X,'Bei Wahl des GHM-Modells im',I4,'-ten',/,' Kompartiment muss h und theta angegeben werden !',/,"
         "3X,'***Programm abgebrochen***',/)",
         {3},
         "\r\nBei Wahl des GHM-Modells im   3-ten\r\nKompartiment muss h und theta angegeben werden !\r\n"
         "  ***Programm abgebrochen***\r\n\r\n"},
        // A record that begins with a literal loses its first character.
        {"(1X,'WARNUNG: Lagerungsdichte ausserhalb des',/,'erwarteten Bereiches.')", {},
         "WARNUNG: Lagerungsdichte ausserhalb des\r\nrwarteten Bereiches.\r\n"},
        {"(1X,' Mehr als',I5,' Iterationen')", {200}, " Mehr als  200 Iterationen\r\n"},
        {"(1X,/,/,'Simulationszeit: ',F10.1,' Tage')", {12.5f}, "\r\n\r\nimulationszeit:       12.5 Tage\r\n"},
    };
    for (const ConsoleCase& c : cases) {
        std::ostringstream out;
        {
            OutputUnit unit(6, "standard output");
            unit.connect_stream(out);
            unit.write_record(c.format, c.values);
        }  // the destructor ends the last record
        EXPECT_EQ(out.str(), c.bytes) << c.format;
    }
}

TEST(OutputUnit, WritesAListRecordAfterOthers)
{
    std::ostringstream out;
    OutputUnit unit(6, "standard output");
    unit.connect_stream(out);
    unit.write_record("(1X,'***Regulaeres Ende erreicht***')");
    unit.write_list("Stop - Program terminated.");
    unit.close();
    EXPECT_EQ(out.str(), "***Regulaeres Ende erreicht***\r\nStop - Program terminated.\r\n");
}

TEST(OutputUnit, ReportsAFileThatCannotBeCreated)
{
    OutputUnit unit(8, "/nonexistent-dir/aus1.txt");
    try {
        unit.create_file();
        FAIL() << "no OpenError";
    } catch (const OpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Fehler beim Oeffnen: Einheit 8, Datei \"/nonexistent-dir/aus1.txt\": Datei kann nicht angelegt werden");
    }
}

TEST(OutputUnit, ReplacesAnEarlierFileAndReadsBackItsRecords)
{
    const std::string path = (std::filesystem::temp_directory_path() / "soilcolumn_records_aus1.txt").string();
    {
        std::ofstream old(path);
        old << "a much longer text of an earlier run\n";
    }
    {
        OutputUnit unit(8, path);
        unit.create_file();
        unit.write_record("(1X,F5.3,/,1X,I3)", {0.5f, 42});
    }
    std::ifstream raw(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, " .500\r\n 42\r\n");

    InputUnit unit(7, "unused");
    unit.open_existing(path + "    ");  // as a name read from a fixed-length text
    float value = 0.0f;
    std::int32_t count = 0;
    read_values(unit, {&value});
    read_values(unit, {&count});
    EXPECT_EQ(value, 0.5f);
    EXPECT_EQ(count, 42);
    std::filesystem::remove(path);
}

// ------------------------------------------------------------ reading

TEST(InputUnit, SplitsRecordsAtLfAndCrLf)
{
    std::istringstream in("a\r\nbb\n\nlast");
    InputUnit unit(7, "vekin.txt");
    unit.connect_stream(in, "vekin.txt");
    std::string r;
    const char* expected[] = {"a", "bb", "", "last"};
    for (const char* e : expected) {
        ASSERT_TRUE(unit.next_record(r));
        EXPECT_EQ(r, e);
    }
    EXPECT_FALSE(unit.next_record(r));
    EXPECT_EQ(unit.record_number(), 4);
    unit.rewind();
    ASSERT_TRUE(unit.next_record(r));
    EXPECT_EQ(r, "a");
    EXPECT_EQ(unit.record_number(), 1);
}

TEST(InputUnit, ReadsLinesOfFixedLength)
{
    std::istringstream in("1 Kopf\nabcdefgh\n");
    InputUnit unit(7, "vekin.txt");
    unit.connect_stream(in, "vekin.txt");
    EXPECT_EQ(read_line(unit, 8), "1 Kopf  ");
    EXPECT_EQ(read_line(unit, 3), "abc");
    try {
        read_line(unit, 3);
        FAIL() << "no ReadError";
    } catch (const ReadError& e) {
        EXPECT_EQ(e.kind(), ReadErrorKind::end_of_file);
        EXPECT_EQ(e.unit(), 7);
        EXPECT_EQ(std::string(e.what()), "Fehler beim Lesen: Einheit 7, Datei \"vekin.txt\", Satz 3: Dateiende erreicht");
    }
}

TEST(InputUnit, ReportsAMissingFile)
{
    InputUnit unit(7, "no-such-file-vekin.txt");
    try {
        unit.open_existing();
        FAIL() << "no OpenError";
    } catch (const OpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Fehler beim Oeffnen: Einheit 7, Datei \"no-such-file-vekin.txt\": Datei nicht vorhanden oder nicht lesbar");
    }
}

}  // namespace
}  // namespace soilcolumn::records
