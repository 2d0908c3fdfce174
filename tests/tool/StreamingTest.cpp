// StreamingTest.cpp — the block-wise commands against the whole-image functions: the window's
// mirror and inversion at every small size and across block boundaries, the bus rearrangements
// and checksums over a few MiB in small blocks, sparse HEX inputs and inputs over 4 GiB.
#include "Streaming.h"
#include "BusTransforms.h"
#include "Checksums.h"
#include "Commands.h"
#include "ImageFormats.h"
#include "ImageTransforms.h"
#include "TestSupport.h"
#include "ToolFiles.h"
#include "support/BlockSize.h"
#include "support/RandomBytes.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace tool;

namespace {

QByteArray AsQt(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

Bytes FromQt(const QByteArray& b) {
    return Bytes(b.begin(), b.end());
}

// The descriptors this process holds open on a file.
int OpenDescriptorsOn(const std::string& path) {
    const std::filesystem::path file = std::filesystem::canonical(path);
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        n += std::filesystem::read_symlink(entry.path(), error) == file ? 1 : 0;
    }
    return n;
}

using test::BlockSize;

int RunCommand(const std::vector<std::string>& args, std::string* err = nullptr) {
    std::ostringstream out, errors;
    const int status = RunTool(args, out, errors);
    if (err)
        *err = errors.str();
    return status;
}

Bytes ReadFile(const test::ScratchDir& dir, const QString& name) {
    return FromQt(test::ReadAll(dir.path(name)));
}

// Every size 0..40 and odd and even sizes around several blocks of 8, 24 and 4096 bytes.
std::vector<int64_t> Sizes() {
    std::vector<int64_t> sizes;
    for (int64_t n = 0; n <= 40; ++n)
        sizes.push_back(n);
    for (int64_t n : {47, 48, 49, 50, 95, 96, 97, 1000, 1001, 8190, 8191, 8192, 8193, 12289})
        sizes.push_back(n);
    return sizes;
}

} // namespace

TEST(Streaming, MirrorWordSourceMatchesTheWindowsFunction) {
    for (int64_t n = 0; n <= 300; ++n)
        for (bool high : {false, true}) {
            // Offsets as 16-bit values in two byte planes: MirrorWords moves bytes only, so the
            // plane of low bytes and the plane of high bytes move alike.
            Bytes low(static_cast<size_t>(n)), highBytes(static_cast<size_t>(n));
            for (int64_t i = 0; i < n; ++i) {
                low[i] = static_cast<uint8_t>(i);
                highBytes[i] = static_cast<uint8_t>(i >> 8);
            }
            MirrorWords(low.data(), n, high);
            MirrorWords(highBytes.data(), n, high);
            for (int64_t i = 0; i < n; ++i)
                ASSERT_EQ(MirrorWordSource(i, n, high), low[i] | highBytes[i] << 8)
                    << "n=" << n << " i=" << i << (high ? " high" : " low");
        }
}

TEST(Streaming, MirrorAndInvertGiveTheWindowsBytesAcrossBlocks) {
    test::ScratchDir dir;
    for (int64_t block : {8, 24, 4096}) {
        BlockSize size(block);
        for (int64_t n : Sizes()) {
            const Bytes data = RandomBytes(n, static_cast<unsigned>(n));
            dir.write("in.bin", AsQt(data));
            const std::string in = dir.native("in.bin");
            const std::string out = dir.native("out.bin");
            ASSERT_EQ(RunCommand({"invert", in, out}), 0);
            Bytes window = data;
            InvertBytes(window.data(), n);
            ASSERT_EQ(ReadFile(dir, "out.bin"), window) << "invert n=" << n << " block " << block;
            for (int dataSize : {1, 2})
                for (const char* order : {"low", "high"}) {
                    ASSERT_EQ(RunCommand({"mirror", "--size", std::to_string(dataSize), "--order",
                                          order, in, out}),
                              0);
                    window = data;
                    MirrorByDataSize(window.data(), n, dataSize - 1, std::string(order) == "low");
                    ASSERT_EQ(ReadFile(dir, "out.bin"), window)
                        << "mirror size " << dataSize << " " << order << " n=" << n << " block "
                        << block;
                }
        }
    }
}

