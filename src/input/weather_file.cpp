#include "input/weather_file.hpp"

#include <string_view>

#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

constexpr std::size_t max_answer_length = 260;

std::string_view without_trailing_blanks(std::string_view text)
{
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

[[noreturn]] void report_blank_name(const FileSet& files)
{
    throw OpenError("Fehler beim Oeffnen: Einheit " + std::to_string(files.weather.number()) +
                    ": der Name der Wetterdatei in \"" + files.vekin.file_name() + "\" (Satz " +
                    std::to_string(files.vekin.record_number()) +
                    ") ist leer, und ohne Terminal kann er nicht erfragt werden");
}

}  // namespace

std::string ask_for_file_name(records::OutputUnit& console, std::istream& answers,
                              int unit_number)
{
    std::string answer;
    for (;;) {
        console.write_record("(1X,'File name missing or blank - please enter file name',/,"
                             "1X,'UNIT',I3,'? ')",
                             {unit_number});
        if (!std::getline(answers, answer)) {
            throw OpenError("Fehler beim Oeffnen: Einheit " + std::to_string(unit_number) +
                            ": die Eingabe endete, bevor ein Dateiname angegeben wurde");
        }
        const std::string_view name =
            without_trailing_blanks(std::string_view(answer).substr(0, max_answer_length));
        if (!name.empty()) {
            return std::string(name);
        }
    }
}

void connect_weather_file(ModelState& st, FileSet& files)
{
    std::string name(without_trailing_blanks(st.weather_file_name.view()));
    if (name.empty()) {
        std::istream* answers = files.file_name_source ? files.file_name_source() : nullptr;
        if (answers == nullptr) {
            report_blank_name(files);
        }
        name = ask_for_file_name(files.console, *answers, files.weather.number());
        st.weather_file_name.assign(name);
    }
    files.weather.open_existing(path_in(files.input_directory, name));
}

}  // namespace soilcolumn
