// Checksums.h — the CRCs and sums that EPROM programmers show for a loaded image, and the
// checksums a build writes into one, by name.
#pragma once

#include "CrcCatalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tool {

// CRC-32 with the zlib polynomial (reflected 0xEDB88320, initial and final XOR 0xFFFFFFFF).
uint32_t Crc32(const uint8_t* bytes, int64_t n);
// CRC-16/CCITT-FALSE: polynomial 0x1021, initial 0xFFFF, not reflected, no final XOR.
uint16_t Crc16CcittFalse(const uint8_t* bytes, int64_t n);
// Sum of all bytes modulo 2^32; the 8- and 16-bit sums are its low bits.
uint32_t ByteSum(const uint8_t* bytes, int64_t n);
// Sum of the 16-bit words modulo 2^16, little or big endian. An odd trailing byte counts as a word
// whose other byte is 0.
enum class WordOrder { LittleEndian, BigEndian };
uint16_t WordSum(const uint8_t* bytes, int64_t n, WordOrder order);

// The report of `sum`: one "name value" line each for CRC-32, CRC-16/CCITT-FALSE, the 8- and
// 16-bit byte sums and the little- and big-endian word sums, the values in upper-case hex with
// their full width (8, 4, 2, 4, 4, 4 digits).
std::string ChecksumReport(const uint8_t* bytes, int64_t n);

// The same report over bytes given in pieces of any sizes.
class ChecksumAccumulator {
public:
    ChecksumAccumulator();
    void add(const uint8_t* bytes, int64_t n);
    std::string report() const;

private:
    Crc crc32_;
    Crc crc16_;
    uint32_t byteSum_ = 0;
    uint32_t wordSumLe_ = 0;
    uint32_t wordSumBe_ = 0;
    // Whether an odd number of bytes came so far: the next byte is the second of a word.
    bool inWord_ = false;
};

// What is done to a sum before it is written: nothing, the one's complement (every bit inverted:
// the sum plus the value is all ones) or the two's complement (negated: the sum plus the value is
// 0), in the value's width.
enum class Complement { None, Ones, Twos };

// A checksum that can be written into an image.
struct ChecksumAlgorithm {
    enum class Kind { Sum, Crc };
    // The name given, or the catalogue's name of a CRC.
    std::string name;
    Kind kind = Kind::Sum;
    // The value's size in bytes: 1, 2 or 4 for the sums, width / 8 rounded up for a CRC.
    int bytes = 1;
    // Sums: the size of the values added (1 for bytes, 2 or 4 for words) and the order of a
    // word's bytes; a last partial word counts as if its missing bytes were 0.
    int wordBytes = 1;
    WordOrder order = WordOrder::LittleEndian;
    Complement complement = Complement::None;
    CrcParameters crc;
};

// The algorithm of a name, case-insensitive: sum8, sum16, sum32 (the bytes added modulo 2^8,
// 2^16, 2^32), wsum16le, wsum16be, wsum32le, wsum32be (16- or 32-bit words, little or big endian,
// added modulo 2^16 or 2^32), each of them optionally followed by -ones or -twos (the complement);
// a CRC of the catalogue (FindCrc); or "crc", a CRC whose parameters the caller sets (its width
// and polynomial still 0). Nothing for an unknown name.
std::optional<ChecksumAlgorithm> FindChecksumAlgorithm(std::string_view name);

// A checksum over bytes given in pieces of any sizes.
class RunningChecksum {
public:
    // Throws std::invalid_argument for CRC parameters Crc refuses.
    explicit RunningChecksum(const ChecksumAlgorithm& algorithm);
    void add(const uint8_t* bytes, int64_t n);
    // The value, complemented as the algorithm says, in its bytes * 8 bits.
    uint64_t value() const;

private:
    ChecksumAlgorithm algorithm_;
    std::optional<Crc> crc_;
    uint64_t sum_ = 0;
    // Where in its word the next byte lies.
    int position_ = 0;
};

} // namespace tool
