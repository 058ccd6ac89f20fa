#pragma once
// SHA-256 (FIPS 180-4), fed piece by piece: what the run writes into its backup is digested as it
// goes, so that Undo can tell whether the file still holds exactly those bytes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hivetidy {

class Sha256 {
public:
    Sha256();

    // Adds bytes to what has been digested so far.
    void Update(std::string_view bytes);
    // The digest of everything added, as 64 lower-case hexadecimal digits; the object is left as
    // it was, so that more can be added and a later digest taken.
    [[nodiscard]] std::string HexDigest() const;

private:
    void Compress(const unsigned char* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0; // in bytes
};

// The digest of one whole text of bytes.
[[nodiscard]] std::string Sha256Of(std::string_view bytes);

} // namespace hivetidy
