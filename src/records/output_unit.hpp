#pragma once
// An output unit: the console or a result file, written record by record
// with the line control of the first character of every record:
//   blank (or any other character)  the record begins a new line (CR LF)
//   "0"                             one empty line, then the record
//   "1"                             a new page (CR LF, form feed)
//   "+"                             the record overwrites the line (lone CR)
// The control character itself is not written. The first record of a unit
// drops the leading CR LF; closing the unit ends its last record with CR LF.

#include <fstream>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/format_value.hpp"

namespace soilcolumn::records {

class RecordWriter;

class OutputUnit {
public:
    OutputUnit(int number, std::string file_name);
    OutputUnit(const OutputUnit&) = delete;
    OutputUnit& operator=(const OutputUnit&) = delete;
    ~OutputUnit();

    // Writes to a stream owned by the caller (the console, or a test buffer).
    void connect_stream(std::ostream& stream);
    // Creates the file, or empties it if present; throws OpenError.
    void create_file();
    bool connected() const { return stream_ != nullptr; }
    // From now on the unit's formatted writes without text values are done
    // by `writer` (records/record_writer.hpp), which must outlive the unit's
    // close(); any other write, and close(), first waits for it.
    void write_through(RecordWriter& writer) { writer_ = &writer; }

    void write_record(std::string_view format, std::initializer_list<FormatValue> values = {});
    void write_record(std::string_view format, std::span<const FormatValue> values);
    // Writes the records and returns what a reader sees of them: their
    // lines without control characters and trailing blanks, joined by
    // newlines, with empty lines at the start and the end left out.
    std::string write_message(std::string_view format, std::initializer_list<FormatValue> values = {});
    // Every message written with write_message whose text begins with
    // "WARNUNG:" is also appended to `log` (nullptr: kept nowhere).
    void keep_warnings_in(std::vector<std::string>* log) { warnings_ = log; }
    // A list-directed write of one text: a record of a blank and the text.
    void write_list(std::string_view text);
    // Writes one record whose text (control character first) is given as is.
    void put_record(std::string_view record);
    // Ends the last record and flushes; the unit can not be written afterwards.
    void close();

    int number() const { return number_; }
    const std::string& file_name() const { return file_name_; }

private:
    friend class RecordWriter;
    void write_now(std::string_view format, std::span<const FormatValue> values);
    void put_record_now(std::string_view record);
    void wait_for_writer();

    int number_;
    std::string file_name_;
    std::ofstream file_;
    std::ostream* stream_ = nullptr;
    bool record_open_ = false;
    std::vector<std::string> records_;  // reused by every write
    std::vector<std::string>* warnings_ = nullptr;
    RecordWriter* writer_ = nullptr;
};

}  // namespace soilcolumn::records
