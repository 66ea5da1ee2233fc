#include "exports/number_text.hpp"

#include <charconv>
#include <cmath>

namespace soilcolumn::exports {
namespace {

template <typename Real>
void append_real(std::string& text, Real value)
{
    if (std::isnan(value)) {
        text += "NaN";
        return;
    }
    if (std::isinf(value)) {
        text += value < 0 ? "-Inf" : "Inf";
        return;
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    text.append(buffer, end);
}

}  // namespace

void append_number(std::string& text, float value) { append_real(text, value); }
void append_number(std::string& text, double value) { append_real(text, value); }

void append_number(std::string& text, std::int64_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    text.append(buffer, end);
}

void append_number(std::string& text, const Number& value)
{
    std::visit([&text](auto v) { append_number(text, v); }, value);
}

std::string number_text(const Number& value)
{
    std::string text;
    append_number(text, value);
    return text;
}

}  // namespace soilcolumn::exports
