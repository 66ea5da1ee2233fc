#pragma once
// The eight retention models, evaluated for one compartment at a time:
// water content theta(h) and specific water capacity |d theta / d h| at the
// positive suction h (m of water). Model codes:
//   1 power law with a parabolic wet end    5 van Genuchten, m = 1 - 1/n
//   2 two power-law segments                 6 van Genuchten, free m
//   3 log-linear through three points        7 single power of (1 + alpha h)
//   4 van Genuchten, m = 1 - 1/n             8 GHM log-log line
// Models 1, 2 and 4 to 8 share a log-linear dry end that reaches zero water
// content at 10^5 m suction.

#include "state/model_state.hpp"

namespace soilcolumn {

// Water content of compartment c at suction h by its retention model.
// Model 8 first raises h to 0.001 m. An unknown model code returns
// `unchanged`.
float retention_water_content(const ModelState& st, int c, float& h, float unchanged);

// Specific water capacity (1/m) of compartment c at suction h, where `theta`
// is the water content for h. The wet-end parabola of model 1 recomputes
// `theta` in place. An unknown model code returns `unchanged`.
float retention_capacity(const ModelState& st, int c, float h, float& theta, float unchanged);

// The fast arithmetic: the two powers (alpha h)^n and (1 + (alpha h)^n)^m
// that the van Genuchten water contents of compartments 2..N will take at
// the suctions of `state`, raised in two batches by the vector powf
// (state/power_batch.hpp) and handed to the compartments' kept powers, where
// the curves then find them.
void prepare_van_genuchten_powers(const ModelState& st, const SpeciesTable& state);

}  // namespace soilcolumn
