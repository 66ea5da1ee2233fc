#pragma once
// What can keep a report from being written, as a value the command line
// maps to a message and an exit status.

#include <stdexcept>
#include <string>

namespace soilcolumn::report {

class ReportError : public std::runtime_error {
public:
    enum class Kind {
        no_run_directory,  // the directory of the run does not exist
        broken_input,      // an output of the run is missing or cannot be read
        cannot_write,      // the report file cannot be written
    };
    ReportError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// An output of the run that is missing or cannot be read.
[[noreturn]] inline void throw_broken_input(const std::string& message)
{
    throw ReportError(ReportError::Kind::broken_input, message);
}

}  // namespace soilcolumn::report
