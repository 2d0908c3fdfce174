// Codepage_p.h — shared between the converter's backends: byte and byte-pair tables and where they
// come from.
#pragma once

#include <array>
#include <memory>

namespace platform::detail {

// One UTF-16 unit per byte value; bytes the page lacks hold ReplacementUnit.
using ByteTable = std::array<char16_t, 256>;

inline constexpr char16_t ReplacementUnit = 0xFFFD;

// A double-byte page: single bytes below 0x80 are ASCII, a lead byte 0x80..0xFF and any trail byte
// give one unit; 0 marks a pair that does not exist.
struct PairTable {
    std::array<char16_t, 128 * 256> units{};
    char16_t at(unsigned char lead, unsigned char trail) const {
        return units[(lead - 0x80u) * 256u + trail];
    }
};

// Fills the table by decoding each byte alone with the C library's iconv converter of that name.
// False when iconv has no such converter.
bool IconvByteTable(const char* iconvName, ByteTable& table);

// As IconvByteTable, for pages whose bytes C1..CF are non-spacing accents written before the
// letter: each accent byte decodes to its combining mark (U+0300...), so that every byte stays one
// character.
bool IconvAccentPrefixTable(const char* iconvName, ByteTable& table);

// Decodes every lead x trail pair once with the iconv converter of that name.
std::unique_ptr<PairTable> IconvPairTable(const char* iconvName);

// A table compiled into the program for a page no library converts; nullptr for other IDs.
const char16_t* BuiltInByteTable(int codepage);

} // namespace platform::detail
