// BusTransformsTest.cpp — swaps, bit reversal, splits and scrambles against plain models and the
// window's transformations; the checksums against their check values and bitwise models.
#include "BusTransforms.h"
#include "Checksums.h"
#include "ImageTransforms.h"
#include "support/RandomBytes.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>

using namespace tool;

namespace {

std::vector<int> Identity(int n) {
    std::vector<int> lines(n);
    std::iota(lines.begin(), lines.end(), 0);
    return lines;
}

// The scramble taken literally, one bit at a time.
Bytes ScrambleModel(const Bytes& in, const BusWiring& w) {
    const int64_t block = int64_t{1} << w.addressLines.size();
    Bytes out(in.size());
    for (int64_t a = 0; a < static_cast<int64_t>(in.size()); ++a) {
        int64_t moved = 0;
        for (size_t i = 0; i < w.addressLines.size(); ++i)
            moved |= ((a >> w.addressLines[i]) & 1) << i;
        int data = 0;
        for (int i = 0; i < 8; ++i)
            data |= ((in[a] >> w.dataLines[i]) & 1) << i;
        out[(a - a % block) + (moved ^ w.addressXor)] = static_cast<uint8_t>(data ^ w.dataXor);
    }
    return out;
}

uint32_t Crc32Model(const Bytes& b) {
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t x : b) {
        crc ^= x;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

uint16_t Crc16Model(const Bytes& b) {
    uint16_t crc = 0xFFFF;
    for (uint8_t x : b) {
        crc ^= static_cast<uint16_t>(x << 8);
        for (int k = 0; k < 8; ++k)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

} // namespace

TEST(BusTransforms, SwapAndBitReversalMatchModels) {
    const Bytes in = RandomBytes(64, 1);
    for (int size : {2, 4, 8}) {
        Bytes swapped = in;
        SwapWordBytes(swapped.data(), 64, size);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(swapped[i], in[i - i % size + (size - 1 - i % size)]) << size << " " << i;
    }
    // Whole 8-byte words and a tail of 3 bytes.
    const Bytes odd = RandomBytes(67, 1);
    Bytes reversed = odd;
    ReverseBitsInBytes(reversed.data(), 67);
    for (int i = 0; i < 67; ++i)
        for (int bit = 0; bit < 8; ++bit)
            ASSERT_EQ((reversed[i] >> bit) & 1, (odd[i] >> (7 - bit)) & 1) << i;
}

TEST(BusTransforms, SplitDealsUnitsAndInterleaveUndoesIt) {
    const Bytes in = RandomBytes(48, 2);
    for (int ways : {2, 4})
        for (int width : {1, 2}) {
            const std::vector<Bytes> parts = SplitWays(in, ways, width);
            ASSERT_EQ(parts.size(), static_cast<size_t>(ways));
            for (int i = 0; i < 48; ++i) {
                const int unit = i / width;
                ASSERT_EQ(parts[unit % ways][unit / ways * width + i % width], in[i])
                    << ways << "x" << width << " byte " << i;
            }
            EXPECT_EQ(InterleaveWays(parts, width), in) << ways << "x" << width;
        }
}

TEST(BusTransforms, ScrambleMatchesTheBitwiseModelAndReverseUndoesIt) {
    std::mt19937 rng(3);
    for (int lines : {0, 1, 3, 9}) {
        for (int round = 0; round < 4; ++round) {
            BusWiring w;
            w.addressLines = Identity(lines);
            std::shuffle(w.addressLines.begin(), w.addressLines.end(), rng);
            std::shuffle(w.dataLines.begin(), w.dataLines.end(), rng);
            w.addressXor = lines ? rng() & ((1u << lines) - 1) : 0;
            w.dataXor = static_cast<uint8_t>(rng());
            ASSERT_EQ(WiringProblem(w), "");
            const Bytes in = RandomBytes((int64_t{1} << lines) * 3, rng());
            const Bytes out = Scramble(in, w, ScrambleDirection::Forward);
            EXPECT_EQ(out, ScrambleModel(in, w)) << lines;
            EXPECT_EQ(Scramble(out, w, ScrambleDirection::Reverse), in) << lines;
        }
    }
}

TEST(BusTransforms, ScrambleExpressesMirrorInversionAndBitReversal) {
    for (int lines : {1, 4, 10}) {
        const int64_t n = int64_t{1} << lines;
        const Bytes in = RandomBytes(n, lines);
        BusWiring mirror;
        mirror.addressLines = Identity(lines);
        mirror.addressXor = static_cast<uint32_t>(n - 1);
        Bytes window = in;
        MirrorByDataSize(window.data(), n, 0, true);
        EXPECT_EQ(Scramble(in, mirror, ScrambleDirection::Forward), window) << n;

        BusWiring invert;
        invert.dataXor = 0xFF;
        window = in;
        InvertBytes(window.data(), n);
        EXPECT_EQ(Scramble(in, invert, ScrambleDirection::Forward), window) << n;

        BusWiring reversedData;
        reversedData.dataLines = {7, 6, 5, 4, 3, 2, 1, 0};
        window = in;
        ReverseBitsInBytes(window.data(), n);
        EXPECT_EQ(Scramble(in, reversedData, ScrambleDirection::Forward), window) << n;
    }
}

TEST(BusTransforms, UnusableWiringsAreNamed) {
    BusWiring w;
    w.addressLines = {0, 2};
    EXPECT_NE(WiringProblem(w).find("address lines"), std::string::npos);
    w.addressLines = {1, 0};
    w.addressXor = 4;
    EXPECT_NE(WiringProblem(w).find("mask"), std::string::npos);
    w.addressXor = 3;
    w.dataLines = {0, 1, 2, 3, 4, 5, 6, 6};
    EXPECT_NE(WiringProblem(w).find("data lines"), std::string::npos);
}

TEST(Checksums, StandardCheckValuesAndModels) {
    const std::string check = "123456789";
    const auto* c = reinterpret_cast<const uint8_t*>(check.data());
    EXPECT_EQ(Crc32(c, 9), 0xCBF43926u);
    EXPECT_EQ(Crc16CcittFalse(c, 9), 0x29B1);

    for (int64_t n : {0, 1, 7, 1000}) {
        const Bytes b = RandomBytes(n, static_cast<unsigned>(n));
        EXPECT_EQ(Crc32(b.data(), n), Crc32Model(b)) << n;
        EXPECT_EQ(Crc16CcittFalse(b.data(), n), Crc16Model(b)) << n;
        EXPECT_EQ(ByteSum(b.data(), n), std::accumulate(b.begin(), b.end(), 0u)) << n;
        uint32_t le = 0, be = 0;
        for (int64_t i = 0; i < n; ++i) {
            le += b[i] << (i % 2 ? 8 : 0);
            be += b[i] << (i % 2 ? 0 : 8);
        }
        EXPECT_EQ(WordSum(b.data(), n, WordOrder::LittleEndian), le & 0xFFFF) << n;
        EXPECT_EQ(WordSum(b.data(), n, WordOrder::BigEndian), be & 0xFFFF) << n;
    }
}

TEST(Checksums, ReportHasOneFixedWidthLinePerSum) {
    const Bytes b = RandomBytes(333, 5);
    const std::string report = ChecksumReport(b.data(), 333);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", Crc32Model(b));
    EXPECT_EQ(report.find("CRC-32             " + std::string(crc) + "\n"), 0u) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6);
    EXPECT_NE(report.find("CRC-16/CCITT-FALSE "), std::string::npos);
    EXPECT_NE(report.find("Word sum BE        "), std::string::npos);
}
