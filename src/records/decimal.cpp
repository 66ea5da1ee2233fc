#include "records/decimal.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

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

// Digits of an odd mantissa times 2^binary_exponent by the wide integer:
// any finite double.
DecimalDigits wide_expansion(std::uint64_t mantissa, int binary_exponent, bool negative)
{
    DecimalDigits result;
    result.negative = negative;
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

using Wide = unsigned __int128;

// 5^k for k = 0..55, the powers of five below 2^128.
constexpr int largest_narrow_five = 55;
constexpr std::array<Wide, largest_narrow_five + 1> powers_of_five = [] {
    std::array<Wide, largest_narrow_five + 1> p{};
    p[0] = 1;
    for (int k = 1; k <= largest_narrow_five; ++k) {
        p[k] = p[k - 1] * 5;
    }
    return p;
}();

// 10^k for k = 0..19, the powers of ten below 2^64.
constexpr std::array<std::uint64_t, 20> powers_of_ten = [] {
    std::array<std::uint64_t, 20> p{};
    p[0] = 1;
    for (std::size_t k = 1; k < p.size(); ++k) {
        p[k] = p[k - 1] * 10;
    }
    return p;
}();

// The decimal digits of a non-zero 128-bit integer, most significant first,
// at most capacity of them; returns the count of all its digits.
int narrow_digits(Wide value, DecimalDigits& out)
{
    constexpr std::uint64_t nineteen_digits = 10000000000000000000ull;  // 10^19
    // Chunks of 19 digits, least significant first: at most 3 for 39 digits.
    std::array<std::uint64_t, 3> chunks{};
    int chunk_count = 0;
    while (value >= nineteen_digits) {
        // One 128-bit division per chunk: the remainder follows from the quotient.
        const Wide quotient = value / nineteen_digits;
        chunks[static_cast<std::size_t>(chunk_count++)] = static_cast<std::uint64_t>(value - quotient * nineteen_digits);
        value = quotient;
    }
    chunks[static_cast<std::size_t>(chunk_count++)] = static_cast<std::uint64_t>(value);

    std::array<std::uint8_t, 20> top{};
    int top_count = 0;
    for (std::uint64_t t = chunks[static_cast<std::size_t>(chunk_count - 1)]; t != 0; t /= 10) {
        top[static_cast<std::size_t>(top_count++)] = static_cast<std::uint8_t>(t % 10);
    }
    out.count = 0;
    for (int i = top_count - 1; i >= 0; --i) {
        out.digits[static_cast<std::size_t>(out.count++)] = top[static_cast<std::size_t>(i)];
    }
    for (int k = chunk_count - 2; k >= 0 && out.count < DecimalDigits::capacity; --k) {
        std::array<std::uint8_t, 19> chunk{};
        std::uint64_t t = chunks[static_cast<std::size_t>(k)];
        for (int i = 18; i >= 0; --i) {
            chunk[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(t % 10);
            t /= 10;
        }
        for (int i = 0; i < 19 && out.count < DecimalDigits::capacity; ++i) {
            out.digits[static_cast<std::size_t>(out.count++)] = chunk[static_cast<std::size_t>(i)];
        }
    }
    return top_count + 19 * (chunk_count - 1);
}

int bit_length(std::uint64_t x) { return 64 - std::countl_zero(x); }

int bit_length(Wide x)
{
    const auto high = static_cast<std::uint64_t>(x >> 64);
    return high != 0 ? 64 + bit_length(high) : bit_length(static_cast<std::uint64_t>(x));
}

// |value| = mantissa x 2^exponent with an odd integer mantissa (value finite, not 0).
struct OddMantissaForm {
    std::uint64_t mantissa;
    int exponent;
};

OddMantissaForm odd_mantissa_form(double value)
{
    constexpr int fraction_bits = 52;
    constexpr int exponent_bias = 1075;  // 1023 plus the 52 fraction bits
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> fraction_bits) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << fraction_bits) - 1);
    int exponent = 1 - exponent_bias;  // subnormal: no implicit leading bit
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << fraction_bits;
        exponent = biased - exponent_bias;
    }
    const int trailing = std::countr_zero(mantissa);
    return {mantissa >> trailing, exponent + trailing};
}

