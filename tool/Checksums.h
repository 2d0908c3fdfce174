// Checksums.h — the CRCs and sums that EPROM programmers show for a loaded image.
#pragma once

#include <cstdint>
#include <string>

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
    void add(const uint8_t* bytes, int64_t n);
    std::string report() const;

private:
    uint32_t crc32_ = 0xFFFFFFFFu;
    uint16_t crc16_ = 0xFFFF;
    uint32_t byteSum_ = 0;
    uint32_t wordSumLe_ = 0;
    uint32_t wordSumBe_ = 0;
    // Whether an odd number of bytes came so far: the next byte is the second of a word.
    bool inWord_ = false;
};

} // namespace tool
