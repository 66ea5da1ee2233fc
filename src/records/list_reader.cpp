// List-directed reading: values in free form, separated by blanks, commas or
// record ends, with repeat counts, null values and a slash that ends the read.

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "records/input_unit.hpp"
#include "records/read_report.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }

// One item of the input: a value (r copies of it), r null values, the
// slash, or the end of the file.
struct ListItem {
    enum class Kind { value, null, slash, end_of_file };
    Kind kind = Kind::end_of_file;
    std::string_view token;  // the value text, without its repeat count
    std::int64_t repeat = 1;
};

// Walks the items of one read over as many records as it needs. A comma
// right after another comma (or at the start of the read) is a null value;
// a comma after a value only separates. A record end separates like a blank.
class ListScanner {
public:
    ListScanner(InputUnit& unit, std::string& record) : unit_(unit), record_(record) {}

    ListItem next()
    {
        while (true) {
            while (position_ < record_.size() && is_blank(record_[position_])) {
                ++position_;
            }
            if (position_ == record_.size()) {
                if (!unit_.next_record(record_)) {
                    return ListItem{};
                }
                position_ = 0;
                continue;
            }
            const char c = record_[position_];
            if (c == ',') {
                ++position_;
                if (after_separator_) {
                    return ListItem{ListItem::Kind::null, {}, 1};
                }
                after_separator_ = true;
                continue;
            }
            if (c == '/') {
                return ListItem{ListItem::Kind::slash, {}, 1};
            }
            after_separator_ = false;
            return split_repeat(take_token());
        }
    }

private:
    std::string_view take_token()
    {
        const std::size_t begin = position_;
        while (position_ < record_.size() && !ends_token(record_[position_])) {
            ++position_;
        }
        return std::string_view(record_).substr(begin, position_ - begin);
    }

    // "r*value" is r copies of the value, "r*" alone r null values.
    ListItem split_repeat(std::string_view token) const
    {
        const std::size_t star = token.find('*');
        if (star == std::string_view::npos || star == 0) {
            return ListItem{ListItem::Kind::value, token, 1};
        }
        std::int64_t repeat = 0;
        for (std::size_t i = 0; i < star; ++i) {
            if (!is_decimal_digit(token[i])) {
                return ListItem{ListItem::Kind::value, token, 1};
            }
            repeat = repeat * 10 + (token[i] - '0');
            if (repeat > std::numeric_limits<std::int32_t>::max()) {
                throw_invalid_number(unit_, token);
            }
        }
        if (repeat == 0) {
            throw_invalid_number(unit_, token);
        }
        const std::string_view value = token.substr(star + 1);
        if (value.empty()) {
            return ListItem{ListItem::Kind::null, {}, repeat};
        }
        return ListItem{ListItem::Kind::value, value, repeat};
    }

    InputUnit& unit_;
    std::string& record_;
    std::size_t position_ = 0;
    bool after_separator_ = true;
};

bool parse_integer(std::string_view token, std::int32_t& value)
{
    // The converter reads an optional minus only; a plus is taken off here.
    const std::string_view text = (!token.empty() && token.front() == '+') ? token.substr(1) : token;
    if (text.size() < token.size() && !text.empty() && text.front() == '-') {
        return false;
    }
    std::int32_t parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

// The shape of a real token: [sign] digits [. digits] or [sign] . digits,
// then optionally E, e, D or d with [sign] digits. Fills `normalized` with
// the same number in the form the standard converter reads (no "+", "e" as
// the exponent letter) and `magnitude` with the decimal exponent of its
// leading non-zero digit (saturated), used to tell overflow from underflow.
bool normalize_real(std::string_view token, std::string& normalized, long& magnitude)
{
    normalized.clear();
    std::size_t p = 0;
    if (p < token.size() && (token[p] == '+' || token[p] == '-')) {
        if (token[p] == '-') {
            normalized += '-';
        }
        ++p;
    }
    constexpr long saturation = 100000;
    long digits_before_point = 0;
    long leading_zeros_after_point = 0;
    bool nonzero_seen = false;
    bool any_digit = false;
    bool point_seen = false;
    for (; p < token.size(); ++p) {
        const char c = token[p];
        if (is_decimal_digit(c)) {
            any_digit = true;
            if (c != '0') {
                nonzero_seen = true;
            }
            if (!point_seen && nonzero_seen && digits_before_point < saturation) {
                ++digits_before_point;
            }
            if (point_seen && !nonzero_seen && leading_zeros_after_point < saturation) {
                ++leading_zeros_after_point;
            }
        } else if (c == '.' && !point_seen) {
            point_seen = true;
        } else {
            break;
        }
        normalized += c;
    }
    if (!any_digit) {
        return false;
    }
    long exponent = 0;
    if (p < token.size()) {
        const char letter = token[p++];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') {
            return false;
        }
        normalized += 'e';
        bool negative_exponent = false;
        if (p < token.size() && (token[p] == '+' || token[p] == '-')) {
            negative_exponent = token[p] == '-';
            normalized += token[p++];
        }
        if (p == token.size()) {
            return false;
        }
        for (; p < token.size(); ++p) {
            if (!is_decimal_digit(token[p])) {
                return false;
            }
            if (exponent < saturation) {
                exponent = exponent * 10 + (token[p] - '0');
            }
            normalized += token[p];
        }
        if (negative_exponent) {
            exponent = -exponent;
        }
    }
    magnitude = (digits_before_point > 0 ? digits_before_point : -leading_zeros_after_point) + exponent;
    return true;
}

