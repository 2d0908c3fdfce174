// CrcCatalogueTest.cpp — the CRC engine, both paths, against a bit-by-bit reference and the
// catalogue's check values, and the sums by name against a plain model.
#include "CrcCatalogue.h"
#include "Checksums.h"
#include "support/CrcReference.h"
#include "support/RandomBytes.h"

#include <gtest/gtest.h>
#include <random>

using namespace tool;

namespace {

const uint8_t CheckInput[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

uint64_t CrcOf(const CrcParameters& p, CrcPath path, const std::vector<uint8_t>& bytes,
               std::mt19937& rng) {
    Crc crc(p, path);
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = std::min<size_t>(bytes.size() - at, rng() % 3 ? 1 + rng() % 700 : 5000);
        crc.add(bytes.data() + at, static_cast<int64_t>(n));
        at += n;
    }
    return crc.value();
}

} // namespace

TEST(CrcCatalogue, EveryEntryGivesItsCheckValue) {
    ASSERT_FALSE(CrcCatalogue().empty());
    for (const CrcParameters& p : CrcCatalogue()) {
        SCOPED_TRACE(std::string(p.name));
        EXPECT_EQ(test::ReferenceCrc(p, CheckInput, 9), p.check);
        for (CrcPath path : {CrcPath::Fastest, CrcPath::Portable}) {
            Crc crc(p, path);
            crc.add(CheckInput, 9);
            EXPECT_EQ(crc.value(), p.check);
        }
        std::string lower(p.name);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(c));
        ASSERT_TRUE(FindCrc(lower));
        EXPECT_EQ(FindCrc(lower)->name, p.name);
    }
    // The common names and the published check values of those the tool is asked for most.
    const std::pair<const char*, uint64_t> aliases[] = {
        {"CRC-32", 0xCBF43926},         {"crc-32c", 0xE3069283},   {"CRC-32/MPEG-2", 0x0376E6E7},
        {"crc-16/ccitt-false", 0x29B1}, {"CRC-16/XMODEM", 0x31C3}, {"CRC-16/ARC", 0xBB3D},
        {"CRC-16/MODBUS", 0x4B37},
    };
    for (const auto& [name, check] : aliases) {
        ASSERT_TRUE(FindCrc(name)) << name;
        EXPECT_EQ(FindCrc(name)->check, check) << name;
    }
    EXPECT_FALSE(FindCrc("CRC-32/NONE"));
}

TEST(CrcCatalogue, EngineMatchesTheBitwiseReferenceForAnyParameters) {
    std::mt19937 rng(11);
    const std::vector<uint8_t> data = RandomBytes(9000, 3);
    for (int width : {8, 9, 12, 16, 24, 31, 32, 33, 40, 63, 64})
        for (int round = 0; round < 8; ++round) {
            const uint64_t mask = width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
            const auto random = [&] { return (uint64_t{rng()} << 32 | rng()) & mask; };
            const CrcParameters p{
                "", width, random() | 1, random(), (round & 1) != 0, (round & 2) != 0, random(), 0};
            for (size_t n : {0, 1, 7, 8, 9, 63, 64, 255, 256, 257, 1000, 4109, 9000}) {
                SCOPED_TRACE("width " + std::to_string(width) + " round " + std::to_string(round) +
                             " length " + std::to_string(n));
                const std::vector<uint8_t> bytes(data.begin(), data.begin() + n);
                const uint64_t expected = test::ReferenceCrc(p, bytes.data(), n);
                EXPECT_EQ(CrcOf(p, CrcPath::Fastest, bytes, rng), expected);
                EXPECT_EQ(CrcOf(p, CrcPath::Portable, bytes, rng), expected);
            }
        }
    EXPECT_THROW(Crc(CrcParameters{"", 7, 1, 0, false, false, 0, 0}), std::invalid_argument);
    EXPECT_THROW(Crc(CrcParameters{"", 16, 0x11021, 0, false, false, 0, 0}), std::invalid_argument);
}

TEST(Checksums, SumsInPiecesMatchAPlainModel) {
    std::mt19937 rng(5);
    const std::vector<uint8_t> data = RandomBytes(3001, 9);
    for (const char* base :
         {"sum8", "sum16", "sum32", "wsum16le", "wsum16be", "wsum32le", "wsum32be"})
        for (const char* suffix : {"", "-ones", "-TWOS"}) {
            const std::string name = std::string(base) + suffix;
            SCOPED_TRACE(name);
            const auto algorithm = FindChecksumAlgorithm(name);
            ASSERT_TRUE(algorithm);
            for (size_t n : {0, 1, 2, 3, 5, 3001}) {
                // Byte k of a word of w bytes weighs 256^k (little endian) or 256^(w-1-k).
                const int w = algorithm->wordBytes;
                const bool little = !std::string(base).ends_with("be");
                uint64_t model = 0;
                for (size_t i = 0; i < n; ++i) {
                    const int k = static_cast<int>(i % w);
                    model += uint64_t{data[i]} << (8 * (little ? k : w - 1 - k));
                }
                const uint64_t mask = (uint64_t{1} << (8 * algorithm->bytes)) - 1;
                if (std::string(suffix) == "-ones")
                    model = ~model;
                else if (std::string(suffix) == "-TWOS")
                    model = 0 - model;
                RunningChecksum sum(*algorithm);
                for (size_t at = 0; at < n;) {
                    const size_t take = std::min<size_t>(n - at, 1 + rng() % 9);
                    sum.add(data.data() + at, static_cast<int64_t>(take));
                    at += take;
                }
                EXPECT_EQ(sum.value(), model & mask) << n;
            }
        }
    EXPECT_FALSE(FindChecksumAlgorithm("sum64"));
    EXPECT_FALSE(FindChecksumAlgorithm("-ones"));
}
