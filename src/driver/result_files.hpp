#pragma once
// The result files: depth profiles (aus1.txt), balances (aus2.txt), face
// fluxes (aus3.txt), the time series at the observation depths (aus4.txt)
// and the progress lines on the console.

#include <vector>

#include "driver/file_set.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// Depth of every compartment centre below the centre of compartment 1 and of
// every top face below the soil surface (face 2).
void compute_depth_tables(ModelState& st);

// Stops the run when an observation depth lies outside [0, depth of the
// centre of compartment N): no pair of compartment centres brackets it.
void check_observation_depths(const ModelState& st, records::OutputUnit& console);

// The headings written once at the start: aus4.txt (1 to 5 depths), then
// aus2.txt.
void write_result_headings(const ModelState& st, FileSet& files);

// Water-weighted mean concentration of both regions, compartments 2..N.
void compute_total_concentration(ModelState& st);

// Console time line and one block each in aus1.txt, aus2.txt and aus3.txt.
void write_profile_output(ModelState& st, FileSet& files);

// The interpolated values of one observation record; sized once per run.
class ObservationSeries {
public:
    explicit ObservationSeries(int depth_count);

    // Interpolates potential, water content and total concentration at every
    // observation depth and writes one record of aus4.txt (1 to 5 depths).
    void write_record(ModelState& st, FileSet& files);

    float potential(int k) const { return potential_[static_cast<std::size_t>(k - 1)]; }
    float water_content(int k) const { return water_content_[static_cast<std::size_t>(k - 1)]; }
    float concentration(int k, int s) const
    {
        return concentration_[static_cast<std::size_t>((s - 1) * depth_count_ + (k - 1))];
    }

private:
    void interpolate(ModelState& st);

    int depth_count_;
    std::vector<float> potential_;
    std::vector<float> water_content_;
    std::vector<float> concentration_;  // depth fastest, 4 substances
};

}  // namespace soilcolumn
