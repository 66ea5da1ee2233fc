#include "exports/fields.hpp"

namespace soilcolumn::exports {

std::string field_name(std::string_view name, int substance)
{
    std::string text(name);
    if (substance > 0) {
        text += "_s";
        text += std::to_string(substance);
    }
    return text;
}

}  // namespace soilcolumn::exports
