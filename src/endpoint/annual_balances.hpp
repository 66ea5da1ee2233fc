#pragma once
// Water and substance balances per calendar year of the weather date in
// force, in 64-bit, with the fluxes through a target face (the face nearest
// to a target depth, 1 m by default) and through the lower face as the
// solved rows of every step's corrector carry them. Weather used cyclically
// repeats its years: a year begins wherever the weather year changes.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "stage/stage_context.hpp"
#include "state/model_state.hpp"

namespace soilcolumn {

// The face of the column nearest to a depth below the soil surface (the
// shallower one on a tie), or an English message saying why there is none.
struct TargetFace {
    int face = 0;
    double depth = 0.0;  // m, of the face chosen
};
std::optional<TargetFace> target_face_near(const ModelState& st, double depth, std::string& message);
// The lower face of the column (face N) and its depth.
TargetFace lower_face(const ModelState& st);

struct YearSubstance {
    double applied = 0.0;          // g/m2
    double degraded = 0.0;         // g/m2
    double leached_target = 0.0;   // g/m2 through the target face, net downward
    double leached_lower = 0.0;    // g/m2 through the lower face, net downward
};

struct YearBalance {
    int index = 0;            // 1, 2, ... in the order of the run
    int weather_year = 0;     // the calendar year of the weather records
    bool partial = false;     // did not run from 1 January to 31 December
    double first_day = 0.0;   // clock at the end of the year's first and last step, days
    double last_day = 0.0;
    double precipitation = 0.0;  // m, rain and melt that came into force
    double snow = 0.0;           // m of water that fell as snow
    double evaporation = 0.0;    // m
    double infiltration = 0.0;   // m through the soil surface, net downward
    double ponded = 0.0;         // m the surface did not accept
    double water_target = 0.0;   // m through the target face, net downward
    double water_lower = 0.0;    // m through the lower face, net downward
    double storage_change = 0.0; // m in the soil compartments
    std::array<YearSubstance, max_substances> substances{};
};

class AnnualBalances {
public:
    // Starts the books on the start state of a run, with the target face.
    void start(const ModelState& st, const TargetFace& target);
    // Adds what one time step did (its corrector) to the year in force.
    void book_step(const ModelState& st, const StageResult& corrector);
    // Closes the last year at the end of the run.
    void finish();

    const std::vector<YearBalance>& years() const { return years_; }
    const TargetFace& target() const { return target_; }
    const TargetFace& lower() const { return lower_; }

private:
    YearBalance& year_in_force(const ModelState& st);

    TargetFace target_;
    TargetFace lower_;
    std::vector<YearBalance> years_;
    double storage_at_year_start_ = 0.0;
    double storage_now_ = 0.0;
    double last_precipitation_total_ = 0.0;
    double last_snow_total_ = 0.0;
    bool last_day_was_year_end_ = false;
};

// Flux-averaged concentration in ug/L of a mass (g/m2) carried by water (m);
// none where the net water is not positive.
std::optional<double> flux_averaged_concentration(double mass, double water);

}  // namespace soilcolumn
