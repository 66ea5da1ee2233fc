#include "input/soil_warnings.hpp"

#include "input/orderly_stop.hpp"

namespace soilcolumn {

void write_soil_warnings(records::OutputUnit& console, const CampbellParameters& parameters)
{
    constexpr const char* error_note =
        "(5X,'Berechnete Werte koennen einen hohen',/,'Fehler aufweisen !',/)";
    if (parameters.compaction_out_of_range) {
        write_warning(
            console, "(1X,'WARNUNG: Lagerungsdichte ausserhalb des',/,'erwarteten Bereiches.')");
        console.write_record(error_note);
    }
    if (parameters.grain_size_out_of_range) {
        write_warning(console,
                      "(1X,'WARNUNG: Kornverteilung ausserhalb des',/,"
                      "'erwarteten log-normalen Bereiches.')");
        console.write_record(error_note);
    }
}

}  // namespace soilcolumn
