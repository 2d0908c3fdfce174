// Checksums.cpp — table-driven CRCs and plain sums.
#include "Checksums.h"

#include <array>
#include <cstdio>

namespace tool {

namespace {

constexpr std::array<uint32_t, 256> MakeCrc32Table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint16_t, 256> MakeCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 8;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
        table[i] = static_cast<uint16_t>(c);
    }
    return table;
}

constexpr auto Crc32Table = MakeCrc32Table();
constexpr auto Crc16Table = MakeCrc16Table();

} // namespace

uint32_t Crc32(const uint8_t* bytes, int64_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (int64_t i = 0; i < n; ++i)
        crc = Crc32Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint16_t Crc16CcittFalse(const uint8_t* bytes, int64_t n) {
    uint16_t crc = 0xFFFF;
    for (int64_t i = 0; i < n; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ Crc16Table[((crc >> 8) ^ bytes[i]) & 0xFF]);
    return crc;
}

uint32_t ByteSum(const uint8_t* bytes, int64_t n) {
    uint32_t sum = 0;
    for (int64_t i = 0; i < n; ++i)
        sum += bytes[i];
    return sum;
}

uint16_t WordSum(const uint8_t* bytes, int64_t n, WordOrder order) {
    uint32_t sum = 0;
    for (int64_t i = 0; i < n; i += 2) {
        const uint32_t first = bytes[i];
        const uint32_t second = i + 1 < n ? bytes[i + 1] : 0;
        sum += order == WordOrder::LittleEndian ? first | second << 8 : first << 8 | second;
    }
    return static_cast<uint16_t>(sum);
}

void ChecksumAccumulator::add(const uint8_t* bytes, int64_t n) {
    uint32_t crc32 = crc32_;
    uint16_t crc16 = crc16_;
    for (int64_t i = 0; i < n; ++i) {
        crc32 = Crc32Table[(crc32 ^ bytes[i]) & 0xFF] ^ (crc32 >> 8);
        crc16 = static_cast<uint16_t>((crc16 << 8) ^ Crc16Table[((crc16 >> 8) ^ bytes[i]) & 0xFF]);
    }
    crc32_ = crc32;
    crc16_ = crc16;
    byteSum_ += ByteSum(bytes, n);
    int64_t i = 0;
    if (inWord_ && n > 0) {
        wordSumLe_ += uint32_t{bytes[0]} << 8;
        wordSumBe_ += bytes[0];
        i = 1;
        inWord_ = false;
    }
    const int64_t whole = i + (n - i) / 2 * 2;
    wordSumLe_ += WordSum(bytes + i, whole - i, WordOrder::LittleEndian);
    wordSumBe_ += WordSum(bytes + i, whole - i, WordOrder::BigEndian);
    if (whole < n) {
        // A word's first byte; WordSum counts it as if its second byte were 0.
        wordSumLe_ += bytes[whole];
        wordSumBe_ += uint32_t{bytes[whole]} << 8;
        inWord_ = true;
    }
}

std::string ChecksumAccumulator::report() const {
    char text[256];
    std::snprintf(text, sizeof text,
                  "CRC-32             %08X\n"
                  "CRC-16/CCITT-FALSE %04X\n"
                  "Sum-8              %02X\n"
                  "Sum-16             %04X\n"
                  "Word sum LE        %04X\n"
                  "Word sum BE        %04X\n",
                  crc32_ ^ 0xFFFFFFFFu, crc16_, byteSum_ & 0xFF, byteSum_ & 0xFFFF,
                  wordSumLe_ & 0xFFFF, wordSumBe_ & 0xFFFF);
    return text;
}

std::string ChecksumReport(const uint8_t* bytes, int64_t n) {
    ChecksumAccumulator sums;
    sums.add(bytes, n);
    return sums.report();
}

} // namespace tool
