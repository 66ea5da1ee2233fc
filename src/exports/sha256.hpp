#pragma once
// SHA-256 (FIPS 180-4) of byte strings and files, as lower-case hex: the
// summary names each input file by its digest, so that a result can be
// traced to the exact inputs that produced it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace soilcolumn::exports {

class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest as 64 hex digits; the object cannot be updated afterwards.
    std::string hex_digest();

private:
    void compress(const unsigned char* block);

    std::array<std::uint32_t, 8> h_;
    std::array<unsigned char, 64> block_{};
    std::size_t block_length_ = 0;
    std::uint64_t total_length_ = 0;  // bytes
};

std::string sha256_hex(std::string_view bytes);

// The digest of a file's bytes, or nothing when it cannot be read.
std::optional<std::string> sha256_of_file(const std::filesystem::path& path);

}  // namespace soilcolumn::exports
