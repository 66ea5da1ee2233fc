#pragma once
// An input unit and the three ways the model reads it: whole lines,
// list-directed values and skipped records.

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace soilcolumn::records {

class InputUnit {
public:
    InputUnit(int number, std::string file_name);
    InputUnit(const InputUnit&) = delete;
    InputUnit& operator=(const InputUnit&) = delete;

    // Opens the file as an existing file; throws OpenError naming the
    // operation, the unit and the file. Trailing blanks of the name (a name
    // read from a fixed-length text) are not part of it.
    void open_existing();
    void open_existing(const std::string& file_name);
    // Reads from a stream owned by the caller (tests).
    void connect_stream(std::istream& stream, std::string file_name);
    bool connected() const { return stream_ != nullptr; }

    // The next record without its terminator (CR LF or LF); false at the end
    // of the file.
    bool next_record(std::string& record);
    // Back to the first record.
    void rewind();

    int number() const { return number_; }
    const std::string& file_name() const { return file_name_; }
    // Records consumed so far (the number of the record last read).
    int record_number() const { return record_number_; }

private:
    int number_;
    std::string file_name_;
    std::ifstream file_;
    std::istream* stream_ = nullptr;
    int record_number_ = 0;
};

// A target of a list-directed read.
using ReadTarget = std::variant<std::int32_t*, float*>;

// Reads the next record into a text of `length` characters: longer records
// are cut, shorter ones padded with blanks. Throws ReadError at end of file.
std::string read_line(InputUnit& unit, int length);

// List-directed read starting at the next record, over as many records as
// the targets need. Throws ReadError (invalid number, end of file).
void read_values(InputUnit& unit, std::span<const ReadTarget> targets);
void read_values(InputUnit& unit, std::initializer_list<ReadTarget> targets);

// The same read with an end-of-file branch: returns false when the file ends
// before the first value was found; every other failure throws.
bool read_values_or_end(InputUnit& unit, std::initializer_list<ReadTarget> targets);

// Consumes one record, whatever it holds. Throws ReadError at end of file.
void skip_record(InputUnit& unit);

}  // namespace soilcolumn::records
