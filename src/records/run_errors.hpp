#pragma once
// How a run ends early. Library code never exits the process: it throws one
// of these, and the entry point turns it into the stop line and exit status.

#include <stdexcept>
#include <string>

namespace soilcolumn {

// Inconsistent input: the German message ending in "***Programm abgebrochen***"
// has already been written to the console; `message` holds its text. The run
// ends with the normal stop line and exit status 0.
struct OrderlyStop {
    std::string message;
};

// A failure the user must fix before the results mean anything: a file that
// cannot be opened, a record that cannot be read, a value that blew up. The
// report (what() text) names the operation, unit, file and kind of error; the
// entry point writes it to the console and exits with a non-zero status.
class RunFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OpenError : public RunFailure {
public:
    using RunFailure::RunFailure;
};

enum class ReadErrorKind { invalid_number, end_of_file };

class ReadError : public RunFailure {
public:
    ReadError(const std::string& report, int unit, ReadErrorKind kind)
        : RunFailure(report), unit_(unit), kind_(kind)
    {
    }
    int unit() const { return unit_; }
    ReadErrorKind kind() const { return kind_; }

private:
    int unit_;
    ReadErrorKind kind_;
};

}  // namespace soilcolumn
