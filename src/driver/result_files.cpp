#include "driver/result_files.hpp"

#include <array>
#include <string_view>

#include "driver/finite_check.hpp"
#include "input/orderly_stop.hpp"
#include "driver/value_list.hpp"

namespace soilcolumn {

namespace {

// Below this sum of all sorption coefficients the profiles leave out the
// sorbed concentrations.
constexpr float sorption_print_threshold = 0.001f;

constexpr std::array<std::string_view, max_observation_depths> observation_heading_formats{
    "(27X,'Matrixpotential (-m)',27X,'Wassergehalt ','(vol)',16X,'Konzentrationen (g/m3)',/,3X,"
    "'Tage',5X,'Teufe (m)',F10.2,40X,F6.2,24X,F10.2,/)",
    "(27X,'Matrixpotential (-m)',27X,'Wassergehalt ','(vol)',16X,'Konzentrationen (g/m3)',/,3X,"
    "'Tage',5X,'Teufe (m)',2F10.2,30X,2F6.2,18X,2F10.2,/)",
    "(27X,'Matrixpotential (-m)',27X,'Wassergehalt ','(vol)',16X,'Konzentrationen (g/m3)',/,3X,"
    "'Tage',5X,'Teufe (m)',3F10.2,20X,3F6.2,12X,3F10.2,/)",
    "(27X,'Matrixpotential (-m)',27X,'Wassergehalt ','(vol)',16X,'Konzentrationen (g/m3)',/,3X,"
    "'Tage',5X,'Teufe (m)',4F10.2,10X,4F6.2,6X,4F10.2,/)",
    "(27X,'Matrixpotential (-m)',27X,'Wassergehalt ','(vol)',16X,'Konzentrationen (g/m3)',/,3X,"
    "'Tage',5X,'Teufe (m)',5F10.2,5F6.2,5F10.2,/)",
};

constexpr std::array<std::string_view, max_observation_depths> observation_record_formats{
    "(1X,F9.2,11X,F10.2,40X,F6.3,24X,4G10.3)",
    "(1X,F9.2,11X,2F10.2,30X,2F6.3,18X,8G10.3)",
    "(1X,F9.2,11X,3F10.2,20X,3F6.3,12X,12G10.3)",
    "(1X,F9.2,11X,4F10.2,10X,4F6.3,6X,16G10.3)",
    "(1X,F9.2,11X,5F10.2,5F6.3,20F10.3)",
};

constexpr std::string_view balance_heading_format =
    "(1X,'Massenbilanzen',/,1X,'Tage',4X,'ges. Nieders.',2X,'Vers.',4X,'Evap.',2X,'GW-Neub.',2X,"
    "'Wasserm.',2X,'O.-abfl.',' Schnee Schnee ges. ','|Stoffzufluss, -abfluss | Stoffmenge "
    "geloest, sorbiert, ','verdampft, irreversibel sorbiert | ','Stoffmenge abgebaut/gebildet',/,"
    "16X,'m',8X,'m',8X,'m',8X,'m',8X,'m',8X,'m',8X,'m',8X,'m',9X,'g/m^2',20X,'g/m^2',60X,'g/m^2')";

constexpr std::string_view time_line_format =
    "(1X,/,/,'Simulationszeit: ',F10.1,' Tage',2X,'(',I2,'.',I2,'.',I4,')',/)";

constexpr std::string_view short_profile_heading_format =
    "(1X,'Teufe  Potential Feuchte Konz. gel. mobil,','immobil,ges.',/,"
    "'   m        -m    m^3/m^3 g/m^3',/)";

constexpr std::string_view long_profile_heading_format =
    "(1X,'Teufe  Potential Feuchte Konz. gel. mobil,','immobil,ges.',1X,'Konz. sorbiert "
    "mobil,immobil',1X,'Konz. irreversibel sorbiert mobil/immobil',/,"
    "'   m        -m    m^3/m^3 g/m^3',25X,'g/kg',/)";

constexpr std::string_view profile_record_format = "(1X,F5.3,F9.2,F8.3,28G10.3)";
constexpr std::string_view balance_record_format = "(1X,F9.2,8F9.3,5X,28G10.3)";
constexpr std::string_view flux_heading_format =
    "(1X,'Teufe Wasserfluss Stofffluss',/,'  m      m/s         g/m^2/s',/)";
constexpr std::string_view flux_record_format = "(1X,F6.3,G11.3,4G11.3)";

bool prints_sorption(const ModelState& st)
{
    return st.sorption_sum >= sorption_print_threshold;
}

// Simulated time in days, kept in 64 bits.
double simulated_days(const ModelState& st)
{
    return st.simulation_time / 86400.0;
}

void check_profile_values(const ModelState& st)
{
    const bool sorption = prints_sorption(st);
    for (int c = 1; c <= st.compartment_count; ++c) {
        require_finite(st, st.matric_potential(c), "matric_potential", c);
        require_finite(st, st.water_content(c), "water_content", c);
        require_finite(st, st.water_flux(c), "water_flux", c);
        for (int s = 1; s <= st.substance_count; ++s) {
            require_finite(st, st.mobile_concentration(c, s), "mobile_concentration", c, s);
            require_finite(st, st.immobile_concentration(c, s), "immobile_concentration", c, s);
            require_finite(st, st.total_concentration(c, s), "total_concentration", c, s);
            require_finite(st, st.solute_flux(c, s), "solute_flux", c, s);
            if (sorption) {
                require_finite(st, st.mobile_sorbed(c, s), "mobile_sorbed", c, s);
                require_finite(st, st.immobile_sorbed(c, s), "immobile_sorbed", c, s);
                require_finite(st, st.mobile_irreversible_sorbed(c, s),
                               "mobile_irreversible_sorbed", c, s);
                require_finite(st, st.immobile_irreversible_sorbed(c, s),
                               "immobile_irreversible_sorbed", c, s);
            }
        }
    }
}

void check_balance_values(const ModelState& st)
{
    require_finite(st, st.precipitation_total, "precipitation_total", 0);
    require_finite(st, st.infiltration_total, "infiltration_total");
    require_finite(st, st.evaporation_total, "evaporation_total");
    require_finite(st, st.recharge_total, "recharge_total");
    require_finite(st, st.water_storage, "water_storage", 0);
    require_finite(st, st.surface_runoff, "surface_runoff", 0);
    require_finite(st, st.snow_storage, "snow_storage", 0);
    require_finite(st, st.snow_total, "snow_total");
    for (int s = 1; s <= st.substance_count; ++s) {
        require_finite(st, st.substance_entered(s), "substance_entered", 0, s);
        require_finite(st, st.substance_leached(s), "substance_leached", 0, s);
        require_finite(st, st.dissolved_amount(s), "dissolved_amount", 0, s);
        require_finite(st, st.sorbed_amount(s), "sorbed_amount", 0, s);
        require_finite(st, st.gaseous_amount(s), "gaseous_amount", 0, s);
        require_finite(st, st.irreversible_amount(s), "irreversible_amount", 0, s);
        require_finite(st, st.substance_transformed(s), "substance_transformed", 0, s);
    }
}

void write_time_line(records::OutputUnit& unit, const ModelState& st, double days)
{
    unit.write_record(time_line_format,
                      {days, st.weather_date[0], st.weather_date[1], st.weather_date[2]});
}

void write_profile_record(const ModelState& st, records::OutputUnit& aus1, int c)
{
    const int substances = st.substance_count;
    ValueList<3 + 7 * max_substances> values;
    values.add(st.node_depth(c));
    values.add(st.matric_potential(c));
    values.add(st.water_content(c));
    for (int s = 1; s <= substances; ++s) values.add(st.mobile_concentration(c, s));
    for (int s = 1; s <= substances; ++s) values.add(st.immobile_concentration(c, s));
    for (int s = 1; s <= substances; ++s) values.add(st.total_concentration(c, s));
    if (prints_sorption(st)) {
        for (int s = 1; s <= substances; ++s) values.add(st.mobile_sorbed(c, s));
        for (int s = 1; s <= substances; ++s) values.add(st.immobile_sorbed(c, s));
        for (int s = 1; s <= substances; ++s) values.add(st.mobile_irreversible_sorbed(c, s));
        for (int s = 1; s <= substances; ++s) values.add(st.immobile_irreversible_sorbed(c, s));
    }
    aus1.write_record(profile_record_format, values.items());
}

void write_profiles(const ModelState& st, records::OutputUnit& aus1, double days)
{
    write_time_line(aus1, st, days);
    aus1.write_record(prints_sorption(st) ? long_profile_heading_format
                                          : short_profile_heading_format);
    for (int c = 1; c <= st.compartment_count; ++c) {
        write_profile_record(st, aus1, c);
    }
}

void write_balance_record(const ModelState& st, records::OutputUnit& aus2, double days)
{
    const int substances = st.substance_count;
    ValueList<9 + 7 * max_substances> values;
    values.add(days);
    values.add(st.precipitation_total);
    values.add(st.infiltration_total);
    values.add(st.evaporation_total);
    values.add(st.recharge_total);
    values.add(st.water_storage);
    values.add(st.surface_runoff);
    values.add(st.snow_storage);
    values.add(st.snow_total);
    for (int s = 1; s <= substances; ++s) {
        values.add(st.substance_entered(s));
        values.add(st.substance_leached(s));
    }
    for (int s = 1; s <= substances; ++s) {
        values.add(st.dissolved_amount(s));
        values.add(st.sorbed_amount(s));
        values.add(st.gaseous_amount(s));
        values.add(st.irreversible_amount(s));
    }
    for (int s = 1; s <= substances; ++s) values.add(st.substance_transformed(s));
    aus2.write_record(balance_record_format, values.items());
}

void write_fluxes(const ModelState& st, records::OutputUnit& aus3, double days)
{
    write_time_line(aus3, st, days);
    aus3.write_record(flux_heading_format);
    for (int c = 2; c <= st.compartment_count; ++c) {
        ValueList<2 + max_substances> values;
        values.add(st.face_depth(c));
        values.add(st.water_flux(c));
        for (int s = 1; s <= st.substance_count; ++s) values.add(st.solute_flux(c, s));
        aus3.write_record(flux_record_format, values.items());
    }
}

// Linear interpolation between the centres above and below the depth:
// difference x distance / spacing, then the upper value added.
float interpolate_between(float upper, float lower, float distance, float spacing)
{
    return (lower - upper) * distance / spacing + upper;
}

// The first compartment whose centre lies below the depth.
int compartment_below(const ModelState& st, float depth)
{
    int c = 1;
    while (c <= st.compartment_count && depth >= st.node_depth(c)) {
        ++c;
    }
    return c;
}

void check_observation_neighbours(const ModelState& st, int below)
{
    for (int c = below - 1; c <= below; ++c) {
        require_finite(st, st.matric_potential(c), "matric_potential", c);
        require_finite(st, st.water_content(c), "water_content", c);
        for (int s = 1; s <= st.substance_count; ++s) {
            require_finite(st, st.total_concentration(c, s), "total_concentration", c, s);
        }
    }
}

}  // namespace

void compute_depth_tables(ModelState& st)
{
    st.face_depth(2) = 0.0f;
    st.node_depth(1) = 0.0f;
    st.node_depth(2) = st.centre_distance(2);
    for (int c = 3; c <= st.compartment_count; ++c) {
        st.node_depth(c) = st.node_depth(c - 1) + st.centre_distance(c);
        st.face_depth(c) = st.face_depth(c - 1) + st.compartment_thickness(c - 1);
    }
}

void check_observation_depths(const ModelState& st, records::OutputUnit& console)
{
    const float deepest = st.node_depth(st.compartment_count);
    for (int k = 1; k <= st.observation_depth_count; ++k) {
        const float depth = st.observation_depths(k);
        if (depth >= 0.0f && depth < deepest) {
            continue;
        }
        stop_run(console,
                 "(1X,/,' vekin.txt, Ausgabesteuerung: Beobachtungsteufe',I2,' =',F9.3,' m liegt nicht',"
                 "/,' zwischen 0 m und der Mitte des letzten Kompartiments (',F9.3,' m)',/,3X,"
                 "'***Programm abgebrochen***',/)",
                 {std::int32_t{k}, depth, deepest});
    }
}

void write_result_headings(const ModelState& st, FileSet& files)
{
    const int n = st.observation_depth_count;
    if (n >= 1 && n <= max_observation_depths) {
        ValueList<3 * max_observation_depths> depths;
        for (int copy = 1; copy <= 3; ++copy) {
            for (int k = 1; k <= n; ++k) depths.add(st.observation_depths(k));
        }
        files.aus4.write_record(observation_heading_formats[static_cast<std::size_t>(n - 1)],
                                depths.items());
    }
    files.aus2.write_record(balance_heading_format);
}

void compute_total_concentration(ModelState& st)
{
    for (int c = 2; c <= st.compartment_count; ++c) {
        const float theta = st.water_content(c);
        const float theta_im = st.immobile_water_content(c);
        for (int s = 1; s <= st.substance_count; ++s) {
            st.total_concentration(c, s) = ((theta - theta_im) * st.mobile_concentration(c, s) +
                                            st.immobile_concentration(c, s) * theta_im) /
                                           theta;
        }
    }
}

void write_profile_output(ModelState& st, FileSet& files)
{
    compute_total_concentration(st);
    check_profile_values(st);
    check_balance_values(st);
    const double days = simulated_days(st);
    files.console.write_record("(25X,F10.0,' Tage')", {days});
    write_profiles(st, files.aus1, days);
    write_balance_record(st, files.aus2, days);
    write_fluxes(st, files.aus3, days);
}

ObservationSeries::ObservationSeries(int depth_count)
    : depth_count_(depth_count),
      potential_(static_cast<std::size_t>(depth_count)),
      water_content_(static_cast<std::size_t>(depth_count)),
      concentration_(static_cast<std::size_t>(depth_count * max_substances))
{
}

void ObservationSeries::interpolate(ModelState& st)
{
    for (int k = 1; k <= depth_count_; ++k) {
        const float depth = st.observation_depths(k);
        const int c = compartment_below(st, depth);
        check_observation_neighbours(st, c);
        const float distance = depth - st.node_depth(c - 1);
        const float spacing = st.node_depth(c) - st.node_depth(c - 1);
        const auto i = static_cast<std::size_t>(k - 1);
        potential_[i] = interpolate_between(st.matric_potential(c - 1), st.matric_potential(c),
                                            distance, spacing);
        water_content_[i] = interpolate_between(st.water_content(c - 1), st.water_content(c),
                                                distance, spacing);
        for (int s = 1; s <= st.substance_count; ++s) {
            concentration_[static_cast<std::size_t>((s - 1) * depth_count_) + i] =
                interpolate_between(st.total_concentration(c - 1, s),
                                    st.total_concentration(c, s), distance, spacing);
        }
    }
}

void ObservationSeries::write_record(ModelState& st, FileSet& files)
{
    compute_total_concentration(st);
    interpolate(st);
    const int n = depth_count_;
    if (n < 1 || n > max_observation_depths) {
        return;
    }
    ValueList<1 + 2 * max_observation_depths + max_observation_depths * max_substances> values;
    values.add(simulated_days(st));
    for (int k = 1; k <= n; ++k) values.add(potential(k));
    for (int k = 1; k <= n; ++k) values.add(water_content(k));
    for (int s = 1; s <= st.substance_count; ++s) {
        for (int k = 1; k <= n; ++k) values.add(concentration(k, s));
    }
    files.aus4.write_record(observation_record_formats[static_cast<std::size_t>(n - 1)],
                            values.items());
}

}  // namespace soilcolumn
