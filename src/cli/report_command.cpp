#include "cli/report_command.hpp"

#include "cli/exit_status.hpp"
#include "report/report.hpp"
#include "report/report_error.hpp"

namespace soilcolumn::cli {

int write_report_of(const std::filesystem::path& run_directory, const std::filesystem::path& report_file,
                    const ProcessIo& io, const char* command)
{
    try {
        const report::ReportWritten written = report::write_report(run_directory, report_file);
        *io.out << "  report      " << written.file.string() << " (" << (written.bytes + 512) / 1024 << " kB)\n";
        return exit_status::ok;
    } catch (const report::ReportError& error) {
        *io.err << command << ": " << error.what() << "\n";
        switch (error.kind()) {
        case report::ReportError::Kind::no_run_directory:
            return exit_status::no_input;
        case report::ReportError::Kind::broken_input:
            return exit_status::bad_data;
        case report::ReportError::Kind::cannot_write:
            return exit_status::cannot_create;
        default:
            return exit_status::internal_fault;
        }
    } catch (const std::exception& error) {  // out of memory, a filesystem fault
        *io.err << command << ": internal fault while writing the report: " << error.what() << "\n";
        return exit_status::internal_fault;
    }
}

int report_command(const std::filesystem::path& run_directory, const std::optional<std::filesystem::path>& report_file,
                   const ProcessIo& io)
{
    *io.out << "soilcolumn report: " << run_directory.string() << "\n";
    return write_report_of(run_directory, report_file.value_or(report::default_report_file(run_directory)), io,
                           "soilcolumn report");
}

}  // namespace soilcolumn::cli
