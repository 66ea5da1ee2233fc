#include "records/input_unit.hpp"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "records/read_report.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {

InputUnit::InputUnit(int number, std::string file_name) : number_(number), file_name_(std::move(file_name)) {}

void InputUnit::open_existing() { open_existing(file_name_); }

void InputUnit::open_existing(const std::string& file_name)
{
    // A name read from a fixed-length text ends in blanks that are not part of it.
    file_name_ = file_name.substr(0, file_name.find_last_not_of(' ') + 1);
    stream_ = nullptr;
    record_number_ = 0;
    if (file_.is_open()) {
        file_.close();
    }
    file_.clear();
    std::error_code ignored;
    // A directory opens like a file on some systems but holds no records.
    if (!std::filesystem::is_directory(file_name_, ignored)) {
        file_.open(file_name_, std::ios::in | std::ios::binary);
    }
    if (!file_.is_open()) {
        throw OpenError("Fehler beim Oeffnen: Einheit " + std::to_string(number_) + ", Datei \"" + file_name_ +
                        "\": Datei nicht vorhanden oder nicht lesbar");
    }
    stream_ = &file_;
}

void InputUnit::connect_stream(std::istream& stream, std::string file_name)
{
    stream_ = &stream;
    file_name_ = std::move(file_name);
    record_number_ = 0;
}

bool InputUnit::next_record(std::string& record)
{
    if (stream_ == nullptr) {
        throw std::logic_error("read from input unit " + std::to_string(number_) + ", which is not connected");
    }
    if (!std::getline(*stream_, record)) {
        record.clear();
        return false;
    }
    if (!record.empty() && record.back() == '\r') {
        record.pop_back();
    }
    ++record_number_;
    return true;
}

void InputUnit::rewind()
{
    if (stream_ == nullptr) {
        return;
    }
    stream_->clear();
    stream_->seekg(0);
    record_number_ = 0;
}

std::string read_line(InputUnit& unit, int length)
{
    std::string record;
    if (!unit.next_record(record)) {
        throw_end_of_file(unit);
    }
    record.resize(static_cast<std::size_t>(std::max(length, 0)), ' ');
    return record;
}

void skip_record(InputUnit& unit)
{
    thread_local std::string record;
    if (!unit.next_record(record)) {
        throw_end_of_file(unit);
    }
}

}  // namespace soilcolumn::records
