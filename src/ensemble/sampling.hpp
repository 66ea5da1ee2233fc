#pragma once
// Parameter tables drawn by Latin hypercube sampling. A sampling plan names
// per parameter a distribution:
//   uniform     LOW HIGH
//   normal      MEAN SD
//   lognormal   MEANLOG SDLOG   (the mean and standard deviation of ln x)
//   triangular  LOW MODE HIGH
// The plan file has one line per parameter, "name,distribution,p1,p2[,p3]",
// '#' starting a comment line; a first line "name,distribution,..." is a
// header. Each parameter's range of probability is cut into N equal strata,
// one draw per stratum, the strata shuffled per parameter; the draws come
// from a std::mt19937_64 seeded with the seed, turned into uniforms and
// permutations and then into values by this file's own transforms (the
// standard library's distributions differ between implementations), so the
// same plan, N and seed give the same table everywhere.

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace soilcolumn::ensemble {

class SamplingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Distribution { uniform, normal, lognormal, triangular };

struct SampledParameter {
    std::string name;
    Distribution distribution = Distribution::uniform;
    double p1 = 0.0, p2 = 0.0, p3 = 0.0;
};

// Reads a plan; throws SamplingError naming the line and what is wrong.
std::vector<SampledParameter> read_sampling_plan(std::istream& in, const std::string& source);

// The value of a distribution at the probability u in (0, 1).
double quantile(const SampledParameter& parameter, double u);

// The inverse of the standard normal distribution function, u in (0, 1).
double standard_normal_quantile(double u);

// N rows of draws, one column per parameter, in the order of the plan.
std::vector<std::vector<double>> latin_hypercube(const std::vector<SampledParameter>& plan, int count,
                                                 std::uint64_t seed);

}  // namespace soilcolumn::ensemble
