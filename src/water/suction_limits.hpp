#pragma once
// The range of matric suction the model keeps each compartment in: at or
// below the wet limit a compartment counts as saturated, and a stage's
// solve moves any suction outside the range back to its nearer end.

namespace soilcolumn {

inline constexpr float wettest_suction = 0.001f;   // m
inline constexpr float driest_suction = 95000.0f;  // m

}  // namespace soilcolumn
