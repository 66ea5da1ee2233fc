#pragma once
// Powers kept for reuse. Within a step most powf calls repeat the exact
// arguments of an earlier call: the predictor and the corrector both start
// from the start-of-step state, the storage capacities are evaluated again
// after the water solve with unchanged concentrations, and the balances at
// the end of a step raise the same concentrations the next step starts from.
//
// A PowerMemo remembers the last two argument pairs of one call site and
// their results. A call whose arguments have the same bits as a remembered
// pair returns the remembered result, which is the bits powf gave for them:
// the results are those of calling powf every time. Powers that are exact
// without powf (exponent 0 or 1, base +0) skip both. Only the fast
// arithmetic hands a memo powers of its own (remember).

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "state/tables.hpp"

namespace soilcolumn {

class PowerMemo {
public:
    float pow(float x, float y)
    {
        const std::uint64_t key = key_of(x, y);
        if (keys_[0] == key) {
            older_ = 1;
            return results_[0];
        }
        if (keys_[1] == key) {
            older_ = 0;
            return results_[1];
        }
        const float result = exact_power(x, y);
        remember(key, result);
        return result;
    }

    // Hands the memo a power raised elsewhere (the fast arithmetic's vector
    // powf, state/power_batch.hpp): the next call with these arguments
    // returns `result`, as it would after a call that computed it.
    void remember(float x, float y, float result) { remember(key_of(x, y), result); }

    // Whether a call with these arguments would return a remembered result.
    bool holds(float x, float y) const
    {
        const std::uint64_t key = key_of(x, y);
        return keys_[0] == key || keys_[1] == key;
    }

private:
    static std::uint64_t key_of(float x, float y)
    {
        return std::uint64_t{std::bit_cast<std::uint32_t>(x)} << 32 | std::bit_cast<std::uint32_t>(y);
    }

    void remember(std::uint64_t key, float result)
    {
        keys_[older_] = key;
        results_[older_] = result;
        older_ = 1 - older_;
    }

    // pow(x, 0) is 1 for every x, NaN included; pow(x, 1) is x for every
    // number (a NaN goes to powf, which may quieten it); pow(+0, y) is +0
    // for every y > 0. Everything else is powf's.
    static float exact_power(float x, float y)
    {
        if (y == 0.0f) return 1.0f;
        if (y == 1.0f && !std::isnan(x)) return x;
        if (std::bit_cast<std::uint32_t>(x) == 0u && y > 0.0f) return 0.0f;
        return std::pow(x, y);
    }

    // Bits of x (high half) and y of the remembered pairs, and the results
    // powf gave for them. The initial pair (+0, +0) is true as it stands:
    // pow(+0, +0) = 1.
    std::array<std::uint64_t, 2> keys_{};
    std::array<float, 2> results_{1.0f, 1.0f};
    int older_ = 0;  // the entry a miss replaces
};

// Call sites of the retention models. A compartment has one retention
// model, so the models share the slots; a power shared by two formulas (the
// (alpha h)^n of van Genuchten's water content and capacity) shares its
// slot. The conductivities are evaluated once per stage, at the suctions
// the stage has just solved for: their own powers hardly ever repeat, but
// the Mualem curve asks the retention slots for the two powers it has in
// common with a van Genuchten curve of the same alpha and n. Its third
// power has a slot of its own only for the fast arithmetic, which hands it
// over there (state/power_batch.hpp).
enum class WaterPower : int {
    retention_1,
    retention_2,
    retention_3,
    retention_4,
    retention_5,
    mualem_denominator,  // (1 + (alpha h)^n)^((l + 2) m)
    count
};

// Call sites of the solute formulas, by region.
enum class SolutePower : int {
    mobile_slope,      // C^(n-1) of the Freundlich slope
    immobile_slope,
    mobile_sorbed,     // C^n of the sorbed concentration
    immobile_sorbed,
    count
};

struct ReusedPowers {
    PowerMemo& water(int c, WaterPower site)
    {
        return water_[index(c)][static_cast<std::size_t>(site)];
    }
    PowerMemo& solute(int c, int s, SolutePower site)
    {
        assert(s >= 1 && s <= max_substances);
        return solute_[index(c)][static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(site)];
    }

private:
    static std::size_t index(int c)
    {
        assert(c >= 1 && c <= max_compartments);
        return static_cast<std::size_t>(c - 1);
    }
    template <typename Site>
    using Sites = std::array<PowerMemo, static_cast<std::size_t>(Site::count)>;

    std::array<Sites<WaterPower>, max_compartments> water_{};
    std::array<std::array<Sites<SolutePower>, max_substances>, max_compartments> solute_{};
};

}  // namespace soilcolumn
