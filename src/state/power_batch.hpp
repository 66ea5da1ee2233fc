#pragma once
// Powers of many bases to one exponent at once, for values that do not
// repeat from stage to stage (the kept powers of state/power_memo.hpp serve
// the others). The fast arithmetic (run --fast) takes them eight at a time
// from glibc's vector powf where the processor has AVX2: twice the rate of
// powf, within one unit of the last place of powf's result but not always
// the same bits. Everything else, the classic run included, calls powf
// value by value.

#include <array>
#include <span>

#include "state/power_memo.hpp"

namespace soilcolumn {

// values[i] = values[i]^exponents[i] for every i (exponents as long as
// values); vectorised only when asked for and available.
void raise_each(std::span<float> values, std::span<const float> exponents, bool vectorised);

// Whether raise_each(..., true) uses the vector powf on this processor.
bool vector_powers_available();

// The powers that the compartments' curves will ask one call site of their
// kept powers for, raised in one vectorised batch and handed to the memos
// beforehand, where the curves then find them.
class PowerRequests {
public:
    void add(int c, float base, float exponent);
    int size() const { return count_; }
    // Request i of the same compartment, for another power.
    void replace(int i, float base, float exponent);

    // Raises every base to its exponent and hands each power that the memo
    // would take from powf, where finite, to the compartment's memo of
    // `site`. Returns the powers in the order of add, valid until the next
    // raise.
    std::span<const float> raise_and_hand_over(ReusedPowers& powers, WaterPower site);

private:
    std::array<int, max_compartments> compartment_;
    std::array<float, max_compartments> base_;
    std::array<float, max_compartments> exponent_;
    std::array<float, max_compartments> power_;
    int count_ = 0;
};

}  // namespace soilcolumn