// mantissa x 2^exponent x 10^power as a fraction of two integers, 64-bit
// where both fit (nearly every float a record shows), else 128-bit.
template <class Integer>
struct Fraction {
    Integer numerator;
    Integer denominator;
};

constexpr int bits_of(std::uint64_t) { return 64; }
constexpr int bits_of(Wide) { return 128; }

// Shifts x left by `shift` bits; false where the result would not fit.
template <class Integer>
bool shift_left_fits(Integer& x, int shift)
{
    if (bit_length(x) + shift > bits_of(x)) {
        return false;
    }
    x <<= shift;
    return true;
}

// m x 2^e x 10^p = m x 5^p x 2^(e + p): the power of five goes to the
// numerator or the denominator by the sign of p, the power of two by the
// sign of e + p. False where a part does not fit into the integer type.
template <class Integer>
bool scaled_fraction(OddMantissaForm x, int power, Fraction<Integer>& f)
{
    const int five_power = power >= 0 ? power : -power;
    if (five_power > largest_narrow_five) {
        return false;
    }
    const Wide five = powers_of_five[static_cast<std::size_t>(five_power)];
    if (five > static_cast<Integer>(~Integer{0})) {
        return false;
    }
    f = {Integer{x.mantissa}, 1};
    if (power < 0) {
        f.denominator = static_cast<Integer>(five);
    } else if (__builtin_mul_overflow(f.numerator, static_cast<Integer>(five), &f.numerator)) {
        return false;
    }
    const int two = x.exponent + power;
    return two >= 0 ? shift_left_fits(f.numerator, two) : shift_left_fits(f.denominator, -two);
}

// numerator / denominator rounded to the nearest integer, a half up.
template <class Integer>
Integer rounded_quotient(const Fraction<Integer>& f)
{
    if ((f.denominator & (f.denominator - 1)) == 0) {
        // A power of two: the bit below the quotient's last one is the half.
        const int shift = bit_length(f.denominator) - 1;
        return shift == 0 ? f.numerator : ((f.numerator >> (shift - 1)) + 1) >> 1;
    }
    const Integer q = f.numerator / f.denominator;
    const Integer r = f.numerator - q * f.denominator;
    return q + (r >= f.denominator - r ? 1 : 0);
}

// m x 2^e x 10^power rounded to an integer, a half up; none where the
// fraction fits into 128 bits neither.
std::optional<std::uint64_t> rounded_scaled(OddMantissaForm x, int power)
{
    if (Fraction<std::uint64_t> narrow{}; scaled_fraction(x, power, narrow)) {
        return rounded_quotient(narrow);
    }
    if (Fraction<Wide> wide{}; scaled_fraction(x, power, wide)) {
        return static_cast<std::uint64_t>(rounded_quotient(wide));
    }
    return std::nullopt;
}

// Whether m x 2^e >= 10^j; none where the comparison fits into 128 bits neither.
std::optional<bool> at_least_power_of_ten(OddMantissaForm x, int j)
{
    if (Fraction<std::uint64_t> narrow{}; scaled_fraction(x, -j, narrow)) {
        return narrow.numerator >= narrow.denominator;
    }
    if (Fraction<Wide> wide{}; scaled_fraction(x, -j, wide)) {
        return wide.numerator >= wide.denominator;
    }
    return std::nullopt;
}

// The decimal exponent of m x 2^e: 10^(E-1) <= value < 10^E. The binary
// magnitude gives E or E - 1, one comparison with a power of ten decides.
// None where that comparison does not fit into 128 bits.
std::optional<int> decimal_exponent_of(OddMantissaForm x)
{
    const int binary_magnitude = bit_length(x.mantissa) - 1 + x.exponent;  // 2^t <= value < 2^(t+1)
    // floor(t log10 2) + 1, with log10 2 to 32 bits: exact for every
    // |t| <= 1100, more than the binary magnitudes of a double span.
    constexpr std::int64_t log10_of_2_q32 = 1292913986;
    const auto low = static_cast<int>((binary_magnitude * log10_of_2_q32) >> 32) + 1;
    const std::optional<bool> above = at_least_power_of_ten(x, low);
    if (!above) {
        return std::nullopt;
    }
    return *above ? low + 1 : low;
}