TEST(Streaming, CommandsOverSeveralMiBInSmallBlocksMatchTheWholeImageFunctions) {
    BlockSize size(4096);
    test::ScratchDir dir;
    const int64_t n = (int64_t{3} << 20) + 5;
    const Bytes data = RandomBytes(n, 77);
    dir.write("in.bin", AsQt(data));
    const std::string in = dir.native("in.bin");
    auto out = [&](const char* name) { return dir.native(name); };

    Bytes padded = data;
    padded.resize(static_cast<size_t>((n + 7) / 8 * 8), 0xEE);
    ASSERT_EQ(RunCommand({"swap", "--size", "8", "--pad", "0xEE", in, out("swap.bin")}), 0);
    Bytes expected = padded;
    SwapWordBytes(expected.data(), static_cast<int64_t>(expected.size()), 8);
    EXPECT_EQ(ReadFile(dir, "swap.bin"), expected);

    ASSERT_EQ(RunCommand({"bitrev", in, out("bitrev.bin")}), 0);
    expected = data;
    ReverseBitsInBytes(expected.data(), n);
    EXPECT_EQ(ReadFile(dir, "bitrev.bin"), expected);

    ASSERT_EQ(RunCommand({"split", "--ways", "4", "--width", "2", "--pad", "0xEE", in, out("p")}),
              0);
    const std::vector<Bytes> parts = SplitWays(padded, 4, 2);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(ReadFile(dir, "p." + QString::number(k)), parts[k]) << k;
    ASSERT_EQ(RunCommand({"interleave", "--width", "2", out("p.0"), out("p.1"), out("p.2"),
                          out("p.3"), out("joined.bin")}),
              0);
    EXPECT_EQ(ReadFile(dir, "joined.bin"), padded);

    // Blocks of 2^13 bytes, larger than the stream's blocks.
    Bytes whole = data;
    whole.resize(static_cast<size_t>(n / 8192 * 8192));
    dir.write("whole.bin", AsQt(whole));
    BusWiring wiring;
    wiring.addressLines = {12, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    wiring.dataLines = {7, 6, 5, 4, 3, 2, 1, 0};
    wiring.addressXor = 0x1234;
    wiring.dataXor = 0x5A;
    ASSERT_EQ(RunCommand({"scramble", "--address-lines", "12,0-11", "--data-lines", "7-0",
                          "--address-xor", "0x1234", "--data-xor", "0x5A", dir.native("whole.bin"),
                          out("scrambled.bin")}),
              0);
    EXPECT_EQ(ReadFile(dir, "scrambled.bin"), Scramble(whole, wiring, ScrambleDirection::Forward));

    std::ostringstream report, err;
    ASSERT_EQ(RunTool({"sum", in}, report, err), 0);
    EXPECT_EQ(report.str(), ChecksumReport(data.data(), n));
}

TEST(Streaming, ChecksumsInPiecesOfAnySizeMatchTheWholeReport) {
    const Bytes data = RandomBytes(1001, 3);
    std::mt19937 rng(9);
    for (int round = 0; round < 50; ++round) {
        ChecksumAccumulator sums;
        for (int64_t at = 0; at < 1001;) {
            const int64_t n = std::min<int64_t>(rng() % 9, 1001 - at);
            sums.add(data.data() + at, n);
            at += n;
        }
        ASSERT_EQ(sums.report(), ChecksumReport(data.data(), 1001)) << round;
    }
}

TEST(Streaming, SparseHexInputKeepsItsGapsOutOfMemoryAndFillsThemInTheOutput) {
    BlockSize size(4096);
    test::ScratchDir dir;
    // Records at 0x10, 0x2F_FFF8 (across a 64 KiB boundary) and 0x50_0000: a 5 MiB span.
    const Bytes a = RandomBytes(100, 1), b = RandomBytes(40, 2), c = RandomBytes(16, 3);
    std::string hex;
    for (auto [address, bytes] : {std::pair{0x10, &a}, {0x2FFFF8, &b}, {0x500000, &c}}) {
        AddressedImage piece{address, *bytes, std::nullopt};
        std::string text = WriteIntelHex(piece, 32);
        hex += text.substr(0, text.rfind(":00000001FF"));
    }
    hex += ":00000001FF\n";
    dir.write("sparse.hex", QByteArray::fromStdString(hex));

    MemorySource text(reinterpret_cast<const uint8_t*>(hex.data()),
                      static_cast<int64_t>(hex.size()));
    SparseImage sparse = ParseIntelHexFrom(text, 0x00);
    EXPECT_EQ(sparse.origin, 0x10);
    EXPECT_EQ(sparse.size(), 0x500000 + 16 - 0x10);

    ASSERT_EQ(
        RunCommand({"invert", "--fill", "0x33", dir.native("sparse.hex"), dir.native("out.bin")}),
        0);
    // The records' bytes inverted, the gaps the fill byte.
    Bytes expected(static_cast<size_t>(sparse.size()), 0x33);
    for (auto [offset, bytes] : {std::pair{0x10, a}, {0x2FFFF8, b}, {0x500000, c}}) {
        InvertBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), expected.begin() + (offset - 0x10));
    }
    EXPECT_EQ(ReadFile(dir, "out.bin"), expected);
}

TEST(Streaming, InputOverFourGiBIsRefusedUnreadAndLeavesNoOutput) {
    test::ScratchDir dir;
    QFile big(dir.path("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    // A file with a hole: nothing is stored, and nothing may be read either.
    ASSERT_TRUE(big.resize((int64_t{4} << 30) + 1));
    big.close();
    std::string err;
    EXPECT_EQ(RunCommand({"invert", dir.native("big.bin"), dir.native("out.bin")}, &err),
              ExitFileError);
    EXPECT_NE(err.find("big.bin: 4294967297 bytes, more than the 4 GiB"), std::string::npos) << err;
    EXPECT_EQ(QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden), QStringList({"big.bin"}));
}

TEST(Streaming, RefusedInputFileIsClosed) {
    test::ScratchDir dir;
    QFile big(dir.path("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize((int64_t{4} << 30) + 1));
    big.close();
    EXPECT_THROW(InputFile input(dir.native("big.bin")), ToolError);
    EXPECT_EQ(OpenDescriptorsOn(dir.native("big.bin")), 0);
}
