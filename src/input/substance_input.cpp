// The substance file chemvek.txt: how many substances the run transports and,
// for each, its diffusion, sorption, degradation, volatility and exchange
// properties.
#include "input/substance_input.hpp"

#include <cstdint>
#include <string>
#include <string_view>

#include "input/heading.hpp"
#include "input/input_checks.hpp"
#include "input/orderly_stop.hpp"
#include "records/input_unit.hpp"

namespace soilcolumn {
namespace {

void check_substance_count(records::OutputUnit& console, std::int32_t count)
{
    if (count >= 0 && count <= max_substances) {
        return;
    }
    const std::string value = std::to_string(count);
    stop_run(console,
             "(1X,/,1X,'Datei chemvek.txt: Anzahl der Stoffe ',A,' ausserhalb des',"
             "' zulaessigen Bereiches 0 bis 4 !',/,3X,'***Programm abgebrochen***',/)",
             {std::string_view(value)});
}

// Degradation works with ln 2 / half-life: a half-life of zero or below has no
// meaning. A substance that does not degrade is given a very large half-life.
void check_half_life(records::OutputUnit& console, std::int32_t s, float half_life)
{
    if (half_life > 0.0f) {
        return;
    }
    stop_run(console,
             "(1X,/,1X,'Datei chemvek.txt: Halbwertszeit des',I4,'-ten Stoffes',"
             "' ist nicht positiv:',G11.4,/,' Fuer einen nicht abbaubaren Stoff eine sehr',"
             "' grosse Halbwertszeit angeben (z.B. 1.0E+20 Tage)',/,"
             "3X,'***Programm abgebrochen***',/)",
             {s, half_life});
}

// Diffusion in water stays below 1e-7 m2/s and in air below 1e-3 m2/s for
// every substance (the fastest, hydrogen ions and hydrogen gas, reach about
// 1e-8 and 1e-4): a value above these is a unit mistake, such as cm2/s.
// Henry constant, exchange coefficient and the sorption constants cannot be
// negative; the irreversibly sorbed share is a share.
void check_substance_properties(const ModelState& st, records::OutputUnit& console,
                                std::int32_t s)
{
    const std::string substance = numbered("Datei chemvek.txt, Stoff", s);
    check_within(console, substance + ": Diffusionskoeffizient in Wasser",
                 st.water_diffusion_coefficient(s), " m2/s", {0.0f, 1e-7f, true, "0 bis 1E-07 m2/s"});
    check_within(console, substance + ": Diffusionskoeffizient in Luft",
                 st.air_diffusion_coefficient(s), " m2/s", {0.0f, 1e-3f, true, "0 bis 1E-03 m2/s"});
    check_within(console, substance + ": Sorptionskonstante je Organikanteil",
                 st.sorption_per_organic_matter(s), "", sorption_constant_range);
    check_within(console, substance + ": Sorptionskonstante je Tonanteil", st.sorption_per_clay(s),
                 "", sorption_constant_range);
    check_within(console, substance + ": Freundlich-Exponent", st.default_sorption_exponent(s), "",
                 freundlich_exponent_range);
    check_within(console, substance + ": Henry-Konstante", st.henry_constant(s), "",
                 {0.0f, 3.4e38f, true, "ab 0"});
    check_within(console, substance + ": Austauschkoeffizient", st.transfer_coefficient(s), " 1/s",
                 {0.0f, 3.4e38f, true, "ab 0 1/s"});
    check_within(console, substance + ": irreversibel sorbierbarer Anteil",
                 st.irreversible_share(s), "", {0.0f, 1.0f, true, "0 bis 1"});
}

void read_substance_record(ModelState& st, records::InputUnit& unit, std::int32_t s)
{
    records::read_values(unit, {&st.water_diffusion_coefficient(s),
                                &st.air_diffusion_coefficient(s),
                                &st.sorption_per_organic_matter(s), &st.sorption_per_clay(s),
                                &st.default_sorption_exponent(s), &st.half_life(s),
                                &st.henry_constant(s), &st.transfer_coefficient(s),
                                &st.irreversible_share(s)});
}

void echo_substance_record(const ModelState& st, records::OutputUnit& console,
                           std::string_view table_heading, std::int32_t s)
{
    console.write_record("(1X,A,/,1X,G9.2,1X,G9.2,1X,G9.2,1X,G9.2,1X,F5.1,1X,G9.2,1X,G9.2,"
                         "1X,G9.2,1X,F6.2)",
                         {table_heading, st.water_diffusion_coefficient(s),
                          st.air_diffusion_coefficient(s), st.sorption_per_organic_matter(s),
                          st.sorption_per_clay(s), st.default_sorption_exponent(s),
                          st.half_life(s), st.henry_constant(s), st.transfer_coefficient(s),
                          st.irreversible_share(s)});
}

}  // namespace

void read_substance_input(ModelState& st, FileSet& files)
{
    records::InputUnit& unit = files.chemvek;
    records::OutputUnit& console = files.console;

    const std::string file_heading = records::read_line(unit, heading_length);
    std::int32_t count = 0;
    records::read_values(unit, {&count});
    console.write_record("(1X,A,/,1X,I4)", {std::string_view(file_heading), count});
    check_substance_count(console, count);
    st.substance_count = count;

    // The table heading is repeated above every substance's values.
    const std::string table_heading = records::read_line(unit, heading_length);
    for (std::int32_t s = 1; s <= st.substance_count; ++s) {
        read_substance_record(st, unit, s);
        echo_substance_record(st, console, table_heading, s);
        check_half_life(console, s, st.half_life(s));
        check_substance_properties(st, console, s);
    }
}

}  // namespace soilcolumn
