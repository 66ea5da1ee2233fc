#pragma once
// Powers of many bases to one exponent at once, for values that do not
// repeat from stage to stage (the kept powers of state/power_memo.hpp serve
// the others). The fast arithmetic (run --fast) takes them eight at a time
// from glibc's vector powf where the processor has AVX2: twice the rate of
// powf, within one unit of the last place of powf's result but not always
// the same bits. Everything else, the classic run included, calls powf
// value by value.

#include <span>

namespace soilcolumn {

// values[i] = values[i]^exponents[i] for every i (exponents as long as
// values); vectorised only when asked for and available.
void raise_each(std::span<float> values, std::span<const float> exponents, bool vectorised);

// Whether raise_each(..., true) uses the vector powf on this processor.
bool vector_powers_available();

}  // namespace soilcolumn
