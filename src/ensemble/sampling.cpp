#include "ensemble/sampling.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <sstream>

namespace soilcolumn::ensemble {
namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(trimmed(field));
    return fields;
}

// A uniform draw in (0, 1): 53 random bits, centred in their interval so
// that neither end is ever reached.
double open_uniform(std::mt19937_64& engine)
{
    return (static_cast<double>(engine() >> 11) + 0.5) * 0x1.0p-53;
}

// A whole number in 0..bound-1 without the bias of a plain modulo: draws
// from the top of the 64-bit range that would favour small values are
// thrown back.
std::uint64_t bounded(std::mt19937_64& engine, std::uint64_t bound)
{
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    for (;;) {
        const std::uint64_t x = engine();
        if (x < limit) return x % bound;
    }
}

}  // namespace

std::vector<SampledParameter> read_sampling_plan(std::istream& in, const std::string& source)
{
    std::vector<SampledParameter> plan;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        const std::vector<std::string> f = fields_of(text);
        const std::string where = source + " line " + std::to_string(number) + ": ";
        if (plan.empty() && f.size() >= 2 && f[0] == "name" && f[1] == "distribution") continue;
        if (f.size() < 4) throw SamplingError(where + "expected name,distribution,p1,p2[,p3]");
        SampledParameter p{f[0]};
        std::size_t wanted = 4;
        if (f[1] == "uniform") p.distribution = Distribution::uniform;
        else if (f[1] == "normal") p.distribution = Distribution::normal;
        else if (f[1] == "lognormal") p.distribution = Distribution::lognormal;
        else if (f[1] == "triangular") { p.distribution = Distribution::triangular; wanted = 5; }
        else throw SamplingError(where + "unknown distribution '" + f[1] + "' (uniform, normal, lognormal, triangular)");
        if (f.size() != wanted) {
            throw SamplingError(where + f[1] + " takes " + std::to_string(wanted - 2) + " parameters");
        }
        double values[3] = {0.0, 0.0, 0.0};
        for (std::size_t i = 2; i < wanted; ++i) {
            const std::string& t = f[i];
            const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), values[i - 2]);
            if (error != std::errc{} || end != t.data() + t.size() || t.empty() || !std::isfinite(values[i - 2])) {
                throw SamplingError(where + "'" + t + "' is not a finite number");
            }
        }
        p.p1 = values[0];
        p.p2 = values[1];
        p.p3 = values[2];
        switch (p.distribution) {
        case Distribution::uniform:
            if (!(p.p1 < p.p2)) throw SamplingError(where + "uniform needs LOW below HIGH");
            break;
        case Distribution::normal:
        case Distribution::lognormal:
            if (!(p.p2 > 0.0)) throw SamplingError(where + f[1] + " needs a standard deviation above 0");
            break;
        case Distribution::triangular:
            if (!(p.p1 <= p.p2 && p.p2 <= p.p3 && p.p1 < p.p3)) {
                throw SamplingError(where + "triangular needs LOW <= MODE <= HIGH and LOW below HIGH");
            }
            break;
        }
        for (const SampledParameter& earlier : plan) {
            if (earlier.name == p.name) throw SamplingError(where + "'" + p.name + "' is planned twice");
        }
        plan.push_back(p);
    }
    if (plan.empty()) throw SamplingError(source + ": no parameter planned");
    return plan;
}

// Acklam's rational approximation (relative error below 1.15e-9), then one
// step of Halley's method on erfc, which brings it to double precision.
double standard_normal_quantile(double u)
{
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    constexpr double low = 0.02425;
    double x = 0.0;
    if (u < low) {
        const double q = std::sqrt(-2.0 * std::log(u));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (u <= 1.0 - low) {
        const double q = u - 0.5;
        const double r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    } else {
        const double q = std::sqrt(-2.0 * std::log(1.0 - u));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    }
    constexpr double sqrt_2pi = 2.50662827463100050242;  // sqrt(2 pi)
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - u;
    const double step = e * sqrt_2pi * std::exp(x * x / 2.0);
    return x - step / (1.0 + x * step / 2.0);
}

double quantile(const SampledParameter& p, double u)
{
    switch (p.distribution) {
    case Distribution::uniform:
        return p.p1 + (p.p2 - p.p1) * u;
    case Distribution::normal:
        return p.p1 + p.p2 * standard_normal_quantile(u);
    case Distribution::lognormal:
        return std::exp(p.p1 + p.p2 * standard_normal_quantile(u));
    case Distribution::triangular: {
        const double width = p.p3 - p.p1;
        const double left = (p.p2 - p.p1) / width;  // probability below the mode
        return u < left ? p.p1 + std::sqrt(u * width * (p.p2 - p.p1))
                        : p.p3 - std::sqrt((1.0 - u) * width * (p.p3 - p.p2));
    }
    }
    return p.p1;
}

std::vector<std::vector<double>> latin_hypercube(const std::vector<SampledParameter>& plan, int count,
                                                 std::uint64_t seed)
{
    if (count < 1) throw SamplingError("the number of members must be at least 1");
    std::mt19937_64 engine(seed);
    const auto n = static_cast<std::size_t>(count);
    std::vector<std::vector<double>> rows(n, std::vector<double>(plan.size()));
    std::vector<std::size_t> strata(n);
    for (std::size_t j = 0; j < plan.size(); ++j) {
        for (std::size_t i = 0; i < n; ++i) strata[i] = i;
        for (std::size_t i = n - 1; i > 0; --i) {  // Fisher-Yates
            std::swap(strata[i], strata[static_cast<std::size_t>(bounded(engine, i + 1))]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            // The sum rounds to n at the top of the last stratum: keep u below 1.
            const double u = std::min((static_cast<double>(strata[i]) + open_uniform(engine)) / static_cast<double>(n),
                                      1.0 - 0x1.0p-53);
            rows[i][j] = quantile(plan[j], u);
        }
    }
    return rows;
}

}  // namespace soilcolumn::ensemble
