// Arbitrary bytes through the format interpreter and the list reader: they
// may refuse the input (std::invalid_argument for a malformed format text,
// ReadError for unreadable values) but must never crash, hang or write
// outside their records and targets.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/format.hpp"
#include "records/input_unit.hpp"
#include "records/run_errors.hpp"

namespace soilcolumn::records {
namespace {

const char* const seed_formats[] = {
    "(1X,F8.3,I8,2X,F10.3,3X,4F8.3,1X,8G7.2)",
    "(1X,/,1X,'Bei Wahl des GHM-Modells im',I4,'-ten',/,' Kompartiment',/,3X,'***Programm abgebrochen***',/)",
    "(1X,/,A,/,F7.2,12X,G10.5,7X,F10.0,2X,I2,2X,10F5.2)",
    "(1X,A,/,1X,G9.2,1X,F5.1)",
    "(A)",
};

std::string mutate(std::string text, std::mt19937& rng)
{
    const char alphabet[] = "()',./XIFGAxifga0123456789 *-+9999";
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        const char c = (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)];
        switch (rng() % 3) {
        case 0:
            text.insert(at, 1, c);
            break;
        case 1:
            if (at < text.size()) {
                text.erase(at, 1 + rng() % 3);
            }
            break;
        default:
            if (at < text.size()) {
                text[at] = c;
            }
        }
    }
    return text;
}

std::string random_bytes(std::mt19937& rng, std::size_t max_length, const char* alphabet)
{
    std::string text(rng() % (max_length + 1), ' ');
    const std::size_t alphabet_size = std::char_traits<char>::length(alphabet);
    for (char& c : text) {
        c = (rng() % 3 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet_size];
    }
    return text;
}

TEST(Fuzz, FormatInterpreterSurvivesArbitraryFormatTexts)
{
    std::mt19937 rng(4242u);
    const std::string text = "Kopfzeile";
    const std::vector<FormatValue> values = {1,     2.5f,   -3.25e-7f, 1e30, std::string_view(text), 7,
                                             0.0f,  -1.0f,  12345678,  9.99f, 1e38f,                  -0.0f};
    std::vector<std::string> records;
    int refused = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string format(1, '(');
        if (i % 2 == 0) {
            format = mutate(seed_formats[i % 5], rng);
        } else {
            format += random_bytes(rng, 40, "0123456789XIFGA.,/' ()");
            format += ')';
        }
        const std::size_t count = rng() % (values.size() + 1);
        try {
            format_records(format, std::span<const FormatValue>(values.data(), count), records);
            ASSERT_FALSE(records.empty()) << format;  // every write makes at least one record
        } catch (const std::invalid_argument&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 4000);
}

TEST(Fuzz, ListReaderSurvivesArbitraryRecords)
{
    std::mt19937 rng(99u);
    int read = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string input = random_bytes(rng, 60, "0123456789.,/*+-eEdD \t\r\n");
        std::istringstream in(input);
        InputUnit unit(7, "vekin.txt");
        unit.connect_stream(in, "vekin.txt");
        std::int32_t a = 0;
        float b = 0.0f;
        float c = 0.0f;
        std::int32_t d = 0;
        try {
            while (read_values_or_end(unit, {&a, &b, &c, &d})) {
                ++read;
            }
        } catch (const ReadError&) {
        }
        ASSERT_TRUE(std::isfinite(b) && std::isfinite(c)) << input;  // no infinity enters the model
    }
    EXPECT_GT(read, 0);
}

}  // namespace
}  // namespace soilcolumn::records
