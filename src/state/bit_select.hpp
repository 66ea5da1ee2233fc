#pragma once
// Choices between two floats by bit masks, for loops that g++ should
// vectorise: a branch or a select of floats keeps it from doing so. The
// chosen value keeps its bits exactly.

#include <bit>
#include <cstdint>

namespace soilcolumn {

// All bits where `condition` holds, none elsewhere.
inline std::uint32_t mask_of(bool condition) { return condition ? ~0u : 0u; }

// `chosen` where the mask's bits are set, `kept` elsewhere.
inline float select_bits(std::uint32_t mask, float chosen, float kept)
{
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(chosen) & mask) | (std::bit_cast<std::uint32_t>(kept) & ~mask));
}

}  // namespace soilcolumn
