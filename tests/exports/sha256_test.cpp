// SHA-256 against the FIPS 180-2 examples and digests of Python's hashlib
// for the lengths where the padding changes: 55 bytes (length fits in the
// block), 56 (it does not), 63..65 and 119..120 around block ends.
#include <gtest/gtest.h>

#include <string>

#include "exports/sha256.hpp"
#include "input/temp_directory.hpp"

namespace soilcolumn::exports {
namespace {

struct Vector {
    std::string message;
    const char* digest;
};

const Vector vectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
    {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    {std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
    {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
    {std::string(120, 'a'), "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
};

TEST(Sha256, MatchesKnownDigests)
{
    for (const Vector& v : vectors) {
        EXPECT_EQ(sha256_hex(v.message), v.digest) << v.message.size() << " bytes";
    }
}

// All byte values three times (hashlib), fed in uneven pieces and from a file.
TEST(Sha256, PiecesAndFilesGiveTheDigestOfTheWhole)
{
    std::string bytes;
    for (int copy = 0; copy < 3; ++copy) {
        for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    }
    const char* expected = "f3a25aa93aa2fbba28d79260535bbd6a5eb0fc1c24a8b0f04e12b484c1dfe363";
    Sha256 pieces;
    for (std::size_t at = 0, size = 1; at < bytes.size(); at += size, size = size * 2 + 1) {
        pieces.update(std::string_view(bytes).substr(at, size));
    }
    EXPECT_EQ(pieces.hex_digest(), expected);

    testing::TempDirectory dir;
    dir.write("bytes.bin", bytes);
    EXPECT_EQ(sha256_of_file(dir.path() / "bytes.bin"), expected);
    EXPECT_EQ(sha256_of_file(dir.path() / "missing.bin"), std::nullopt);
}

}  // namespace
}  // namespace soilcolumn::exports
