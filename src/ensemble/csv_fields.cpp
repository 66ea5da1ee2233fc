#include "ensemble/csv_fields.hpp"

#include <sstream>

namespace soilcolumn::ensemble {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(trimmed(field));
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

}  // namespace soilcolumn::ensemble
