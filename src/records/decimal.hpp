#pragma once
// Exact decimal digits of a binary floating-point value, and rounding of
// those digits at a chosen position. Every finite float or double has a
// finite decimal expansion; the leading digits are taken from it exactly, so
// a value stored just below a half (1.2349999 for 1.235) is never rounded up.

#include <array>
#include <cstdint>

namespace soilcolumn::records {

// value = 0.d1 d2 d3 ... x 10^exponent with d1 != 0 (zero: count 0,
// exponent 0). Only the leading digits are kept, cut off, not rounded.
struct DecimalDigits {
    static constexpr int capacity = 20;
    std::array<std::uint8_t, capacity> digits{};
    int count = 0;
    int exponent = 0;
    bool negative = false;

    bool is_zero() const { return count == 0; }
    // The digit at 0-based significant position i; 0 beyond the kept ones.
    int digit(int i) const { return (i >= 0 && i < count) ? digits[i] : 0; }
};

// The leading digits of the exact expansion of a finite value (a float
// widens to double exactly, so both precisions use this).
// Values whose expansion is an integer below 2^128 after scaling by a power
// of ten (nearly every float a record shows) are expanded in 128-bit
// arithmetic, the others by a wide integer; both give the same digits.
DecimalDigits exact_decimal(double value);

// The same digits, always by the wide integer: the reference for the above.
DecimalDigits exact_decimal_by_wide_integer(double value);

// Keeps `keep` significant digits (keep <= 0 keeps none): a first dropped
// digit of 5 or more raises the magnitude, a carry out of the first digit
// raises the exponent. A result without digits is zero; the sign is kept so
// that the caller decides how a rounded zero is written.
DecimalDigits round_to_digits(const DecimalDigits& x, int keep);

// A value ready for rounding: the exponent of its exact expansion is found
// once, from the binary mantissa and exponent, and every rounding reuses it.
// Up to 18 kept digits the rounded integer |value| x 10^(keep - exponent)
// comes from 64-bit or 128-bit integer arithmetic, without the expansion.
class ExactValue {
public:
    explicit ExactValue(double value);

    // exact_decimal(value).exponent (0 for zero and non-finite values).
    int exponent() const { return exponent_; }

    // round_to_digits(exact_decimal(value), keep).
    DecimalDigits rounded(int keep) const;

private:
    double value_;
    std::uint64_t mantissa_ = 0;  // |value| = mantissa x 2^binary_exponent, the mantissa odd
    int binary_exponent_ = 0;
    int exponent_ = 0;
    bool in_integer_range_ = false;  // whether 128-bit integers held the exponent's test
};

}  // namespace soilcolumn::records
