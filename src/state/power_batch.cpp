#include "state/power_batch.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>

#ifdef SOILCOLUMN_HAS_MVEC
#include <immintrin.h>

// glibc's vector powf for eight floats (libmvec, AVX2 form).
extern "C" __attribute__((target("avx2"))) __m256 _ZGVdN8vv_powf(__m256 x, __m256 y);
#endif

namespace soilcolumn {
namespace {

void raise_one_by_one(std::span<float> values, std::span<const float> exponents)
{
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = std::pow(values[i], exponents[i]);
}

#ifdef SOILCOLUMN_HAS_MVEC
__attribute__((target("avx2"))) void raise_eight_at_a_time(std::span<float> values, std::span<const float> exponents)
{
    std::size_t i = 0;
    for (; i + 8 <= values.size(); i += 8) {
        const __m256 y = _mm256_loadu_ps(exponents.data() + i);
        _mm256_storeu_ps(values.data() + i, _ZGVdN8vv_powf(_mm256_loadu_ps(values.data() + i), y));
    }
    // The last few values in one more vector, filled up with 1^1.
    const std::size_t rest = values.size() - i;
    if (rest > 0) {
        std::array<float, 8> x;
        std::array<float, 8> y;
        x.fill(1.0f);
        y.fill(1.0f);
        std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(i), rest, x.begin());
        std::copy_n(exponents.begin() + static_cast<std::ptrdiff_t>(i), rest, y.begin());
        _mm256_storeu_ps(x.data(), _ZGVdN8vv_powf(_mm256_loadu_ps(x.data()), _mm256_loadu_ps(y.data())));
        std::copy_n(x.begin(), rest, values.begin() + static_cast<std::ptrdiff_t>(i));
    }
}
#endif

}  // namespace

bool vector_powers_available()
{
#ifdef SOILCOLUMN_HAS_MVEC
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
#else
    return false;
#endif
}

void raise_each(std::span<float> values, std::span<const float> exponents, bool vectorised)
{
#ifdef SOILCOLUMN_HAS_MVEC
    if (vectorised && vector_powers_available()) {
        raise_eight_at_a_time(values, exponents);
        return;
    }
#else
    (void)vectorised;
#endif
    raise_one_by_one(values, exponents);
}

bool raised_by_powf(float x, float y) { return x > 0.0f && y != 0.0f && y != 1.0f; }

void PowerRequests::add(PowerMemo& memo, float base, float exponent)
{
    assert(static_cast<std::size_t>(count_) < capacity);
    const auto i = static_cast<std::size_t>(count_++);
    memo_[i] = &memo;
    base_[i] = base;
    exponent_[i] = exponent;
}

void PowerRequests::add_unless_known(PowerMemo& memo, float base, float exponent)
{
    if (raised_by_powf(base, exponent) && !memo.holds(base, exponent)) add(memo, base, exponent);
}

std::span<const float> PowerRequests::raise_and_hand_over()
{
    const auto n = static_cast<std::size_t>(count_);
    const std::span<float> raised = std::span(power_).first(n);
    std::copy_n(base_.begin(), n, raised.begin());
    raise_each(raised, std::span(exponent_).first(n), true);
    for (std::size_t i = 0; i < n; ++i) {
        if (raised_by_powf(base_[i], exponent_[i]) && std::isfinite(raised[i])) {
            memo_[i]->remember(base_[i], exponent_[i], raised[i]);
        }
    }
    return raised;
}

}  // namespace soilcolumn
