#include "solute/half_life.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cmath>

#include "state/time_units.hpp"

namespace soilcolumn {
namespace {

constexpr float zero_celsius = 273.15f;        // K
constexpr float ln2 = 0.69315f;                // ln 2 to five places
constexpr float shallow_limit = 0.3f;          // m: no depth effect above
constexpr float temperature_limit = 0.9f;      // m: no temperature effect at and below
constexpr float frozen_half_life = 1.0E20f;    // days: degradation halted below 0 deg C

// Half-life grows exponentially from 0.3 m to 0.9 m and stays at e^1.8 times
// the reference below.
float depth_adjusted_half_life(float reference, float z)
{
    if (z < shallow_limit) {
        return reference;
    }
    if (z < temperature_limit) {
        return reference / std::exp(-3.0f * (z - shallow_limit));
    }
    return reference / std::exp(-1.8f);
}

// Log-linear interpolation between the half-life hi at the lower end and lo
// at the upper end of a temperature interval: distance is how far the
// temperature lies below the upper end, slope one over the interval width.
float log_interpolated(float hi, float lo, float distance, float slope)
{
    return std::pow(10.0f, (std::log10(hi) - std::log10(lo)) * distance * slope + std::log10(lo));
}

// Effective half-life in the upper 0.9 m at temperature t (deg C), anchored
// at 133, 8.33, 3, 1 and 0.5 times h at 0, 5, 10, 20 and 32 deg C.
float temperature_adjusted_half_life(float h, float t)
{
    if (t < 0.0f) {
        return frozen_half_life;
    }
    if (t < 5.0f) {
        return log_interpolated(133.0f * h, 8.33f * h, 5.0f - t, 0.2f);
    }
    if (t < 10.0f) {
        return log_interpolated(8.33f * h, 3.0f * h, 10.0f - t, 0.2f);
    }
    if (t < 20.0f) {
        return log_interpolated(3.0f * h, h, 20.0f - t, 0.1f);
    }
    if (t < 32.0f) {
        return log_interpolated(h, 0.5f * h, 32.0f - t, 0.08333f);  // slope not exactly 1/12
    }
    return 0.5f * h;
}

// The factors follow from the temperature of the weather day, the depths and
// the reference half-lives alone: the same inputs as at the last computation
// leave them as they are (the temperature changes once per simulated day).
bool inputs_unchanged(const ModelState& st, float t)
{
    const auto& last = st.half_life_inputs;
    if (!last.computed || std::bit_cast<std::uint32_t>(last.temperature) != std::bit_cast<std::uint32_t>(t)
        || last.compartment_count != st.compartment_count || last.substance_count != st.substance_count) {
        return false;
    }
    for (int s = 1; s <= st.substance_count; ++s) {
        if (std::bit_cast<std::uint32_t>(last.half_life(s)) != std::bit_cast<std::uint32_t>(st.half_life(s))) {
            return false;
        }
    }
    for (int c = 2; c <= st.compartment_count; ++c) {
        if (std::bit_cast<std::uint32_t>(last.centre_distance(c))
            != std::bit_cast<std::uint32_t>(st.centre_distance(c))) {
            return false;
        }
    }
    return true;
}

void remember_inputs(ModelState& st, float t)
{
    auto& last = st.half_life_inputs;
    last.computed = true;
    last.temperature = t;
    last.compartment_count = st.compartment_count;
    last.substance_count = st.substance_count;
    for (int s = 1; s <= st.substance_count; ++s) {
        last.half_life(s) = st.half_life(s);
    }
    for (int c = 2; c <= st.compartment_count; ++c) {
        last.centre_distance(c) = st.centre_distance(c);
    }
}

}  // namespace

void compute_half_life_factors(ModelState& st)
{
    const int n = st.compartment_count;
    const float t = st.dew_point_temperature - zero_celsius;
    if (inputs_unchanged(st, t)) {
        return;
    }
    remember_inputs(st, t);

    std::array<float, max_compartments + 1> node_depth{};  // centre of c below centre of 1
    for (int c = 2; c <= n; ++c) {
        node_depth[c] = node_depth[c - 1] + st.centre_distance(c);
    }

    for (int c = 2; c <= n - 1; ++c) {
        const float z = node_depth[c];
        for (int s = 1; s <= st.substance_count; ++s) {
            const float reference = st.half_life(s);
            const float h = depth_adjusted_half_life(reference, z);
            const float effective = (z >= temperature_limit) ? 3.0f * h : temperature_adjusted_half_life(h, t);
            st.half_life_factor(c, s) = effective / reference;
            st.degradation_rate(c, s) = ln2 / (st.half_life_factor(c, s) * reference * seconds_per_day);
        }
    }
}

}  // namespace soilcolumn