// Writes the `count` decimal digits of n (n < 10^count) two at a time.
void set_digits(std::uint64_t n, int count, DecimalDigits& out)
{
    out.count = count;
    int i = count;
    for (; i >= 2; i -= 2) {
        const auto pair = static_cast<std::uint8_t>(n % 100);
        n /= 100;
        out.digits[static_cast<std::size_t>(i - 1)] = static_cast<std::uint8_t>(pair % 10);
        out.digits[static_cast<std::size_t>(i - 2)] = static_cast<std::uint8_t>(pair / 10);
    }
    if (i == 1) {
        out.digits[0] = static_cast<std::uint8_t>(n);
    }
}

// The rounding integer of `keep` digits written as digits: 10^keep is the
// carry out of the first digit, 0 a value rounded away entirely.
void set_rounded_digits(std::uint64_t rounded, int keep, int exponent, DecimalDigits& out)
{
    if (rounded == 0) {
        return;
    }
    if (rounded == static_cast<std::uint64_t>(powers_of_ten[static_cast<std::size_t>(keep)])) {
        out.digits[0] = 1;
        out.count = 1;
        out.exponent = exponent + 1;
        return;
    }
    set_digits(rounded, keep, out);
    out.exponent = exponent;
    drop_trailing_zeros(out);
}

}  // namespace

ExactValue::ExactValue(double value) : value_(value)
{
    if (value == 0.0 || !std::isfinite(value)) {
        return;
    }
    const OddMantissaForm form = odd_mantissa_form(value);
    mantissa_ = form.mantissa;
    binary_exponent_ = form.exponent;
    const std::optional<int> exponent = decimal_exponent_of(form);
    in_integer_range_ = exponent.has_value();
    exponent_ = exponent ? *exponent : exact_decimal(value).exponent;
}

DecimalDigits ExactValue::rounded(int keep) const
{
    DecimalDigits result;
    result.negative = std::signbit(value_);
    if (value_ == 0.0 || !std::isfinite(value_) || keep < 0) {
        return result;
    }
    // The rounded integer has keep digits (keep + 1 on a carry): up to 18
    // of them it fits into 64 bits with room for the carry.
    constexpr int largest_integer_keep = 18;
    const std::optional<std::uint64_t> rounded = in_integer_range_ && keep <= largest_integer_keep
                                                     ? rounded_scaled({mantissa_, binary_exponent_}, keep - exponent_)
                                                     : std::nullopt;
    if (!rounded) {
        return round_to_digits(exact_decimal(value_), keep);
    }
    set_rounded_digits(*rounded, keep, exponent_, result);
    return result;
}

DecimalDigits exact_decimal(double value)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0.0 || !std::isfinite(value)) {
        return result;
    }

    const auto [mantissa, binary_exponent] = odd_mantissa_form(value);

    // Where the exact integer m x 2^e, or m x 5^k for e = -k, fits into 128
    // bits, its digits come from 128-bit arithmetic: the same digits, exactly.
    if (binary_exponent >= 0) {
        if (bit_length(mantissa) + binary_exponent <= 128) {
            result.exponent = narrow_digits(Wide{mantissa} << binary_exponent, result);
            drop_trailing_zeros(result);
            return result;
        }
    } else if (-binary_exponent <= largest_narrow_five) {
        const Wide five = powers_of_five[static_cast<std::size_t>(-binary_exponent)];
        Wide product = 0;
        if (!__builtin_mul_overflow(Wide{mantissa}, five, &product)) {
            result.exponent = narrow_digits(product, result) + binary_exponent;
            drop_trailing_zeros(result);
            return result;
        }
    }
    return wide_expansion(mantissa, binary_exponent, result.negative);
}

DecimalDigits exact_decimal_by_wide_integer(double value)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0.0 || !std::isfinite(value)) {
        return result;
    }
    const auto [mantissa, binary_exponent] = odd_mantissa_form(value);
    return wide_expansion(mantissa, binary_exponent, result.negative);
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
