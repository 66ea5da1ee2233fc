#include "driver/finite_check.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "records/run_errors.hpp"

namespace soilcolumn {

namespace {

[[noreturn]] void report_non_finite(const ModelState& st, std::string_view quantity,
                                    int compartment, int substance)
{
    std::string report = "Nicht endlicher Wert (NaN oder unendlich): ";
    report += quantity;
    if (compartment > 0) {
        report += " in Kompartiment " + std::to_string(compartment);
    } else {
        report += " der Bilanz";
    }
    if (substance > 0) {
        report += ", Stoff " + std::to_string(substance);
    }
    char time[96];
    std::snprintf(time, sizeof time, ", simulierte Zeit %.1f s (%.4f Tage)", st.simulation_time,
                  st.simulation_time / 86400.0);
    report += time;
    report += "; die Ergebnisdateien enthalten nur die Ausgaben davor";
    throw RunFailure(report);
}

}  // namespace

void require_finite(const ModelState& st, float value, std::string_view quantity, int compartment,
                    int substance)
{
    if (!std::isfinite(value)) {
        report_non_finite(st, quantity, compartment, substance);
    }
}

void require_finite(const ModelState& st, double value, std::string_view quantity)
{
    if (!std::isfinite(value)) {
        report_non_finite(st, quantity, 0, 0);
    }
}

}  // namespace soilcolumn
