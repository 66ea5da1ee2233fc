#include "report/report.hpp"

#include <chrono>
#include <ctime>
#include <fstream>
#include <system_error>

#include "report/html_report.hpp"
#include "report/report_error.hpp"
#include "report/run_outputs.hpp"

namespace soilcolumn::report {
namespace {

namespace fs = std::filesystem;

std::string now_utc()
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

[[noreturn]] void cannot_write(const fs::path& file, const std::string& why)
{
    throw ReportError(ReportError::Kind::cannot_write, "cannot write " + file.string() + ": " + why);
}

}  // namespace

fs::path default_report_file(const fs::path& run_directory)
{
    return run_directory / "report.html";
}

ReportWritten write_report(const fs::path& run_directory, const fs::path& report_file)
{
    const RunOutputs outputs = read_run_outputs(run_directory);
    const std::string page = render_report(outputs, now_utc());

    std::error_code error;
    if (fs::is_directory(report_file, error)) cannot_write(report_file, "it is a directory");
    // Written beside the target and renamed over it: a reader never sees
    // half a report, and a failed write leaves the old one.
    fs::path partial = report_file;
    partial += ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file) cannot_write(report_file, "the file cannot be created");
        file.write(page.data(), static_cast<std::streamsize>(page.size()));
        file.close();
        if (!file) {
            fs::remove(partial, error);
            cannot_write(report_file, "writing failed");
        }
    }
    fs::rename(partial, report_file, error);
    if (error) {
        const std::string why = error.message();
        fs::remove(partial, error);
        cannot_write(report_file, why);
    }
    return {report_file, page.size()};
}

}  // namespace soilcolumn::report
