#pragma once
// A lock file that keeps two runs from writing into the same output
// directory at once: created exclusively (O_EXCL) as .soilcolumn.lock with
// the process id inside, removed when the lock is released. A lock left by
// a process that no longer exists on this machine is taken over.

#include <filesystem>
#include <optional>
#include <string>

namespace soilcolumn::cli {

class OutputLock {
public:
    static constexpr const char* file_name = ".soilcolumn.lock";

    enum class Failure { none, in_use, unwritable };

    // Takes the lock of `directory`; on failure `failure` and `reason` say why.
    static std::optional<OutputLock> acquire(const std::filesystem::path& directory,
                                             Failure& failure, std::string& reason);

    OutputLock(OutputLock&& other) noexcept;
    OutputLock& operator=(OutputLock&&) = delete;
    OutputLock(const OutputLock&) = delete;
    ~OutputLock();

    void release();

private:
    explicit OutputLock(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};

}  // namespace soilcolumn::cli
