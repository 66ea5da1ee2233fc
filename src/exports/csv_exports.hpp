#pragma once
// The result tables at full precision, written while the run proceeds:
//   profiles.csv      one row per output time and compartment
//   balances.csv      one row per output time
//   fluxes.csv        one row per output time and face
//   observations.csv  one row per 4-hour record and observation depth
// Comma-separated, one header row, '\n' line ends, no quoting needed (no
// field holds a comma or a quote). docs/outputs.md describes every column.
// The rows are formatted and written by a thread of their own
// (exports/table_writer.hpp), beside the run's.

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_observer.hpp"
#include "exports/fields.hpp"
#include "exports/table_writer.hpp"

namespace soilcolumn::exports {

// One CSV file, written row by row.
class CsvTable {
public:
    CsvTable(std::filesystem::path path);

    // Creates (or empties) the file; throws RunFailure when it cannot.
    void create();
    void write_header(const std::vector<std::string>& names);
    // Starts a row; fields are added by the sink, then end_row() writes it.
    // Value: float, double, std::int64_t or Number.
    template <typename Value>
    void add(const Value& value)
    {
        if (fields_ != 0) line_ += ',';
        append_number(line_, value);
        ++fields_;
    }
    // A field whose value is not defined: NA, which pandas and R read as missing.
    void add_not_defined();
    void end_row();
    // Flushes and closes; throws RunFailure when anything could not be written.
    void close();

    const std::filesystem::path& path() const { return path_; }

private:
    void write_line();

    std::filesystem::path path_;
    std::ofstream file_;
    std::string line_;
    std::size_t columns_ = 0;
    std::size_t fields_ = 0;
};

class CsvExports : public RunObserver {
public:
    // The four tables in `directory`; created when the run opens.
    explicit CsvExports(const std::filesystem::path& directory);

    // Creates the four files empty, so that none of an earlier run is left
    // when this one ends early; throws OpenError. Done at on_open if not before.
    void create();

    void on_open(const ModelState& st) override;
    void on_profile_output(const ModelState& st, const RunRecord& record) override;
    void on_observation_record(const ModelState& st, const ObservationSeries& series) override;

    // Closes every table that was created; throws RunFailure if one could
    // not be written completely.
    void close();

    // The file names, in the order above.
    static std::vector<std::string> file_names();

private:
    CsvTable profiles_;
    CsvTable balances_;
    CsvTable fluxes_;
    CsvTable observations_;
    TableWriter writer_;  // after the tables: stops before they go
    bool created_ = false;
};

}  // namespace soilcolumn::exports
