#include "input/compartment_parameters.hpp"

#include <cmath>

#include "input/input_checks.hpp"
#include "soil/campbell_ghm.hpp"
#include "soil/regression_parameters.hpp"
#include "soil/saturated_conductivity.hpp"
#include "soil/van_genuchten_estimates.hpp"

namespace soilcolumn {
namespace {

// Results of a parameterisation call that the caller does not keep.
struct DiscardedResults {
    float dry_end_suction = 0.0f;
    float dry_end_water_content = 0.0f;
    float air_entry_suction = 0.0f;
    float pore_size_exponent = 0.0f;
    float second_entry_suction = 0.0f;
    float second_pore_size_exponent = 0.0f;
    float junction_water_content = 0.0f;
    float junction_conductivity = 0.0f;
    float water_content_1m = 0.0f;
    float water_content_3_3m = 0.0f;
    float water_content_150m = 0.0f;
    float aggregate_porosity = 0.0f;
};

TextureVector texture_of(const ModelState& st, std::int32_t c)
{
    TextureVector texture;
    for (int j = 1; j <= texture_class_count; ++j) {
        texture(j) = st.texture_fractions(c, j);
    }
    return texture;
}

// Dry bulk density from the porosity with a solid density of 2650 kg/m3 for
// the mineral part and 1500 kg/m3 for the organic matter.
float bulk_density_of(float porosity, float organic_matter_fraction)
{
    return (1.0f - porosity) * (2650.0f - 1150.0f * organic_matter_fraction);
}

// The retention model writes the retention columns and the capacity of the
// immobile region. Unknown codes leave the columns at zero.
void derive_retention_parameters(ModelState& st, records::OutputUnit& console,
                                 const TextureVector& texture, std::int32_t c)
{
    switch (st.retention_model(c)) {
    case 1:
    case 2:
        derive_campbell_parameters(
            console, texture, st.porosity(c), st.aggregate_density(c), st.aggregate_diameter(c),
            st.dry_end_suction(c), st.dry_end_water_content(c), st.air_entry_suction(c),
            st.pore_size_exponent(c), st.second_entry_suction(c), st.second_pore_size_exponent(c),
            st.junction_water_content(c), st.junction_conductivity(c),
            st.organic_matter_fraction(c), st.aggregate_porosity(c), st.retention_model(c));
        break;
    case 3:
    case 6:
        derive_porosity_regression_parameters(
            texture, st.porosity(c), st.organic_matter_fraction(c), st.water_content_1m(c),
            st.water_content_3_3m(c), st.water_content_150m(c), st.dry_end_suction(c),
            st.dry_end_water_content(c), st.residual_water_content(c), st.vg_alpha(c),
            st.vg_m(c), st.vg_n(c), st.aggregate_porosity(c), st.retention_model(c));
        break;
    case 4:
        estimate_vg_parameters_sand_loam(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.topsoil_indicator(c), st.dry_end_suction(c), st.dry_end_water_content(c),
            st.residual_water_content(c), st.vg_alpha(c), st.vg_n(c), st.retention_tortuosity(c),
            st.aggregate_porosity(c));
        break;
    case 5:
        estimate_vg_parameters_general(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.topsoil_indicator(c), st.dry_end_suction(c), st.dry_end_water_content(c),
            st.residual_water_content(c), st.vg_alpha(c), st.vg_n(c), st.retention_tortuosity(c),
            st.aggregate_porosity(c));
        break;
    case 7:
        derive_density_regression_parameters(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.dry_end_suction(c), st.dry_end_water_content(c), st.residual_water_content(c),
            st.vg_alpha(c), st.vg_n(c), st.gardner_a(c), st.gardner_b(c),
            st.saturated_conductivity(c), st.aggregate_porosity(c));
        break;
    case 8:
        derive_ghm_parameters(st.porosity(c), st.reference_potential(c),
                              st.reference_water_content(c), st.dry_end_suction(c),
                              st.dry_end_water_content(c), st.pore_size_exponent(c),
                              st.aggregate_porosity(c));
        break;
    default:
        break;
    }
}

// The conductivity model calls the same operations with its own numbering and
// keeps only the conductivity-side results; the rest, the aggregate porosity
// included, goes to `discarded`. Unknown codes leave the columns at zero.
void derive_conductivity_parameters(ModelState& st, records::OutputUnit& console,
                                    const TextureVector& texture, std::int32_t c,
                                    DiscardedResults& discarded)
{
    DiscardedResults& w = discarded;
    switch (st.conductivity_model(c)) {
    case 1:
    case 2:
        derive_campbell_parameters(
            console, texture, st.porosity(c), st.aggregate_density(c), st.aggregate_diameter(c),
            w.dry_end_suction, w.dry_end_water_content, w.air_entry_suction,
            st.conductivity_exponent(c), w.second_entry_suction, w.second_pore_size_exponent,
            w.junction_water_content, st.junction_conductivity(c), st.organic_matter_fraction(c),
            w.aggregate_porosity, st.conductivity_model(c));
        break;
    case 3:
        estimate_vg_parameters_sand_loam(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.topsoil_indicator(c), w.dry_end_suction, w.dry_end_water_content,
            st.conductivity_residual_water_content(c), st.conductivity_vg_alpha(c),
            st.conductivity_vg_n(c), st.conductivity_vg_l(c), w.aggregate_porosity);
        break;
    case 4:
        estimate_vg_parameters_general(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.topsoil_indicator(c), w.dry_end_suction, w.dry_end_water_content,
            st.conductivity_residual_water_content(c), st.conductivity_vg_alpha(c),
            st.conductivity_vg_n(c), st.conductivity_vg_l(c), w.aggregate_porosity);
        break;
    case 5:
        derive_porosity_regression_parameters(
            texture, st.porosity(c), st.organic_matter_fraction(c), w.water_content_1m,
            w.water_content_3_3m, w.water_content_150m, w.dry_end_suction,
            w.dry_end_water_content, st.conductivity_residual_water_content(c),
            st.conductivity_vg_alpha(c), st.conductivity_vg_m(c), st.conductivity_vg_n(c),
            w.aggregate_porosity, st.conductivity_model(c));
        break;
    case 6:
        derive_density_regression_parameters(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            w.dry_end_suction, w.dry_end_water_content, st.conductivity_residual_water_content(c),
            st.conductivity_vg_alpha(c), st.conductivity_vg_n(c), st.gardner_a(c),
            st.gardner_b(c), st.saturated_conductivity(c), w.aggregate_porosity);
        break;
    case 7:
        derive_ghm_parameters(st.porosity(c), st.reference_potential(c),
                              st.reference_water_content(c), w.dry_end_suction,
                              w.dry_end_water_content, st.conductivity_exponent(c),
                              w.aggregate_porosity);
        break;
    default:
        break;
    }
}

}  // namespace

void parameterise_compartment(ModelState& st, records::OutputUnit& console, std::int32_t c)
{
    st.bulk_density(c) = bulk_density_of(st.porosity(c), st.organic_matter_fraction(c));
    const TextureVector texture = texture_of(st, c);
    estimate_saturated_conductivity(texture, st.bulk_density(c), st.porosity(c),
                                    st.saturated_conductivity(c), st.organic_matter_fraction(c),
                                    st.saturated_conductivity_method(c), st.reference_potential(c),
                                    st.reference_water_content(c));
    check_saturated_conductivity(console, st, c);
    if (st.retention_model(c) == 2) {
        check_aggregate_pores(console, st, c);
    }
    derive_retention_parameters(st, console, texture, c);
    DiscardedResults discarded;
    derive_conductivity_parameters(st, console, texture, c, discarded);
    check_derived_parameters_finite(console, st, c);
}

void set_initial_matric_potential(ModelState& st, records::OutputUnit& console, std::int32_t c)
{
    constexpr float largest_initial_suction = 10.0f;  // m
    constexpr float mm_per_year_to_m_per_s = 3.17097e-11f;

    const TextureVector texture = texture_of(st, c);
    DiscardedResults w;
    float air_entry_suction = 0.0f;
    float pore_size_exponent = 0.0f;
    derive_campbell_parameters(console, texture, st.porosity(c), 0.0f, 0.0f, w.dry_end_suction,
                               w.dry_end_water_content, air_entry_suction, pore_size_exponent,
                               w.second_entry_suction, w.second_pore_size_exponent,
                               w.junction_water_content, w.junction_conductivity,
                               st.organic_matter_fraction(c), w.aggregate_porosity, 1);
    float conductivity = 0.0f;
    estimate_saturated_conductivity(texture, st.bulk_density(c), st.porosity(c), conductivity,
                                    st.organic_matter_fraction(c), 2, w.dry_end_suction,
                                    w.dry_end_water_content);

    // Without recharge the conductivity would have to vanish: the suction
    // takes its upper limit.
    float suction = largest_initial_suction;
    if (st.mean_annual_recharge > 0.0f) {
        const float recharge_flux = st.mean_annual_recharge * mm_per_year_to_m_per_s;
        const float b = pore_size_exponent;
        const float relative_saturation =
            std::pow(recharge_flux / conductivity, 1.0f / (2.0f * b + 3.0f));
        suction = air_entry_suction * std::pow(relative_saturation, -b);
    }
    st.matric_potential(c) = suction >= largest_initial_suction ? largest_initial_suction : suction;
    check_finite(console, st, c, "matric_potential", st.matric_potential(c));
}

}  // namespace soilcolumn
