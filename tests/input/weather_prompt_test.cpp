// The console prompt for a weather file name that vekin.txt leaves blank.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "input/weather_file.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn {
namespace {

const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT 13? ";

TEST(WeatherFilePrompt, AsksUntilANameIsGiven)
{
    struct Case { std::string answers; std::string name; int prompts; };
    const Case cases[] = {
        {"wetter.txt\n", "wetter.txt", 1},
        {"\n   \nwetter.txt   \n", "wetter.txt", 3},  // empty answers repeat the prompt
        {std::string(300, 'x') + "\n", std::string(260, 'x'), 1},  // at most 260 characters
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.answers);
        std::ostringstream out;
        records::OutputUnit console(6, "standard output");
        console.connect_stream(out);
        std::istringstream answers(k.answers);
        EXPECT_EQ(ask_for_file_name(console, answers, 13), k.name);
        console.close();
        std::string expected;
        for (int i = 0; i < k.prompts; ++i) {
            expected += (i == 0 ? "" : "\r\n") + prompt;
        }
        EXPECT_EQ(out.str(), expected + "\r\n");
    }
}

TEST(WeatherFilePrompt, InputEndingWithoutANameIsAnOpenError)
{
    std::ostringstream out;
    records::OutputUnit console(6, "standard output");
    console.connect_stream(out);
    std::istringstream answers("  \n");
    EXPECT_THROW(ask_for_file_name(console, answers, 13), OpenError);
}

}  // namespace
}  // namespace soilcolumn
