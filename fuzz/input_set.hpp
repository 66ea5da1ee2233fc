#pragma once
// The input set of one fuzz case and the means to read and run it without
// touching the working directory.
//
// A case holds the files of a run one after the other, each ended by a line
// "@@" (a missing file is empty): chemvek.txt, vekin.txt, the weather file,
// chemdat.txt, plant.txt. The control and substance files and the schedules
// are read from memory; the weather file, which the model opens by the name
// given in vekin.txt, is written into a directory of this process under /tmp,
// and every line "wetter.txt" of vekin.txt is replaced by its absolute path.
// Any other name is opened as the case gives it (a relative name against the
// working directory, read only). Standard input must not be a terminal: a
// blank weather file name would then be asked for.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace soilcolumn::fuzz {

inline constexpr std::size_t file_count = 5;
enum File : std::size_t { chemvek, vekin, weather, chemdat, plant };

inline std::vector<std::string> split_case(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> files(file_count);
    std::size_t begin = 0;
    for (std::size_t k = 0; k < file_count && begin <= text.size(); ++k) {
        std::size_t end = text.find("@@\n", begin);
        while (end != std::string_view::npos && end != begin && text[end - 1] != '\n') {
            end = text.find("@@\n", end + 1);
        }
        if (end == std::string_view::npos) {
            files[k] = std::string(text.substr(begin));
            break;
        }
        files[k] = std::string(text.substr(begin, end - begin));
        begin = end + 3;
    }
    return files;
}

// A directory of this process, removed when the process ends.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern = "/tmp/soilcolumn-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline const ScratchDirectory& scratch()
{
    static const ScratchDirectory directory;
    return directory;
}

// Writes the weather file and points every "wetter.txt" line of vekin.txt at it.
inline void place_weather_file(std::vector<std::string>& files)
{
    const std::string path = (scratch().path() / "wetter.txt").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << files[weather];
    std::string& text = files[vekin];
    std::size_t at = 0;
    while ((at = text.find("wetter.txt", at)) != std::string::npos) {
        const bool line_start = at == 0 || text[at - 1] == '\n';
        const std::size_t after = at + 10;
        const bool line_end = after == text.size() || text[after] == '\n' || text[after] == '\r';
        if (line_start && line_end) {
            text.replace(at, 10, path);
            at += path.size();
        } else {
            at = after;
        }
    }
}

}  // namespace soilcolumn::fuzz
