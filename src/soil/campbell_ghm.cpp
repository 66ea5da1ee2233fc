#include "soil/campbell_ghm.hpp"

#include <cmath>

#include "soil/campbell_ghm_relations.hpp"

namespace soilcolumn {
namespace {

constexpr int film_water_class_count = 20;
constexpr float dry_end_reference_suction = 1000.0f;  // m

// A retention curve as the film-water step sees it: the suction of a water
// content on the whole curve, and on the segment that carries the dry end.
class RetentionCurve {
public:
    virtual float suction(float theta) const = 0;
    virtual float dry_end_suction(float theta) const { return suction(theta); }

protected:
    ~RetentionCurve() = default;
};

// psi = psi_e (theta/theta_s)^-b below theta_s; an aggregated soil continues
// above theta_s with the inter-aggregate pores, psi = psi_e2 (theta/phi)^-b2.
class CampbellCurve final : public RetentionCurve {
public:
    CampbellCurve(float air_entry_suction, float saturated_water_content, float exponent)
        : psi_e_(air_entry_suction), theta_s_(saturated_water_content), b_(exponent)
    {
    }
    void add_inter_aggregate_pores(float entry_suction, float porosity, float exponent)
    {
        aggregated_ = true;
        psi_e2_ = entry_suction;
        phi_ = porosity;
        b2_ = exponent;
    }
    float suction(float theta) const override
    {
        if (aggregated_ && theta >= theta_s_) {
            return psi_e2_ * std::pow(theta / phi_, -b2_);
        }
        return dry_end_suction(theta);
    }
    float dry_end_suction(float theta) const override
    {
        return psi_e_ * std::pow(theta / theta_s_, -b_);
    }

private:
    float psi_e_;
    float theta_s_;
    float b_;
    bool aggregated_ = false;
    float psi_e2_ = 0.0f;
    float phi_ = 0.0f;
    float b2_ = 0.0f;
};

// psi = 100 e^-7.89 (100 e^-4.02 theta)^B.
class GhmCurve final : public RetentionCurve {
public:
    explicit GhmCurve(float exponent) : b_(exponent) {}
    float suction(float theta) const override
    {
        return 100.0f * std::exp(-7.89f) * std::pow(100.0f * std::exp(-4.02f) * theta, b_);
    }

private:
    float b_;
};

// Suction of a water content below the one at 1000 m: log-linear from 1000 m
// at theta_1000 to 10^5 m at zero water content.
float log_linear_dry_suction(float theta, float theta_1000)
{
    return std::pow(10.0f, (theta_1000 - theta) * (2.0f / theta_1000) + 3.0f);
}

// Water held as films on the walls of the capillaries of one water-content
// class of width delta whose pores empty at the suction psi (m).
float film_water_of_class(float psi, float delta)
{
    const float radius = 0.1453856f / (psi * 9794.305f);  // capillary radius, m
    const float capillaries = delta / (radius * radius * 3.1415f);
    const float thickness = std::pow(23905.0f / psi, 0.78f) * 3.10589E-10f;  // m
    return thickness * capillaries * radius * 6.283f;
}

// The dry end of a retention curve and the capacity of the immobile region.
struct DryEnd {
    float dry_end_suction;
    float dry_end_water_content;
    float aggregate_porosity;
};

// The film water summed over 20 classes of the pore space; where it exceeds
// the water content at 160 m, the dry end of the curve moves to the film
// water and the immobile capacity is read off the straight line in
// log(suction) from there to (10^5 m, 0). Otherwise the dry end stays at
// 1000 m and the immobile capacity is the water content at 160 m.
DryEnd film_water_dry_end(float porosity, float theta_1000, float theta_160,
                          const RetentionCurve& curve)
{
    const float delta = porosity / static_cast<float>(film_water_class_count);
    float film_water = 0.0f;
    for (int k = 1; k <= film_water_class_count; ++k) {
        const float theta = (static_cast<float>(k) - 0.5f) * delta;
        const float psi = theta_1000 > theta ? log_linear_dry_suction(theta, theta_1000)
                                             : curve.suction(theta);
        film_water = film_water + film_water_of_class(psi, delta);
    }

    if (film_water > theta_160) {
        const float psi_x = curve.dry_end_suction(film_water);
        // 2.7959 = log10(10^5 / 160)
        return {psi_x, film_water, film_water * 2.7959f / (5.0f - std::log10(psi_x))};
    }
    return {dry_end_reference_suction, theta_1000, theta_160};
}

// Air-entry suction (m, positive) of a pore system filling the volume
// fraction theta_s: the entry suction of the grain-size distribution, scaled
// by the packing ratio R = 0.5 / (1 - theta_s); 0.102 converts J/kg to m of
// water.
float campbell_air_entry_suction(const GrainSizeStatistics& stats, float packing_ratio)
{
    return -std::pow(1.0f / packing_ratio, 0.67f * stats.pore_size_exponent) *
           stats.entry_suction_scale * 0.102f;
}

float campbell_water_content(float saturated_water_content, float suction,
                             float air_entry_suction, float exponent)
{
    return saturated_water_content * std::pow(suction / air_entry_suction, -1.0f / exponent);
}

}  // namespace

CampbellParameters derive_campbell_parameters(const TextureVector& texture, float porosity,
                                              float aggregate_density, float aggregate_diameter,
                                              float organic_matter_fraction, std::int32_t model)
{
    const GrainSizeStatistics stats = grain_size_statistics(texture);
    const float b = stats.pore_size_exponent;
    CampbellParameters p{};
    p.pore_size_exponent = b;
    p.grain_size_out_of_range = stats.geometric_standard_deviation > 40.0f;

    DryEnd dry_end{};
    if (model == 1) {
        // One pore system over the whole porosity.
        const float packing_ratio = 0.5f / (1.0f - porosity);
        const float psi_e = campbell_air_entry_suction(stats, packing_ratio);
        p.air_entry_suction = psi_e;
        const float theta_1000 =
            campbell_water_content(porosity, dry_end_reference_suction, psi_e, b);
        const float theta_160 = campbell_water_content(porosity, 160.0f, psi_e, b);
        const CampbellCurve curve(psi_e, porosity, b);
        dry_end = film_water_dry_end(porosity, theta_1000, theta_160, curve);
    } else {
        // Aggregated soil: pores inside the aggregates (from their density,
        // with a solid density of 2650 for the mineral part and 1500 for
        // organic matter) and pores between them (from their diameter).
        const float theta_a =
            1.0f - aggregate_density / (2650.0f - 1150.0f * organic_matter_fraction);
        if (porosity < theta_a) {
            p.aggregate_pores_exceed_porosity = true;
            return p;
        }
        const float packing_ratio = 0.5f / (1.0f - theta_a);
        const float psi_e = campbell_air_entry_suction(stats, packing_ratio);
        p.air_entry_suction = psi_e;
        const float theta_1000 =
            campbell_water_content(theta_a, dry_end_reference_suction, psi_e, b);
        const float psi_e2 = 0.051f * std::pow(aggregate_diameter, -0.5f);
        // Chosen so that both segments give psi_e at theta_a.
        const float b2 =
            (std::log(psi_e) - std::log(psi_e2)) / (std::log(porosity) - std::log(theta_a));
        const float theta_160 = campbell_water_content(theta_a, 160.0f, psi_e, b);
        CampbellCurve curve(psi_e, theta_a, b);
        curve.add_inter_aggregate_pores(psi_e2, porosity, b2);
        dry_end = film_water_dry_end(porosity, theta_1000, theta_160, curve);

        const float compaction_factor = std::pow(packing_ratio, 1.3f * b);
        p.inter_aggregate_pores = InterAggregatePores{
            psi_e2, b2, theta_a, campbell_conductivity(compaction_factor, texture)};
        p.compaction_out_of_range = compaction_factor > 15.0f;
    }
    p.dry_end_suction = dry_end.dry_end_suction;
    p.dry_end_water_content = dry_end.dry_end_water_content;
    p.aggregate_porosity = dry_end.aggregate_porosity;
    return p;
}

GhmParameters derive_ghm_parameters(float porosity, float reference_potential,
                                    float reference_water_content)
{
    const float b = ghm_exponent(reference_potential, reference_water_content);
    const float theta_1000 = ghm_water_content(10.0f, b);
    const float theta_160 = ghm_water_content(1.6f, b);
    const GhmCurve curve(b);
    const DryEnd dry_end = film_water_dry_end(porosity, theta_1000, theta_160, curve);
    return {dry_end.dry_end_suction, dry_end.dry_end_water_content, b, dry_end.aggregate_porosity};
}

}  // namespace soilcolumn
