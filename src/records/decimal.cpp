#include "records/decimal.hpp"

#include <cmath>

namespace soilcolumn::records {

namespace {

// A non-negative integer of up to 810 decimal digits in base-10^9 limbs,
// least significant first: enough for the largest double (309 digits) and
// for the smallest one scaled to an integer (2^53 x 5^1074, 767 digits).
class WideInteger {
public:
    explicit WideInteger(std::uint64_t value)
    {
        while (value != 0) {
            limbs_[size_++] = static_cast<std::uint32_t>(value % limb_base);
            value /= limb_base;
        }
    }

    void multiply(std::uint32_t factor)
    {
        std::uint64_t carry = 0;
        for (int i = 0; i < size_; ++i) {
            const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
            limbs_[i] = static_cast<std::uint32_t>(product % limb_base);
            carry = product / limb_base;
        }
        while (carry != 0) {
            limbs_[size_++] = static_cast<std::uint32_t>(carry % limb_base);
            carry /= limb_base;
        }
    }

    // Multiplies by base^power, in chunks whose factor keeps every limb
    // product below 2^64.
    void multiply_by_power(std::uint32_t chunk_factor, int chunk_power, std::uint32_t base, int power)
    {
        for (; power >= chunk_power; power -= chunk_power) {
            multiply(chunk_factor);
        }
        std::uint32_t rest = 1;
        for (; power > 0; --power) {
            rest *= base;
        }
        multiply(rest);
    }

    int digit_count() const
    {
        if (size_ == 0) {
            return 0;
        }
        int top_digits = 0;
        for (std::uint32_t top = limbs_[size_ - 1]; top != 0; top /= 10) {
            ++top_digits;
        }
        return (size_ - 1) * digits_per_limb + top_digits;
    }

    // Copies the leading digits, most significant first, into `out`.
    void leading_digits(DecimalDigits& out) const
    {
        out.count = 0;
        for (int i = size_ - 1; i >= 0 && out.count < DecimalDigits::capacity; --i) {
            std::array<std::uint8_t, digits_per_limb> limb_digits{};
            std::uint32_t limb = limbs_[i];
            for (int k = digits_per_limb - 1; k >= 0; --k) {
                limb_digits[k] = static_cast<std::uint8_t>(limb % 10);
                limb /= 10;
            }
            int first = 0;
            if (i == size_ - 1) {
                while (limb_digits[first] == 0) {
                    ++first;
                }
            }
            for (int k = first; k < digits_per_limb && out.count < DecimalDigits::capacity; ++k) {
                out.digits[out.count++] = limb_digits[k];
            }
        }
    }

private:
    static constexpr std::uint32_t limb_base = 1000000000u;
    static constexpr int digits_per_limb = 9;
    static constexpr int max_limbs = 90;

    std::array<std::uint32_t, max_limbs> limbs_{};
    int size_ = 0;
};

void drop_trailing_zeros(DecimalDigits& x)
{
    while (x.count > 0 && x.digits[x.count - 1] == 0) {
        --x.count;
    }
}

}  // namespace

DecimalDigits exact_decimal(double value)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0.0 || !std::isfinite(value)) {
        return result;
    }

    // |value| = mantissa x 2^binary_exponent with an odd integer mantissa.
    int frexp_exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &frexp_exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    int binary_exponent = frexp_exponent - 53;
    while ((mantissa & 1u) == 0) {
        mantissa >>= 1;
        ++binary_exponent;
    }

    WideInteger scaled(mantissa);
    if (binary_exponent >= 0) {
        scaled.multiply_by_power(1u << 29, 29, 2, binary_exponent);
        result.exponent = scaled.digit_count();
    } else {
        // m x 2^-k = m x 5^k x 10^-k: the digits are those of m x 5^k.
        scaled.multiply_by_power(1220703125u, 13, 5, -binary_exponent);  // 5^13
        result.exponent = scaled.digit_count() + binary_exponent;
    }
    scaled.leading_digits(result);
    drop_trailing_zeros(result);
    return result;
}

DecimalDigits round_to_digits(const DecimalDigits& x, int keep)
{
    DecimalDigits result;
    result.negative = x.negative;
    if (x.is_zero() || keep < 0) {
        return result;
    }
    if (keep >= x.count) {
        return x;
    }
    result.exponent = x.exponent;
    for (int i = 0; i < keep; ++i) {
        result.digits[i] = x.digits[i];
    }
    result.count = keep;
    if (x.digits[keep] >= 5) {
        int i = keep - 1;
        while (i >= 0 && result.digits[i] == 9) {
            result.digits[i] = 0;
            --i;
        }
        if (i >= 0) {
            ++result.digits[i];
        } else {
            // All kept digits were 9 (or none were kept): 0.999.. becomes 0.1 x 10.
            result.digits[0] = 1;
            result.count = 1;
            ++result.exponent;
        }
    }
    drop_trailing_zeros(result);
    if (result.is_zero()) {
        result.exponent = 0;
    }
    return result;
}

}  // namespace soilcolumn::records
