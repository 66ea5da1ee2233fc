// Rows handed to the writing thread reach their tables complete and in
// order, across many blocks and tables in turn; a table that cannot be
// written fails the writer instead of losing rows silently.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "exports/csv_exports.hpp"
#include "exports/table_writer.hpp"
#include "input/temp_directory.hpp"
#include "records/run_errors.hpp"
#include "test_files.hpp"

namespace soilcolumn {
namespace {

using exports::CsvTable;
using exports::TableWriter;
using testing::TempDirectory;

// Row i of table t, as the writer is given it and as it must come out:
// an integer, a float and a double whose shortest forms are known.
void add_row(TableWriter& writer, int t, int i)
{
    writer.add(t, std::int64_t{i});
    writer.add(t, 0.1f * static_cast<float>(t + 1));
    writer.add(t, 0.5 + i);
    writer.end_row(t);
}

std::string expected_row(int t, int i)
{
    const char* singles[] = {"0.1", "0.2", "0.3"};  // 0.1f times 1, 2 and 3 in float
    std::ostringstream row;
    row << i << ',' << singles[t] << ',' << i << ".5\n";
    return row.str();
}

TEST(TableWriter, EveryTableGetsItsRowsInOrderAcrossManyBlocks)
{
    const TempDirectory dir;
    std::vector<CsvTable> tables;
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) tables.emplace_back(dir.path() / name);
    std::vector<CsvTable*> handed;
    for (CsvTable& table : tables) {
        table.create();
        table.write_header({"i", "x", "y"});
        handed.push_back(&table);
    }
    TableWriter writer;
    writer.start(handed);
    // Table 1 gets three rows for every one of tables 0 and 2: 200 000
    // rows in all, far more than one block holds.
    constexpr int rounds = 40000;
    for (int i = 0; i < rounds; ++i) {
        add_row(writer, 0, i);
        for (int k = 0; k < 3; ++k) add_row(writer, 1, 3 * i + k);
        add_row(writer, 2, i);
    }
    writer.finish();
    for (CsvTable& table : tables) table.close();

    for (int t = 0; t < 3; ++t) {
        std::string expected = "i,x,y\n";
        const int rows = t == 1 ? 3 * rounds : rounds;
        for (int i = 0; i < rows; ++i) expected += expected_row(t, i);
        EXPECT_EQ(testing::read_file(tables[t].path()), expected) << tables[t].path();
    }
}

// /dev/full takes the file open and refuses every write with ENOSPC.
TEST(TableWriter, AFullDeviceFailsTheWriterWithTheFileAndTheReason)
{
    CsvTable full("/dev/full");
    full.create();
    full.write_header({"i", "x", "y"});  // buffered: not written yet
    TableWriter writer;
    writer.start({&full});
    try {
        for (int i = 0; i < 1000000; ++i) add_row(writer, 0, i);
        writer.finish();
        FAIL() << "the writer reported no failure";
    } catch (const RunFailure& failure) {
        EXPECT_NE(std::string(failure.what()).find("cannot write /dev/full"), std::string::npos) << failure.what();
        EXPECT_NE(std::string(failure.what()).find("No space left on device"), std::string::npos) << failure.what();
    }
}

TEST(TableWriter, FinishesWithoutRows)
{
    const TempDirectory dir;
    CsvTable table(dir.path() / "t.csv");
    table.create();
    table.write_header({"i"});
    TableWriter writer;
    writer.start({&table});
    writer.finish();
    table.close();
    EXPECT_EQ(testing::read_file(dir.path() / "t.csv"), "i\n");
}

}  // namespace
}  // namespace soilcolumn
