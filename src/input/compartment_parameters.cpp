#include "input/compartment_parameters.hpp"

#include <cmath>

#include "input/input_checks.hpp"
#include "input/orderly_stop.hpp"
#include "input/soil_warnings.hpp"
#include "soil/campbell_ghm.hpp"
#include "soil/regression_parameters.hpp"
#include "soil/saturated_conductivity.hpp"
#include "soil/van_genuchten_estimates.hpp"

namespace soilcolumn {
namespace {

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

// The Campbell derivation with its conditions reported on the console:
// aggregates denser than the soil stop the run, out-of-range values are
// warned about.
CampbellParameters campbell_parameters(records::OutputUnit& console, const TextureVector& texture,
                                       float porosity, float aggregate_density,
                                       float aggregate_diameter, float organic_matter_fraction,
                                       std::int32_t model)
{
    const CampbellParameters p = derive_campbell_parameters(
        texture, porosity, aggregate_density, aggregate_diameter, organic_matter_fraction, model);
    if (p.aggregate_pores_exceed_porosity) {
        stop_run(console,
                 "(1X,'Aggregatporositaet ist hoeher als Gesamtporositaet',/,3X,"
                 "'***Programm abgebrochen***')");
    }
    write_soil_warnings(console, p);
    return p;
}

// The retention model writes the retention columns and the capacity of the
// immobile region; a column its operation does not derive keeps its value.
// Unknown codes leave the columns at zero.
void derive_retention_parameters(ModelState& st, records::OutputUnit& console,
                                 const TextureVector& texture, std::int32_t c)
{
    switch (st.retention_model(c)) {
    case 1:
    case 2: {
        const CampbellParameters p = campbell_parameters(
            console, texture, st.porosity(c), st.aggregate_density(c), st.aggregate_diameter(c),
            st.organic_matter_fraction(c), st.retention_model(c));
        st.dry_end_suction(c) = p.dry_end_suction;
        st.dry_end_water_content(c) = p.dry_end_water_content;
        st.air_entry_suction(c) = p.air_entry_suction;
        st.pore_size_exponent(c) = p.pore_size_exponent;
        st.aggregate_porosity(c) = p.aggregate_porosity;
        if (p.inter_aggregate_pores) {
            const InterAggregatePores& q = *p.inter_aggregate_pores;
            st.second_entry_suction(c) = q.second_entry_suction;
            st.second_pore_size_exponent(c) = q.second_pore_size_exponent;
            st.junction_water_content(c) = q.junction_water_content;
            st.junction_conductivity(c) = q.junction_conductivity;
        }
        break;
    }
    case 3:
    case 6: {
        const PorosityRegressionParameters p = derive_porosity_regression_parameters(
            texture, st.porosity(c), st.organic_matter_fraction(c), st.retention_model(c));
        if (p.three_point) {
            st.water_content_1m(c) = p.three_point->water_content_1m;
            st.water_content_3_3m(c) = p.three_point->water_content_3_3m;
            st.water_content_150m(c) = p.three_point->water_content_150m;
        }
        if (p.brooks_corey) {
            st.dry_end_suction(c) = p.brooks_corey->dry_end_suction;
            st.dry_end_water_content(c) = p.brooks_corey->dry_end_water_content;
            st.residual_water_content(c) = p.brooks_corey->residual_water_content;
            st.vg_alpha(c) = p.brooks_corey->vg_alpha;
            st.vg_m(c) = p.brooks_corey->vg_m;
            st.vg_n(c) = p.brooks_corey->vg_n;
        }
        st.aggregate_porosity(c) = p.aggregate_porosity;
        break;
    }
    case 4:
    case 5: {
        const float rho = st.bulk_density(c);
        const float phi = st.porosity(c);
        const float om = st.organic_matter_fraction(c);
        const float topsoil = st.topsoil_indicator(c);
        const VanGenuchtenEstimate p =
            st.retention_model(c) == 4
                ? estimate_vg_parameters_sand_loam(texture, rho, phi, om, topsoil)
                : estimate_vg_parameters_general(texture, rho, phi, om, topsoil);
        st.dry_end_suction(c) = p.dry_end_suction;
        st.dry_end_water_content(c) = p.dry_end_water_content;
        st.residual_water_content(c) = p.residual_water_content;
        st.vg_alpha(c) = p.vg_alpha;
        st.vg_n(c) = p.vg_n;
        st.retention_tortuosity(c) = p.vg_l;
        st.aggregate_porosity(c) = p.water_content_160m;
        break;
    }
    case 7: {
        const DensityRegressionParameters p = derive_density_regression_parameters(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.saturated_conductivity(c));
        st.dry_end_suction(c) = p.dry_end_suction;
        st.dry_end_water_content(c) = p.dry_end_water_content;
        st.residual_water_content(c) = p.residual_water_content;
        st.vg_alpha(c) = p.vg_alpha;
        st.vg_n(c) = p.vg_n;
        st.gardner_a(c) = p.gardner_a;
        st.gardner_b(c) = p.gardner_b;
        st.aggregate_porosity(c) = p.aggregate_porosity;
        break;
    }
    case 8: {
        const GhmParameters p = derive_ghm_parameters(
            st.porosity(c), st.reference_potential(c), st.reference_water_content(c));
        st.dry_end_suction(c) = p.dry_end_suction;
        st.dry_end_water_content(c) = p.dry_end_water_content;
        st.pore_size_exponent(c) = p.pore_size_exponent;
        st.aggregate_porosity(c) = p.aggregate_porosity;
        break;
    }
    default:
        break;
    }
}

// The conductivity model calls the same operations with its own numbering and
// keeps only the conductivity-side results (the aggregate porosity is the
// retention model's). Unknown codes leave the columns at zero.
void derive_conductivity_parameters(ModelState& st, records::OutputUnit& console,
                                    const TextureVector& texture, std::int32_t c)
{
    switch (st.conductivity_model(c)) {
    case 1:
    case 2: {
        const CampbellParameters p = campbell_parameters(
            console, texture, st.porosity(c), st.aggregate_density(c), st.aggregate_diameter(c),
            st.organic_matter_fraction(c), st.conductivity_model(c));
        st.conductivity_exponent(c) = p.pore_size_exponent;
        if (p.inter_aggregate_pores) {
            st.junction_conductivity(c) = p.inter_aggregate_pores->junction_conductivity;
        }
        break;
    }
    case 3:
    case 4: {
        const float rho = st.bulk_density(c);
        const float phi = st.porosity(c);
        const float om = st.organic_matter_fraction(c);
        const float topsoil = st.topsoil_indicator(c);
        const VanGenuchtenEstimate p =
            st.conductivity_model(c) == 3
                ? estimate_vg_parameters_sand_loam(texture, rho, phi, om, topsoil)
                : estimate_vg_parameters_general(texture, rho, phi, om, topsoil);
        st.conductivity_residual_water_content(c) = p.residual_water_content;
        st.conductivity_vg_alpha(c) = p.vg_alpha;
        st.conductivity_vg_n(c) = p.vg_n;
        st.conductivity_vg_l(c) = p.vg_l;
        break;
    }
    case 5: {
        // Model 5 is not the three-point model: the Brooks-Corey curve is set.
        const PorosityRegressionParameters p = derive_porosity_regression_parameters(
            texture, st.porosity(c), st.organic_matter_fraction(c), st.conductivity_model(c));
        const BrooksCoreyCurve& q = p.brooks_corey.value();
        st.conductivity_residual_water_content(c) = q.residual_water_content;
        st.conductivity_vg_alpha(c) = q.vg_alpha;
        st.conductivity_vg_m(c) = q.vg_m;
        st.conductivity_vg_n(c) = q.vg_n;
        break;
    }
    case 6: {
        const DensityRegressionParameters p = derive_density_regression_parameters(
            texture, st.bulk_density(c), st.porosity(c), st.organic_matter_fraction(c),
            st.saturated_conductivity(c));
        st.conductivity_residual_water_content(c) = p.residual_water_content;
        st.conductivity_vg_alpha(c) = p.vg_alpha;
        st.conductivity_vg_n(c) = p.vg_n;
        st.gardner_a(c) = p.gardner_a;
        st.gardner_b(c) = p.gardner_b;
        break;
    }
    case 7:
        st.conductivity_exponent(c) =
            derive_ghm_parameters(st.porosity(c), st.reference_potential(c),
                                  st.reference_water_content(c))
                .pore_size_exponent;
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
    const SaturatedConductivityEstimate estimate = estimate_saturated_conductivity(
        texture, st.bulk_density(c), st.porosity(c), st.saturated_conductivity(c),
        st.organic_matter_fraction(c), st.saturated_conductivity_method(c),
        st.reference_potential(c), st.reference_water_content(c));
    st.saturated_conductivity(c) = estimate.saturated_conductivity;
    st.organic_matter_fraction(c) = estimate.organic_matter_fraction;
    check_saturated_conductivity(console, st, c);
    if (st.retention_model(c) == 2) {
        check_aggregate_pores(console, st, c);
    }
    derive_retention_parameters(st, console, texture, c);
    derive_conductivity_parameters(st, console, texture, c);
    check_derived_parameters_finite(console, st, c);
}

void set_initial_matric_potential(ModelState& st, records::OutputUnit& console, std::int32_t c)
{
    constexpr float largest_initial_suction = 10.0f;  // m
    constexpr float mm_per_year_to_m_per_s = 3.17097e-11f;

    const TextureVector texture = texture_of(st, c);
    // A single pore system whatever the soil's models, and its conductivity
    // by the grain-size distribution.
    const CampbellParameters p = campbell_parameters(console, texture, st.porosity(c), 0.0f, 0.0f,
                                                     st.organic_matter_fraction(c), 1);
    const float conductivity =
        estimate_saturated_conductivity(texture, st.bulk_density(c), st.porosity(c), 0.0f,
                                        st.organic_matter_fraction(c), 2,
                                        st.reference_potential(c), st.reference_water_content(c))
            .saturated_conductivity;

    // Without recharge the conductivity would have to vanish: the suction
    // takes its upper limit.
    float suction = largest_initial_suction;
    if (st.mean_annual_recharge > 0.0f) {
        const float recharge_flux = st.mean_annual_recharge * mm_per_year_to_m_per_s;
        const float b = p.pore_size_exponent;
        const float relative_saturation =
            std::pow(recharge_flux / conductivity, 1.0f / (2.0f * b + 3.0f));
        suction = p.air_entry_suction * std::pow(relative_saturation, -b);
    }
    st.matric_potential(c) = suction >= largest_initial_suction ? largest_initial_suction : suction;
    check_finite(console, st, c, "matric_potential", st.matric_potential(c));
}

}  // namespace soilcolumn
