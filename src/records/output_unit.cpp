#include "records/output_unit.hpp"

#include <algorithm>
#include <stdexcept>

#include "records/format.hpp"
#include "records/record_writer.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {

namespace {

constexpr std::string_view line_end = "\r\n";

// What a record's control character puts before the record's text. The
// first record of a unit starts on the unit's first line, so the CR LF that
// would end a previous record is left out there.
std::string_view line_control(char control, bool first_record)
{
    switch (control) {
    case '0':
        return first_record ? "\r\n" : "\r\n\r\n";
    case '1':
        return first_record ? "\f" : "\r\n\f";
    case '+':
        return first_record ? "" : "\r";
    default:  // blank, and any other character, begins a new line
        return first_record ? "" : line_end;
    }
}

}  // namespace

OutputUnit::OutputUnit(int number, std::string file_name) : number_(number), file_name_(std::move(file_name)) {}

OutputUnit::~OutputUnit()
{
    try {
        close();
    } catch (const std::exception&) {
        // A destructor must not throw; a failed final write was already lost.
    }
}

void OutputUnit::connect_stream(std::ostream& stream)
{
    wait_for_writer();
    stream_ = &stream;
    record_open_ = false;
}

void OutputUnit::create_file()
{
    wait_for_writer();
    stream_ = nullptr;
    if (file_.is_open()) {
        file_.close();
    }
    file_.clear();
    file_.open(file_name_, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) {
        throw OpenError("Fehler beim Oeffnen: Einheit " + std::to_string(number_) + ", Datei \"" + file_name_ +
                        "\": Datei kann nicht angelegt werden");
    }
    stream_ = &file_;
    record_open_ = false;
}

void OutputUnit::write_record(std::string_view format, std::initializer_list<FormatValue> values)
{
    write_record(format, std::span<const FormatValue>(values.begin(), values.size()));
}

void OutputUnit::write_record(std::string_view format, std::span<const FormatValue> values)
{
    const bool has_text = std::any_of(values.begin(), values.end(), [](const FormatValue& value) {
        return value.kind() == FormatValue::Kind::text;
    });
    if (writer_ != nullptr && !has_text) {
        writer_->write(*this, format, values);
        return;
    }
    wait_for_writer();
    write_now(format, values);
}

void OutputUnit::write_now(std::string_view format, std::span<const FormatValue> values)
{
    const std::size_t count = format_records_reusing(format, values, records_);
    for (std::size_t i = 0; i < count; ++i) {
        put_record_now(records_[i]);
    }
}

void OutputUnit::wait_for_writer()
{
    if (writer_ != nullptr) {
        writer_->drain();
    }
}

std::string OutputUnit::write_message(std::string_view format, std::initializer_list<FormatValue> values)
{
    wait_for_writer();
    const std::size_t count =
        format_records_reusing(format, std::span<const FormatValue>(values.begin(), values.size()), records_);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        put_record_now(records_[i]);
        std::string_view line = std::string_view(records_[i]).substr(records_[i].empty() ? 0 : 1);
        line = line.substr(0, line.find_last_not_of(' ') + 1);
        const std::size_t first = line.find_first_not_of(' ');
        line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
        if (!text.empty() || !line.empty()) {
            text.append(line).push_back('\n');
        }
    }
    text.erase(text.find_last_not_of('\n') + 1);
    if (warnings_ != nullptr && text.starts_with("WARNUNG:")) {
        warnings_->push_back(text);
    }
    return text;
}

void OutputUnit::write_list(std::string_view text)
{
    wait_for_writer();
    put_record_now(" ");
    *stream_ << text;
}

void OutputUnit::put_record(std::string_view record)
{
    wait_for_writer();
    put_record_now(record);
}

void OutputUnit::put_record_now(std::string_view record)
{
    if (stream_ == nullptr) {
        throw std::logic_error("write to output unit " + std::to_string(number_) + ", which is not connected");
    }
    const char control = record.empty() ? ' ' : record.front();
    *stream_ << line_control(control, !record_open_);
    if (!record.empty()) {
        *stream_ << record.substr(1);
    }
    record_open_ = true;
}

void OutputUnit::close()
{
    if (stream_ == nullptr) {
        return;
    }
    wait_for_writer();
    writer_ = nullptr;
    std::ostream& stream = *stream_;
    stream_ = nullptr;
    if (record_open_) {
        stream << line_end;
        record_open_ = false;
    }
    stream.flush();
    if (file_.is_open()) {
        file_.close();
    }
    if (!stream) {
        throw RunFailure("Fehler beim Schreiben: Einheit " + std::to_string(number_) + ", Datei \"" + file_name_ +
                         "\": Datei kann nicht geschrieben werden");
    }
}

}  // namespace soilcolumn::records