// A real that does not fit a 32-bit float is invalid (no infinity enters
// the model); one too small for it becomes 0.
bool parse_real(std::string_view token, float& value)
{
    thread_local std::string normalized;
    long magnitude = 0;
    if (!normalize_real(token, normalized, magnitude)) {
        return false;
    }
    float parsed = 0.0f;
    const auto result =
        std::from_chars(normalized.data(), normalized.data() + normalized.size(), parsed, std::chars_format::general);
    if (result.ptr != normalized.data() + normalized.size()) {
        return false;
    }
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) {
            return false;
        }
        parsed = 0.0f;
    } else if (result.ec != std::errc()) {
        return false;
    }
    value = parsed;
    return true;
}

void assign(const InputUnit& unit, const ReadTarget& target, std::string_view token)
{
    bool valid = false;
    if (std::int32_t* const* integer = std::get_if<std::int32_t*>(&target)) {
        valid = parse_integer(token, **integer);
    } else {
        valid = parse_real(token, *std::get<float*>(target));
    }
    if (!valid) {
        throw_invalid_number(unit, token);
    }
}

// The list read behind read_values and read_values_or_end; false when the
// file ends before any item was found and `end_allowed`.
bool read_list(InputUnit& unit, std::span<const ReadTarget> targets, bool end_allowed)
{
    thread_local std::string record;
    if (!unit.next_record(record)) {
        if (end_allowed) {
            return false;
        }
        throw_end_of_file(unit);
    }
    ListScanner scanner(unit, record);
    bool item_found = false;
    std::size_t next_target = 0;
    while (next_target < targets.size()) {
        const ListItem item = scanner.next();
        switch (item.kind) {
        case ListItem::Kind::end_of_file:
            if (end_allowed && !item_found) {
                return false;
            }
            throw_end_of_file(unit);
        case ListItem::Kind::slash:
            return true;
        case ListItem::Kind::null:
            next_target += static_cast<std::size_t>(std::min<std::int64_t>(
                item.repeat, static_cast<std::int64_t>(targets.size() - next_target)));
            break;
        case ListItem::Kind::value:
            for (std::int64_t r = 0; r < item.repeat && next_target < targets.size(); ++r) {
                assign(unit, targets[next_target++], item.token);
            }
            break;
        }
        item_found = true;
    }
    return true;
}

std::string printable(std::string_view token)
{
    constexpr std::size_t longest = 40;
    std::string text(token.substr(0, longest));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    if (token.size() > longest) {
        text += "...";
    }
    return text;
}

std::string read_report_head(const InputUnit& unit, int record_number)
{
    return "Fehler beim Lesen: Einheit " + std::to_string(unit.number()) + ", Datei \"" + unit.file_name() +
           "\", Satz " + std::to_string(record_number) + ": ";
}

}  // namespace

void throw_end_of_file(const InputUnit& unit)
{
    // The record that was looked for is the one after the last one read.
    throw ReadError(read_report_head(unit, unit.record_number() + 1) + "Dateiende erreicht", unit.number(),
                    ReadErrorKind::end_of_file);
}

void throw_invalid_number(const InputUnit& unit, std::string_view token)
{
    throw ReadError(read_report_head(unit, unit.record_number()) + "ungueltige Zahl \"" + printable(token) + "\"",
                    unit.number(), ReadErrorKind::invalid_number);
}

void read_values(InputUnit& unit, std::span<const ReadTarget> targets) { read_list(unit, targets, false); }

void read_values(InputUnit& unit, std::initializer_list<ReadTarget> targets)
{
    read_list(unit, std::span<const ReadTarget>(targets.begin(), targets.size()), false);
}

bool read_values_or_end(InputUnit& unit, std::initializer_list<ReadTarget> targets)
{
    return read_list(unit, std::span<const ReadTarget>(targets.begin(), targets.size()), true);
}

}  // namespace soilcolumn::records
