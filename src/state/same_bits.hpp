#pragma once
// Whether two floats have the same bits. A kept result stands in for a new
// evaluation only at the same bits of its arguments, so that no value is
// taken for another that merely compares equal (-0 and +0).

#include <bit>
#include <cstdint>

namespace soilcolumn {

inline bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

}  // namespace soilcolumn
