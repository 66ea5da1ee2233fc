#pragma once
// Powers of many bases at once: those that the kept powers of
// state/power_memo.hpp do not hold yet, raised in one batch and handed to
// them (PowerRequests below). The fast arithmetic (run --fast) takes them
// eight at a time from glibc's vector powf where the processor has AVX2:
// twice the rate of powf, within one unit of the last place of powf's
// result but not always the same bits. Everything else, the classic run
// included, calls powf value by value.

#include <array>
#include <cstddef>
#include <span>

#include "state/power_memo.hpp"

namespace soilcolumn {

// values[i] = values[i]^exponents[i] for every i (exponents as long as
// values); vectorised only when asked for and available.
void raise_each(std::span<float> values, std::span<const float> exponents, bool vectorised);

// Whether raise_each(..., true) uses the vector powf on this processor.
bool vector_powers_available();

// Whether the kept powers (state/power_memo.hpp) take x^y from powf: not a
// power they take without it, nor one of a base that powf answers with NaN.
// Only such powers are handed over from a batch; the rest are left to the
// curve itself.
bool raised_by_powf(float x, float y);

// Powers that formulas will ask their kept powers (state/power_memo.hpp)
// for, raised in one vectorised batch and handed to the memos beforehand,
// where the formulas then find them. Room for one power per region of every
// compartment and substance.
class PowerRequests {
public:
    void add(PowerMemo& memo, float base, float exponent);
    // Adds the power unless the memo already holds it or takes it without
    // powf, so that the batch raises only powers the formula would raise.
    void add_unless_known(PowerMemo& memo, float base, float exponent);
    int size() const { return count_; }

    // Raises every base to its exponent and hands each power that the memo
    // would take from powf, where finite, to its memo. Returns the powers in
    // the order of add, valid until the next raise.
    std::span<const float> raise_and_hand_over();

    static constexpr std::size_t capacity = 2 * std::size_t{max_compartments} * max_substances;

private:
    std::array<PowerMemo*, capacity> memo_;
    std::array<float, capacity> base_;
    std::array<float, capacity> exponent_;
    std::array<float, capacity> power_;
    int count_ = 0;
};

}  // namespace soilcolumn
