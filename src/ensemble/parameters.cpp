#include "ensemble/parameters.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <variant>

namespace soilcolumn::ensemble {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// The range the input checks accept for a field; both ends inclusive
// unless said otherwise.
struct Range {
    double low = -infinity;
    double high = infinity;
    bool low_inclusive = true;
    bool high_inclusive = true;
    const char* text = nullptr;  // how the range is said; nullptr: any finite value
};

constexpr Range any{};
constexpr Range not_negative{0.0, infinity, true, true, "0 or more"};
constexpr Range positive{0.0, infinity, false, true, "above 0"};
constexpr Range share{0.0, 1.0, true, true, "0 to 1"};
constexpr Range sorption_constant{0.0, 1.0e6, true, true, "0 to 1e6"};
constexpr Range exponent{0.1, 2.0, true, true, "0.1 to 2"};

using Target = std::variant<float*, std::int32_t*>;

struct Field {
    const char* name;
    Range range;
};

// One family of names: its pattern for the message, and how a name of it
// finds its target (nullopt: not this family; a message: this family, but
// the indices are wrong).
struct Resolved {
    Target target;
    Range range;
};

std::optional<int> index_of(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::vector<std::string> parts_of(const std::string& name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

std::string range_text(int count) { return count == 1 ? "1" : "1.." + std::to_string(count); }

struct Lookup {
    std::optional<Resolved> resolved;
    std::string problem;  // set when the name is of a family but its indices are wrong
};

Lookup index_problem(const std::string& name, const char* letter, int value, int count)
{
    return {std::nullopt, "'" + name + "': " + letter + " = " + std::to_string(value) + " is outside " +
                              (count == 0 ? std::string("the scenario (none)") : range_text(count))};
}

Lookup resolve(InputSet& set, const std::string& name)
{
    const std::vector<std::string> p = parts_of(name);
    const int S = static_cast<int>(set.substances.size());
    const int N = static_cast<int>(set.compartments.size());

    if (p.size() == 1) {
        const std::pair<const char*, Resolved> scalars[] = {
            {"simulation_end", {&set.simulation_end, {0.0, 1.0e6, true, true, "0 to 1e6 days"}}},
            {"time_step", {&set.time_step, {0.0, infinity, false, true, "above 0 s"}}},
            {"mean_annual_recharge", {&set.mean_annual_recharge, any}},
            {"lower_boundary_type", {&set.lower_boundary_type, any}},
            {"dispersivity", {&set.dispersivity, {0.0, infinity, true, true, "0 m or more"}}},
            {"output_interval", {&set.output_interval, {0.0, infinity, true, true, "0 days or more"}}},
            {"weather_start", {&set.weather_start, {0.0, 1.0e6, false, true, "above 0 up to 1e6 days"}}},
        };
        for (const auto& [field, resolved] : scalars) {
            if (p[0] == field) return {resolved, {}};
        }
        return {};
    }
    if (p.size() == 2 && p[0] == "observation_depths") {
        const auto i = index_of(p[1]);
        const int count = static_cast<int>(set.observation_depths.size());
        if (!i) return {};
        if (*i < 1 || *i > count) return index_problem(name, "I", *i, count);
        return {Resolved{&set.observation_depths[static_cast<std::size_t>(*i - 1)], positive}, {}};
    }
    if (p.size() == 2) {
        const auto s = index_of(p[1]);
        if (!s) return {};
        const auto substance = [&](float SubstanceRecord::*member, Range range) -> Lookup {
            if (*s < 1 || *s > S) return index_problem(name, "S", *s, S);
            return {Resolved{&(set.substances[static_cast<std::size_t>(*s - 1)].*member), range}, {}};
        };
        if (p[0] == "water_diffusion_coefficient") return substance(&SubstanceRecord::water_diffusion_coefficient, {0.0, 1e-7, true, true, "0 to 1e-7 m2/s"});
        if (p[0] == "air_diffusion_coefficient") return substance(&SubstanceRecord::air_diffusion_coefficient, {0.0, 1e-3, true, true, "0 to 1e-3 m2/s"});
        if (p[0] == "sorption_per_organic_matter") return substance(&SubstanceRecord::sorption_per_organic_matter, sorption_constant);
        if (p[0] == "sorption_per_clay") return substance(&SubstanceRecord::sorption_per_clay, sorption_constant);
        if (p[0] == "default_sorption_exponent") return substance(&SubstanceRecord::default_sorption_exponent, exponent);
        if (p[0] == "half_life") return substance(&SubstanceRecord::half_life, {0.0, infinity, false, true, "above 0 days"});
        if (p[0] == "henry_constant") return substance(&SubstanceRecord::henry_constant, not_negative);
        if (p[0] == "transfer_coefficient") return substance(&SubstanceRecord::transfer_coefficient, not_negative);
        if (p[0] == "irreversible_share") return substance(&SubstanceRecord::irreversible_share, share);

        const auto compartment = [&](auto member, Range range) -> Lookup {
            if (*s < 1 || *s > N) return index_problem(name, "C", *s, N);
            return {Resolved{&(set.compartments[static_cast<std::size_t>(*s - 1)].*member), range}, {}};
        };
        if (p[0] == "compartment_thickness") return compartment(&CompartmentRecord::compartment_thickness, {0.0, 10.0, false, true, "above 0 up to 10 m"});
        if (p[0] == "porosity") return compartment(&CompartmentRecord::porosity, {0.0, 1.0, false, false, "above 0 and below 1"});
        if (p[0] == "compartment_soil_type") return compartment(&CompartmentRecord::compartment_soil_type, {1.0, 100.0, true, true, "1 to 100"});
        return {};
    }
    if (p.size() == 3 && (p[0] == "mobile_concentration" || p[0] == "sorption_coefficient" || p[0] == "sorption_exponent")) {
        const auto c = index_of(p[1]);
        const auto s = index_of(p[2]);
        if (!c || !s) return {};
        if (*c < 1 || *c > N) return index_problem(name, "C", *c, N);
        if (*s < 1 || *s > S) return index_problem(name, "S", *s, S);
        CompartmentRecord& row = set.compartments[static_cast<std::size_t>(*c - 1)];
        const auto k = static_cast<std::size_t>(*s - 1);
        if (p[0] == "mobile_concentration") return {Resolved{&row.mobile_concentration[k], {0.0, 1e6, true, true, "0 to 1e6 g/m3"}}, {}};
        if (p[0] == "sorption_coefficient") return {Resolved{&row.sorption_coefficient[k], sorption_constant}, {}};
        return {Resolved{&row.sorption_exponent[k], any}, {}};
    }
    if ((p.size() == 3 || p.size() == 4) && p[0] == "soil_type") {
        const auto k = index_of(p[1]);
        if (!k) return {};
        SoilTypeRecord* row = nullptr;
        for (SoilTypeRecord& candidate : set.soil_types) {
            if (candidate.number == *k) row = &candidate;  // the last record of a number counts
        }
        if (p.size() == 4) {
            if (p[2] != "texture_fractions") return {};
            const auto j = index_of(p[3]);
            if (!j) return {};
            if (row == nullptr) return {std::nullopt, "'" + name + "': the scenario has no soil type " + p[1]};
            if (*j < 1 || *j > 4) return index_problem(name, "J", *j, 4);
            return {Resolved{&row->texture_fractions[static_cast<std::size_t>(*j - 1)], share}, {}};
        }
        const std::pair<const char*, std::variant<float SoilTypeRecord::*, std::int32_t SoilTypeRecord::*>> fields[] = {
            {"saturated_conductivity_method", &SoilTypeRecord::saturated_conductivity_method},
            {"conductivity_model", &SoilTypeRecord::conductivity_model},
            {"retention_model", &SoilTypeRecord::retention_model},
            {"aggregate_density", &SoilTypeRecord::aggregate_density},
            {"aggregate_diameter", &SoilTypeRecord::aggregate_diameter},
            {"saturated_conductivity", &SoilTypeRecord::saturated_conductivity},
            {"organic_matter_fraction", &SoilTypeRecord::organic_matter_fraction},
            {"reference_potential", &SoilTypeRecord::reference_potential},
            {"reference_water_content", &SoilTypeRecord::reference_water_content},
            {"topsoil_indicator", &SoilTypeRecord::topsoil_indicator},
        };
        for (const auto& [field, member] : fields) {
            if (p[2] != field) continue;
            if (row == nullptr) return {std::nullopt, "'" + name + "': the scenario has no soil type " + p[1]};
            const Range range = p[2] == "organic_matter_fraction" ? share : any;
            return {std::visit([&](auto m) { return Resolved{&(row->*m), range}; }, member), {}};
        }
        return {};
    }
    return {};
}

std::string soil_type_numbers(const InputSet& set)
{
    std::string text;
    for (const SoilTypeRecord& k : set.soil_types) {
        if (text.find(" " + std::to_string(k.number) + ",") != std::string::npos) continue;
        text += " " + std::to_string(k.number) + ",";
    }
    if (!text.empty()) text.pop_back();
    return text.empty() ? " none" : text;
}

std::string number_text(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

}  // namespace

std::string valid_parameter_names(const InputSet& set)
{
    const std::string S = range_text(static_cast<int>(set.substances.size()));
    const std::string N = range_text(static_cast<int>(set.compartments.size()));
    std::string text =
        "simulation_end, time_step, mean_annual_recharge, lower_boundary_type, dispersivity, output_interval, "
        "weather_start";
    if (!set.observation_depths.empty()) {
        text += ", observation_depths.I (I = " + range_text(static_cast<int>(set.observation_depths.size())) + ")";
    }
    if (!set.substances.empty()) {
        text += "; per substance S = " + S +
                ": water_diffusion_coefficient.S, air_diffusion_coefficient.S, sorption_per_organic_matter.S, "
                "sorption_per_clay.S, default_sorption_exponent.S, half_life.S, henry_constant.S, "
                "transfer_coefficient.S, irreversible_share.S";
    }
    text += "; per soil type K =" + soil_type_numbers(set) +
            ": soil_type.K.texture_fractions.J (J = 1..4: clay, silt, sand, gravel), "
            "soil_type.K.saturated_conductivity_method, soil_type.K.conductivity_model, soil_type.K.retention_model, "
            "soil_type.K.aggregate_density, soil_type.K.aggregate_diameter, soil_type.K.saturated_conductivity, "
            "soil_type.K.organic_matter_fraction, soil_type.K.reference_potential, "
            "soil_type.K.reference_water_content, soil_type.K.topsoil_indicator";
    text += "; per compartment C = " + N + ": compartment_thickness.C, compartment_soil_type.C, porosity.C";
    if (!set.substances.empty()) {
        text += ", mobile_concentration.C.S, sorption_coefficient.C.S, sorption_exponent.C.S";
    }
    return text;
}

std::optional<std::string> parameter_name_problem(const InputSet& set, const std::string& name)
{
    InputSet copy = set;
    const Lookup lookup = resolve(copy, name);
    if (lookup.resolved) return std::nullopt;
    if (!lookup.problem.empty()) return lookup.problem;
    return "unknown parameter '" + name + "'";
}

std::optional<std::string> set_parameter(InputSet& set, const std::string& name, double value)
{
    const Lookup lookup = resolve(set, name);
    if (!lookup.resolved) return lookup.problem.empty() ? "unknown parameter '" + name + "'" : lookup.problem;
    const Range& range = lookup.resolved->range;
    const std::string given = "'" + name + "' = " + number_text(value);
    if (!std::isfinite(value)) return given + " is not a finite number";
    const bool below = range.low_inclusive ? value < range.low : value <= range.low;
    const bool above = range.high_inclusive ? value > range.high : value >= range.high;
    if ((below || above) && range.text != nullptr) {
        return given + " is outside the range the input checks accept (" + range.text + ")";
    }
    return std::visit(
        [&](auto* target) -> std::optional<std::string> {
            using T = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<T, float>) {
                if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
                    return given + " is outside the range of the model's 32-bit numbers";
                }
                *target = static_cast<float>(value);
            } else {
                if (value != std::floor(value) || std::fabs(value) > 1.0e9) return given + " is not a whole number (a code)";
                *target = static_cast<std::int32_t>(value);
            }
            return std::nullopt;
        },
        lookup.resolved->target);
}

}  // namespace soilcolumn::ensemble
