// F and G fields of random values against a reference built differently:
// the exact decimal expansion printed by the C library (which prints every
// digit of a binary value exactly when asked for enough of them), rounded as
// an integer of the kept digits, and laid out by string arithmetic.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "records/format.hpp"

namespace soilcolumn::records {
namespace {

struct Expansion {
    bool negative = false;
    bool zero = true;
    std::string digits;  // all significant digits, first one non-zero
    int exponent = 0;    // value = 0.digits x 10^exponent
};

Expansion expand(double value)
{
    static char text[1024];
    std::snprintf(text, sizeof text, "%.800e", value);
    Expansion x;
    const char* p = text;
    if (*p == '-') {
        x.negative = true;
        ++p;
    }
    const char* e = std::strchr(p, 'e');
    for (const char* q = p; q < e; ++q) {
        if (*q != '.') {
            x.digits += *q;
        }
    }
    x.exponent = std::atoi(e + 1) + 1;
    x.zero = x.digits.find_first_not_of('0') == std::string::npos;
    return x;
}

// The leading `keep` digits as an integer, raised by one when the first
// dropped digit is 5 or more; keep <= 0 leaves at most the carry.
std::uint64_t rounded_integer(const Expansion& x, int keep)
{
    if (x.zero || keep < 0) {
        return 0;
    }
    std::uint64_t n = 0;
    for (int i = 0; i < keep; ++i) {
        n = n * 10 + static_cast<std::uint64_t>(x.digits[i] - '0');
    }
    return x.digits[keep] >= '5' ? n + 1 : n;
}

std::string justify(const std::string& text, int w)
{
    if (static_cast<int>(text.size()) > w) {
        return std::string(w, '*');
    }
    return std::string(w - text.size(), ' ') + text;
}

// The fixed-point text (not yet justified) of n x 10^(exponent - keep).
std::string fixed_text(bool negative, std::uint64_t n, int exponent, int keep, int d)
{
    std::string scaled = std::to_string(n) + std::string(exponent - keep + d, '0');
    if (static_cast<int>(scaled.size()) < d + 1) {
        scaled.insert(0, d + 1 - scaled.size(), '0');
    }
    std::string integer = scaled.substr(0, scaled.size() - d);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    if (integer.empty() && d == 0) {
        integer.push_back('0');
    }
    std::string text = negative && n != 0 ? "-" : "";
    text += integer;
    text += '.';
    text += scaled.substr(scaled.size() - d);
    return text;
}

std::string reference_fixed(double value, int digits_limit, int w, int d)
{
    const Expansion x = expand(value);
    const int exponent = x.zero ? 0 : x.exponent;
    const int keep = std::min(exponent + d, digits_limit);
    if (keep < 0) {
        return justify(fixed_text(false, 0, 0, 0, d), w);
    }
    return justify(fixed_text(x.negative, rounded_integer(x, keep), exponent, keep, d), w);
}

std::string reference_general(double value, int digits_limit, int w, int d)
{
    const Expansion x = expand(value);
    const int e = x.zero ? 0 : x.exponent;
    if (e >= 0 && e <= d) {
        if (w <= 4) {
            return std::string(w, '*');
        }
        const std::string fixed = reference_fixed(value, digits_limit, w - 4, d - e);
        return fixed.find('*') != std::string::npos ? std::string(w, '*') : fixed + "    ";
    }
    const int keep = std::min(d, digits_limit);
    std::uint64_t n = rounded_integer(x, keep);
    int exponent = e;
    if (std::to_string(n).size() > static_cast<std::size_t>(keep)) {
        n /= 10;
        ++exponent;
    }
    std::string mantissa = std::to_string(n);
    mantissa.resize(d, '0');
    // E-05, or -105 where a third exponent digit takes the letter's place.
    char exponent_text[16];
    std::snprintf(exponent_text, sizeof exponent_text, std::abs(exponent) > 99 ? "%c%03d" : "E%c%02d",
                  exponent < 0 ? '-' : '+', std::abs(exponent));
    return justify((x.negative ? "-." : ".") + mantissa + exponent_text, w);
}

// Values that exercise the rounding: exact halves, carries into a new
// digit, neighbours of powers of ten, and arbitrary bit patterns.
float random_float(std::mt19937& rng)
{
    std::uniform_int_distribution<int> pick(0, 5);
    std::uniform_int_distribution<int> small_power(-8, 8);
    std::uniform_int_distribution<int> digits(0, 9999999);
    const float sign = (rng() & 1u) ? -1.0f : 1.0f;
    switch (pick(rng)) {
    case 0: {  // n + 1/2 scaled by a power of two: an exact half at some decimal
        const float half = (static_cast<float>(digits(rng) % 2000) + 0.5f) / static_cast<float>(1u << (rng() % 12));
        return sign * half;
    }
    case 1:  // 9.99..95 and the like, scaled: carries into a new digit
        return sign * static_cast<float>((9999999.5 - (rng() % 100)) * std::pow(10.0, small_power(rng) - 6));
    case 2: {  // neighbours of powers of ten
        const float p = static_cast<float>(std::pow(10.0, small_power(rng)));
        const int steps = static_cast<int>(rng() % 5) - 2;
        float v = p;
        for (int i = 0; i < std::abs(steps); ++i) {
            v = std::nextafter(v, steps > 0 ? 1e30f : 0.0f);
        }
        return sign * v;
    }
    case 3:  // short decimals as typed in input files
        return sign * static_cast<float>(digits(rng) % 100000) / static_cast<float>(std::pow(10.0, rng() % 6));
    case 4:
        return (rng() % 8 == 0) ? sign * 0.0f : sign * std::numeric_limits<float>::max() / static_cast<float>(rng() % 1000 + 1);
    default: {  // any finite bit pattern
        std::uint32_t bits = 0;
        float v = 0.0f;
        do {
            bits = static_cast<std::uint32_t>(rng());
            std::memcpy(&v, &bits, sizeof v);
        } while (!std::isfinite(v));
        return v;
    }
    }
}

TEST(RenderingReference, FloatFieldsMatchExactDecimalRounding)
{
    std::mt19937 rng(20240611u);
    std::uniform_int_distribution<int> width(1, 24);
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        const float v = random_float(rng);
        const int w = width(rng);
        const int d = static_cast<int>(rng() % 10);
        ASSERT_EQ(render_fixed(v, w, d), reference_fixed(v, 7, w, d)) << "F" << w << "." << d << " of " << v;
        const int gd = 1 + static_cast<int>(rng() % 8);
        ASSERT_EQ(render_general(v, w, gd), reference_general(v, 7, w, gd)) << "G" << w << "." << gd << " of " << v;
        compared += 2;
    }
    EXPECT_EQ(compared, 8000);
}

TEST(RenderingReference, DoubleFieldsMatchExactDecimalRounding)
{
    std::mt19937 rng(77u);
    std::uniform_int_distribution<int> width(1, 30);
    for (int i = 0; i < 2000; ++i) {
        double v = static_cast<double>(random_float(rng));
        if (i % 2 == 0) {
            v = v / 3.0 + std::ldexp(1.0, -40) * v;  // fill the low bits of the mantissa
        }
        const int w = width(rng);
        const int d = static_cast<int>(rng() % 16);
        ASSERT_EQ(render_fixed(v, w, d), reference_fixed(v, 15, w, d)) << "F" << w << "." << d << " of " << v;
        const int gd = 1 + static_cast<int>(rng() % 15);
        ASSERT_EQ(render_general(v, w, gd), reference_general(v, 15, w, gd)) << "G" << w << "." << gd << " of " << v;
    }
}

// The edit items the result files and the console write, on many values
// of both precisions, doubles also as arbitrary bit patterns.
TEST(RenderingReference, RecordFieldsMatchExactDecimalRounding)
{
    struct Item {
        char edit;
        int w;
        int d;
    };
    const Item items[] = {{'F', 5, 3}, {'F', 6, 3}, {'F', 6, 2}, {'F', 8, 3}, {'F', 9, 2}, {'F', 9, 3},
                          {'F', 10, 1}, {'F', 10, 2}, {'F', 10, 3}, {'F', 12, 5}, {'F', 14, 1}, {'G', 10, 3},
                          {'G', 11, 3}, {'G', 11, 4}, {'G', 15, 7}, {'G', 24, 15}};
    std::mt19937 rng(4242u);
    std::mt19937_64 bits(99u);
    for (int i = 0; i < 4000; ++i) {
        const float f = random_float(rng);
        double v = std::bit_cast<double>(bits());
        if (!std::isfinite(v) || i % 2 == 0) {
            v = static_cast<double>(f) * (1.0 + std::ldexp(1.0, -30));  // a float's neighbour with low bits set
        }
        for (const Item& item : items) {
            if (item.edit == 'F') {
                ASSERT_EQ(render_fixed(f, item.w, item.d), reference_fixed(f, 7, item.w, item.d))
                    << "F" << item.w << "." << item.d << " of " << f;
                ASSERT_EQ(render_fixed(v, item.w, item.d), reference_fixed(v, 15, item.w, item.d))
                    << "F" << item.w << "." << item.d << " of " << v;
            } else {
                ASSERT_EQ(render_general(f, item.w, item.d), reference_general(f, 7, item.w, item.d))
                    << "G" << item.w << "." << item.d << " of " << f;
                ASSERT_EQ(render_general(v, item.w, item.d), reference_general(v, 15, item.w, item.d))
                    << "G" << item.w << "." << item.d << " of " << v;
            }
        }
    }
}

}  // namespace
}  // namespace soilcolumn::records
