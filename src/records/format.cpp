#include "records/format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "records/decimal.hpp"

namespace soilcolumn::records {

namespace {

// Significant digits a real carries into a record.
constexpr int float_significant_digits = 7;
constexpr int double_significant_digits = 15;

// ---------------------------------------------------------------- fields

void append_asterisks(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

// Right-justifies `text` in w columns, or asterisks when it is too long.
void append_justified(std::string& out, std::string_view text, int w)
{
    if (static_cast<long long>(text.size()) > w) {
        append_asterisks(out, w);
        return;
    }
    out.append(static_cast<std::size_t>(w) - text.size(), ' ');
    out.append(text);
}

// NaN and infinities cannot be rounded; they are named in the field.
void append_non_finite(std::string& out, double value, int w)
{
    if (std::isnan(value)) {
        append_justified(out, "NaN", w);
    } else if (value > 0.0) {
        append_justified(out, w >= 8 ? "Infinity" : "Inf", w);
    } else {
        append_justified(out, w >= 9 ? "-Infinity" : "-Inf", w);
    }
}

char digit_char(int digit) { return static_cast<char>('0' + digit); }

// Appends w blanks and returns where they begin: a field is written into
// them in place, its leading blanks already there.
char* append_blank_field(std::string& out, int w)
{
    const std::size_t begin = out.size();
    out.append(static_cast<std::size_t>(w), ' ');
    return out.data() + begin;
}

// Characters of the fixed-point text of rounded digits with d decimals:
// sign, integer digits (none when the integer part is 0), ".", d decimals;
// a lone "0" only when no digit at all would be written (0. for F2.0).
long long fixed_length(const DecimalDigits& r, int d)
{
    const bool minus = r.negative && !r.is_zero();
    const int integer_digits = r.is_zero() ? 0 : std::max(r.exponent, 0);
    const bool lone_zero = integer_digits == 0 && d == 0;
    return (minus ? 1 : 0) + integer_digits + (lone_zero ? 1 : 0) + 1LL + d;
}

void append_fixed_digits(std::string& out, const DecimalDigits& r, int w, int d)
{
    const long long length = fixed_length(r, d);
    if (length > w) {
        append_asterisks(out, w);
        return;
    }
    char* p = append_blank_field(out, w) + (w - length);
    if (r.negative && !r.is_zero()) {
        *p++ = '-';
    }
    const int integer_digits = r.is_zero() ? 0 : std::max(r.exponent, 0);
    for (int i = 0; i < integer_digits; ++i) {
        *p++ = digit_char(r.digit(i));
    }
    if (integer_digits == 0 && d == 0) {
        *p++ = '0';
    }
    *p++ = '.';
    for (int j = 1; j <= d; ++j) {
        *p++ = digit_char(r.is_zero() ? 0 : r.digit(r.exponent - 1 + j));
    }
}

// Fw.d: one rounding, at the d-th decimal or at the last significant digit
// the precision carries, whichever comes first; positions beyond it are 0.
void append_fixed(std::string& out, double value, int significant_digits, int w, int d)
{
    if (!std::isfinite(value)) {
        append_non_finite(out, value, w);
        return;
    }
    const ExactValue x(value);
    append_fixed_digits(out, x.rounded(std::min(x.exponent() + d, significant_digits)), w, d);
}

// "E+05"; an exponent of three digits replaces the letter ("+105").
void write_exponent(char* p, int exponent)
{
    const int magnitude = std::abs(exponent);
    if (magnitude <= 99) {
        *p++ = 'E';
    }
    *p++ = exponent < 0 ? '-' : '+';
    if (magnitude > 99) {
        *p++ = digit_char(magnitude / 100);
    }
    *p++ = digit_char(magnitude / 10 % 10);
    *p = digit_char(magnitude % 10);
}

// Gw.d: the decimal exponent e of the stored value (value = 0.ddd x 10^e,
// taken before rounding) chooses the form. For 0 <= e <= d the value is
// written as F with d - e decimals in w - 4 columns and 4 trailing blanks,
// even when the rounding carries into a new digit (99.96 in G9.2 is
// " 100.    "), and a fixed form too wide for its w - 4 columns fills the
// whole field with asterisks; otherwise as .d1..dd E+xx, and a mantissa
// that rounds up to 1 becomes .10..0 with the exponent raised.
void append_general(std::string& out, double value, int significant_digits, int w, int d)
{
    if (!std::isfinite(value)) {
        append_non_finite(out, value, w);
        return;
    }
    const ExactValue x(value);
    const int e = x.exponent();
    const DecimalDigits r = x.rounded(std::min(d, significant_digits));
    if (e >= 0 && e <= d) {
        const int decimals = d - e;
        if (fixed_length(r, decimals) > w - 4) {
            append_asterisks(out, w);
            return;
        }
        append_fixed_digits(out, r, w - 4, decimals);
        out.append(4, ' ');
        return;
    }
    const bool minus = r.negative;
    const long long length = (minus ? 1 : 0) + 1LL + d + 4;
    if (length > w) {
        append_asterisks(out, w);
        return;
    }
    char* p = append_blank_field(out, w) + (w - length);
    if (minus) {
        *p++ = '-';
    }
    *p++ = '.';
    for (int i = 0; i < d; ++i) {
        *p++ = digit_char(r.digit(i));
    }
    write_exponent(p, r.is_zero() ? 0 : r.exponent);
}

void append_integer(std::string& out, std::int32_t value, int w)
{
    std::array<char, 12> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    append_justified(out, std::string_view(text.data(), static_cast<std::size_t>(result.ptr - text.data())), w);
}

// Aw: a longer text keeps its leftmost w characters, a shorter one is
// right-justified.
void append_text(std::string& out, std::string_view text, int w)
{
    if (static_cast<long long>(text.size()) >= w) {
        out.append(text.substr(0, static_cast<std::size_t>(w)));
    } else {
        out.append(static_cast<std::size_t>(w) - text.size(), ' ');
        out.append(text);
    }
}

void check_field(int w, int d)
{
    if (w < 1 || w > max_field_width || d < 0 || d > max_field_width) {
        throw std::invalid_argument("field width or decimal count out of range");
    }
}

// ---------------------------------------------------------------- format text

struct EditItem {
    enum class Kind { skip, slash, literal, integer, fixed, general, text };
    Kind kind = Kind::skip;
    int count = 1;           // repeat count, or the n of nX and n/
    int w = 0;               // 0 for A without width
    int d = 0;
    std::string_view literal;  // between the quotes, doubled quotes not yet merged
    char quote = '\'';
};

[[noreturn]] void malformed(const char* what)
{
    throw std::invalid_argument(std::string("malformed format text: ") + what);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Walks the edit items of the first parenthesised format text of a string.
// Blanks between items are ignored, commas are optional separators.
class FormatWalker {
public:
    explicit FormatWalker(std::string_view text) : text_(text)
    {
        std::size_t p = 0;
        while (p < text_.size() && text_[p] == ' ') {
            ++p;
        }
        if (p == text_.size() || text_[p] != '(') {
            malformed("it does not begin with '('");
        }
        first_item_ = p + 1;
        close_ = find_closing(first_item_);
        position_ = first_item_;
    }

    void restart() { position_ = first_item_; }

    // The next item; false at the closing parenthesis.
    bool next(EditItem& item)
    {
        skip_separators();
        if (position_ >= close_) {
            return false;
        }
        item = EditItem{};
        bool counted = false;
        if (is_digit(text_[position_])) {
            item.count = read_number();
            counted = true;
            if (item.count == 0) {
                malformed("a count of 0");
            }
            skip_blanks();
        }
        const char c = upper(text_[position_++]);
        switch (c) {
        case 'X':
            item.kind = EditItem::Kind::skip;
            break;
        case '/':
            item.kind = EditItem::Kind::slash;
            break;
        case '\'':
        case '"':
            if (counted) {
                malformed("a repeat count before a literal");
            }
            item.kind = EditItem::Kind::literal;
            item.quote = c;
            item.literal = read_literal(c);
            break;
        case 'I':
            item.kind = EditItem::Kind::integer;
            item.w = read_width();
            break;
        case 'F':
        case 'G':
            item.kind = c == 'F' ? EditItem::Kind::fixed : EditItem::Kind::general;
            item.w = read_width();
            skip_blanks();
            if (position_ >= close_ || text_[position_] != '.') {
                malformed("a missing decimal count");
            }
            ++position_;
            skip_blanks();
            if (position_ >= close_ || !is_digit(text_[position_])) {
                malformed("a missing decimal count");
            }
            item.d = read_number();
            break;
        case 'A':
            item.kind = EditItem::Kind::text;
            skip_blanks();
            item.w = (position_ < close_ && is_digit(text_[position_])) ? read_width() : 0;
            break;
        default:
            malformed("an unknown edit item");
        }
        return true;
    }

private:
    std::size_t find_closing(std::size_t p) const
    {
        while (p < text_.size()) {
            const char c = text_[p];
            if (c == '\'' || c == '"') {
                p = text_.find(c, p + 1);
                if (p == std::string_view::npos) {
                    malformed("an unclosed literal");
                }
            } else if (c == '(') {
                malformed("a nested group");
            } else if (c == ')') {
                return p;
            }
            ++p;
        }
        malformed("no closing parenthesis");
    }

    void skip_blanks()
    {
        while (position_ < close_ && text_[position_] == ' ') {
            ++position_;
        }
    }

    void skip_separators()
    {
        while (position_ < close_ && (text_[position_] == ' ' || text_[position_] == ',')) {
            ++position_;
        }
    }

    int read_number()
    {
        int value = 0;
        while (position_ < close_ && is_digit(text_[position_])) {
            value = value * 10 + (text_[position_++] - '0');
            if (value > max_field_width) {
                malformed("a number above the largest width");
            }
        }
        return value;
    }

    int read_width()
    {
        skip_blanks();
        if (position_ >= close_ || !is_digit(text_[position_])) {
            malformed("a missing width");
        }
        const int w = read_number();
        if (w == 0) {
            malformed("a width of 0");
        }
        return w;
    }

    // The literal up to its closing quote; a doubled quote stands for one.
    std::string_view read_literal(char quote)
    {
        const std::size_t begin = position_;
        while (true) {
            const std::size_t end = text_.find(quote, position_);
            position_ = end + 1;
            if (position_ < close_ && text_[position_] == quote) {
                ++position_;
                continue;
            }
            return text_.substr(begin, end - begin);
        }
    }

    std::string_view text_;
    std::size_t first_item_ = 0;
    std::size_t close_ = 0;
    std::size_t position_ = 0;
};

// The records of one write, reusing the strings of earlier writes.
class RecordBuilder {
public:
    explicit RecordBuilder(std::vector<std::string>& records) : records_(records) { begin_record(); }

    void begin_record()
    {
        if (used_ == records_.size()) {
            records_.emplace_back();
        }
        records_[used_].clear();
        ++used_;
        column_ = 0;
    }

    void skip(int n) { column_ += static_cast<std::size_t>(n); }

    // The record text, filled with blanks up to the current column.
    std::string& field()
    {
        std::string& record = records_[used_ - 1];
        if (record.size() < column_) {
            record.append(column_ - record.size(), ' ');
        }
        return record;
    }

    void end_field() { column_ = records_[used_ - 1].size(); }

    std::size_t used() const { return used_; }

private:
    std::vector<std::string>& records_;
    std::size_t used_ = 0;
    std::size_t column_ = 0;
};

void append_literal(std::string& out, const EditItem& item)
{
    const std::string_view literal = item.literal;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        out += literal[i];
        if (literal[i] == item.quote && i + 1 < literal.size() && literal[i + 1] == item.quote) {
            ++i;
        }
    }
}

[[noreturn]] void wrong_kind(const char* item)
{
    throw std::invalid_argument(std::string("value of the wrong kind for edit item ") + item);
}

double real_of(const FormatValue& v, const char* item, int& significant_digits)
{
    switch (v.kind()) {
    case FormatValue::Kind::real:
        significant_digits = float_significant_digits;
        return v.real();
    case FormatValue::Kind::real64:
        significant_digits = double_significant_digits;
        return v.real64();
    default:
        wrong_kind(item);
    }
}

void append_value(std::string& out, const EditItem& item, const FormatValue& v)
{
    int significant_digits = 0;
    switch (item.kind) {
    case EditItem::Kind::integer:
        if (v.kind() != FormatValue::Kind::integer) {
            wrong_kind("I");
        }
        append_integer(out, v.integer(), item.w);
        break;
    case EditItem::Kind::fixed: {
        const double value = real_of(v, "F", significant_digits);
        append_fixed(out, value, significant_digits, item.w, item.d);
        break;
    }
    case EditItem::Kind::general: {
        const double value = real_of(v, "G", significant_digits);
        append_general(out, value, significant_digits, item.w, item.d);
        break;
    }
    case EditItem::Kind::text:
        if (v.kind() != FormatValue::Kind::text) {
            wrong_kind("A");
        }
        if (item.w == 0) {
            out.append(v.text());
        } else {
            append_text(out, v.text(), item.w);
        }
        break;
    default:
        break;
    }
}

}  // namespace

std::size_t format_records_reusing(std::string_view format, std::span<const FormatValue> values,
                                   std::vector<std::string>& records)
{
    FormatWalker walker(format);
    RecordBuilder builder(records);
    std::size_t next_value = 0;
    bool has_value_items = false;
    EditItem item;
    while (true) {
        while (walker.next(item)) {
            switch (item.kind) {
            case EditItem::Kind::skip:
                builder.skip(item.count);
                break;
            case EditItem::Kind::slash:
                for (int i = 0; i < item.count; ++i) {
                    builder.begin_record();
                }
                break;
            case EditItem::Kind::literal:
                append_literal(builder.field(), item);
                builder.end_field();
                break;
            default:
                has_value_items = true;
                for (int i = 0; i < item.count; ++i) {
                    // The write ends at the first item that finds no value left.
                    if (next_value == values.size()) {
                        return builder.used();
                    }
                    append_value(builder.field(), item, values[next_value++]);
                    builder.end_field();
                }
            }
        }
        if (next_value == values.size()) {
            return builder.used();
        }
        if (!has_value_items) {
            throw std::invalid_argument("format text without edit items for the values of the write");
        }
        // Values remain: the format text starts again on a new record.
        builder.begin_record();
        walker.restart();
    }
}

void format_records(std::string_view format, std::span<const FormatValue> values,
                    std::vector<std::string>& records)
{
    records.clear();
    records.resize(format_records_reusing(format, values, records));
}

std::string render_integer(std::int32_t value, int w)
{
    check_field(w, 0);
    std::string out;
    append_integer(out, value, w);
    return out;
}

std::string render_fixed(float value, int w, int d)
{
    check_field(w, d);
    std::string out;
    append_fixed(out, value, float_significant_digits, w, d);
    return out;
}

std::string render_fixed(double value, int w, int d)
{
    check_field(w, d);
    std::string out;
    append_fixed(out, value, double_significant_digits, w, d);
    return out;
}

std::string render_general(float value, int w, int d)
{
    check_field(w, d);
    std::string out;
    append_general(out, value, float_significant_digits, w, d);
    return out;
}

std::string render_general(double value, int w, int d)
{
    check_field(w, d);
    std::string out;
    append_general(out, value, double_significant_digits, w, d);
    return out;
}

}  // namespace soilcolumn::records
