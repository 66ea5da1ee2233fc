#include "cli/output_lock.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace soilcolumn::cli {
namespace {

// Whether the lock names a process that has ended: then nobody writes.
bool held_by_ended_process(const std::filesystem::path& path)
{
    std::ifstream in(path);
    long pid = 0;
    if (!(in >> pid) || pid <= 0) {
        return false;  // unreadable or being written: assume it is held
    }
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

std::optional<OutputLock> OutputLock::acquire(const std::filesystem::path& directory,
                                              Failure& failure, std::string& reason)
{
    const std::filesystem::path path = directory / file_name;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const std::string pid = std::to_string(::getpid()) + "\n";
            const bool written = ::write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
            ::close(fd);
            if (!written) {
                ::unlink(path.c_str());
                failure = Failure::unwritable;
                reason = "cannot write " + path.string();
                return std::nullopt;
            }
            failure = Failure::none;
            return OutputLock(path);
        }
        if (errno != EEXIST) {
            failure = Failure::unwritable;
            reason = std::strerror(errno);
            return std::nullopt;
        }
        if (attempt == 0 && held_by_ended_process(path)) {
            ::unlink(path.c_str());
            continue;
        }
        break;
    }
    failure = Failure::in_use;
    reason = "another run is writing there (lock file " + path.string() +
             "; remove it if no run is using the directory)";
    return std::nullopt;
}

OutputLock::OutputLock(OutputLock&& other) noexcept : path_(std::move(other.path_))
{
    other.path_.clear();
}

OutputLock::~OutputLock() { release(); }

void OutputLock::release()
{
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

}  // namespace soilcolumn::cli
