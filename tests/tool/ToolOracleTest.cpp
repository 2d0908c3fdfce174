// ToolOracleTest.cpp — the built executable against independent programs: srec_cat (byte swaps,
// splits, HEX and S-record files, CRC and sums) and Python's zlib and binascii; bad records and
// failed outputs through the exit status.
#include "TestSupport.h"
#include "support/RandomBytes.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using Finished = test::Outcome;
using test::Start;
using test::Tool;

QByteArray RandomData(qsizetype n, unsigned seed) {
    return test::AsQt(RandomBytes(n, seed));
}

// Runs srec_cat and expects it to succeed.
void SrecCat(const QStringList& args) {
    test::Oracle(QStringLiteral("srec_cat"), args);
}

void ExpectTool(const QStringList& args) {
    const Finished f = Tool(args);
    ASSERT_EQ(f.status, 0) << args.join(' ').toStdString() << "\n" << f.err;
}

QString Number(qint64 n) {
    return QString::number(n);
}

} // namespace

TEST(ToolOracle, SwapMatchesSrecCatByteSwap) {
    test::ScratchDir dir;
    for (int word : {2, 4, 8})
        for (qsizetype words : {1, 7, 1000, 40001}) {
            SCOPED_TRACE(std::to_string(word) + "-byte words: " + std::to_string(words));
            const QString in = dir.write("in.bin", RandomData(word * words, word + words));
            ExpectTool({"swap", "--size", Number(word), in, dir.path("ours.bin")});
            SrecCat({in, "-binary", "-byte-swap", Number(word), "-o", dir.path("theirs.bin"),
                     "-binary"});
            EXPECT_EQ(test::ReadAll(dir.path("ours.bin")), test::ReadAll(dir.path("theirs.bin")));
        }
}

TEST(ToolOracle, SplitAndInterleaveMatchSrecCatSplitAndUnsplit) {
    test::ScratchDir dir;
    const QString in = dir.write("in.bin", RandomData(80008, 3));
    for (int ways : {2, 4})
        for (int width : {1, 2}) {
            SCOPED_TRACE(std::to_string(ways) + " ways of " + std::to_string(width));
            ExpectTool(
                {"split", "--ways", Number(ways), "--width", Number(width), in, dir.path("chip")});
            QStringList unsplit;
            for (int k = 0; k < ways; ++k) {
                const QString part = dir.path("theirs." + Number(k));
                SrecCat({in, "-binary", "-split", Number(ways * width), Number(k * width),
                         Number(width), "-o", part, "-binary"});
                EXPECT_EQ(test::ReadAll(dir.path("chip." + Number(k))), test::ReadAll(part)) << k;
                unsplit << part << "-binary"
                        << "-unsplit" << Number(ways * width) << Number(k * width) << Number(width);
            }
            SrecCat(unsplit + QStringList{"-o", dir.path("theirs.bin"), "-binary"});
            QStringList interleave = {"interleave", "--width", Number(width)};
            for (int k = 0; k < ways; ++k)
                interleave << dir.path("chip." + Number(k));
            ExpectTool(interleave + QStringList{dir.path("ours.bin")});
            EXPECT_EQ(test::ReadAll(dir.path("ours.bin")), test::ReadAll(dir.path("theirs.bin")));
            EXPECT_EQ(test::ReadAll(dir.path("ours.bin")), test::ReadAll(in));
        }
}

TEST(ToolOracle, HexAndSRecordFilesWithGapsAgreeWithSrecCatBothWays) {
    test::ScratchDir dir;
    struct Format {
        const char* extension;
        const char* srecCat;
    };
    std::mt19937 rng(17);
    for (const Format format : {Format{"hex", "-intel"}, Format{"s37", "-motorola"}})
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(std::string(format.extension) + " round " + std::to_string(round));
            const qint64 size = 1000 + rng() % 150000;
            const qint64 origin = round == 0 ? 0 : (rng() % 0x3000) * 0x10 + rng() % 16;
            const QByteArray data = RandomData(size, rng());
            const QString in = dir.write("in.bin", data);
            const QString ext = format.extension;

            // Binary to text to binary through the tool, the text read by srec_cat as well.
            ExpectTool({"convert", "--base", Number(origin), in, dir.path("ours." + ext)});
            ExpectTool({"convert", dir.path("ours." + ext), dir.path("back.bin")});
            EXPECT_EQ(test::ReadAll(dir.path("back.bin")), data);
            SrecCat({dir.path("ours." + ext), format.srecCat, "-offset", Number(-origin), "-o",
                     dir.path("theirs.bin"), "-binary"});
            EXPECT_EQ(test::ReadAll(dir.path("theirs.bin")), data);

            // Gaps inside the image (never at its ends) in a file written by srec_cat.
            QStringList write = {in, "-binary"};
            QByteArray gapped = data;
            for (int gap = 0; gap < 3; ++gap) {
                const qint64 from = 1 + rng() % (size - 300);
                const qint64 length = 1 + rng() % 200;
                write << "-exclude" << Number(from) << Number(from + length);
                gapped.replace(from, length, QByteArray(length, '\xA5'));
            }
            write << "-offset" << Number(origin) << "-o" << dir.path("gaps." + ext)
                  << format.srecCat;
            SrecCat(write);
            ExpectTool({"convert", "--fill", "0xA5", dir.path("gaps." + ext), dir.path("o.bin")});
            EXPECT_EQ(test::ReadAll(dir.path("o.bin")), gapped);
            SrecCat({dir.path("gaps." + ext), format.srecCat, "-fill", "0xA5", Number(origin),
                     Number(origin + size), "-offset", Number(-origin), "-o",
                     dir.path("theirs.bin"), "-binary"});
            EXPECT_EQ(test::ReadAll(dir.path("theirs.bin")), gapped);

            // Inverted by the tool, gaps kept, and read back by srec_cat: the bytes of srec_cat's
            // own -not, and the tool's raw output of the same has the fill in the gaps.
            ExpectTool({"invert", dir.path("gaps." + ext), dir.path("inv." + ext)});
            ExpectTool({"invert", "--fill", "0xA5", dir.path("gaps." + ext), dir.path("inv.bin")});
            auto filled = [&](const QString& file, const QStringList& filters) {
                SrecCat(QStringList{file, format.srecCat} + filters +
                        QStringList{"-fill", "0xA5", Number(origin), Number(origin + size),
                                    "-offset", Number(-origin), "-o", dir.path("theirs.bin"),
                                    "-binary"});
                return test::ReadAll(dir.path("theirs.bin"));
            };
            const QByteArray inverted = filled(dir.path("gaps." + ext), {"-not"});
            EXPECT_EQ(filled(dir.path("inv." + ext), {}), inverted);
            EXPECT_EQ(test::ReadAll(dir.path("inv.bin")), inverted);
            EXPECT_NE(inverted, gapped);
        }
}

TEST(ToolOracle, ChecksumsMatchSrecCatAndPython) {
    test::ScratchDir dir;
    for (qint64 size : {1, 2, 1001, 65539, 300000}) {
        SCOPED_TRACE(size);
        const QString in = dir.write("in.bin", RandomData(size, static_cast<unsigned>(size)));
        const Finished sum = Tool({"sum", in});
        ASSERT_EQ(sum.status, 0) << sum.err;

        // srec_cat puts each value after the image; the tool prints them in upper-case hex.
        auto srecCat = [&](const QStringList& filter, int bytes) {
            SrecCat(QStringList{in, "-binary"} + filter +
                    QStringList{"-crop", Number(size), Number(size + bytes), "-offset",
                                Number(-size), "-o", dir.path("value.bin"), "-binary"});
            return test::ReadAll(dir.path("value.bin"));
        };
        auto littleEndian = [](const QByteArray& b) {
            QString hex;
            for (qsizetype i = b.size() - 1; i >= 0; --i)
                hex += QString::asprintf("%02X", static_cast<uint8_t>(b[i]));
            return hex;
        };
        const QString crc32 = littleEndian(srecCat({"-crc32-l-e", Number(size)}, 4));
        const QString sum8 =
            littleEndian(srecCat({"-checksum-positive-little-endian", Number(size), "1", "1"}, 1));
        const QString sum16 =
            littleEndian(srecCat({"-checksum-positive-little-endian", Number(size), "2", "1"}, 2));
        const QString wordsLe =
            littleEndian(srecCat({"-checksum-positive-little-endian", Number(size), "2", "2"}, 2));
        const QString wordsBe = QString::fromLatin1(
            srecCat({"-checksum-positive-big-endian", Number(size), "2", "2"}, 2)
                .toHex()
                .toUpper());
        const Finished python =
            Start(QStringLiteral("python3"),
                  {"-c",
                   "import sys, zlib, binascii; d = open(sys.argv[1], 'rb').read(); "
                   "print('%08X %04X' % (zlib.crc32(d), binascii.crc_hqx(d, 0xFFFF)))",
                   in});
        ASSERT_EQ(python.status, 0) << python.err;
        const QStringList py = QString::fromStdString(python.out).trimmed().split(' ');
        ASSERT_EQ(py.size(), 2);

        EXPECT_EQ(crc32, py[0]);
        const QString expected = "CRC-32             " + py[0] + "\n" + "CRC-16/CCITT-FALSE " +
                                 py[1] + "\n" + "Sum-8              " + sum8 + "\n" +
                                 "Sum-16             " + sum16 + "\n" + "Word sum LE        " +
                                 wordsLe + "\n" + "Word sum BE        " + wordsBe + "\n";
        EXPECT_EQ(QString::fromStdString(sum.out), expected);
    }
}

TEST(ToolOracle, BadRecordsExitWithBadDataAndTheirLineNumber) {
    test::ScratchDir dir;
    const QString in = dir.write("in.bin", RandomData(100, 8));
    ExpectTool({"convert", in, dir.path("good.hex")});
    ExpectTool({"convert", in, dir.path("good.s19")});
    const QList<QByteArray> hex = test::ReadAll(dir.path("good.hex")).split('\n');
    const QList<QByteArray> srec = test::ReadAll(dir.path("good.s19")).split('\n');
    struct Bad {
        const char* what;
        const char* extension;
        int line;
        QByteArray record;
    };
    const Bad cases[] = {
        {"wrong checksum", "hex", 3, hex[2].left(hex[2].size() - 2) + "00"},
        {"byte count longer than the record", "hex", 2, ":11" + hex[1].mid(3)},
        {"unknown type", "hex", 4, ":00000006FA"},
        {"truncated line", "hex", 5, hex[4].left(20)},
        {"wrong checksum", "s19", 2, srec[1].left(srec[1].size() - 2) + "00"},
        {"byte count shorter than the record", "s19", 3, "S112" + srec[2].mid(4)},
        {"unknown type", "s19", 4, "S4030000FC"},
        {"truncated line", "s19", 6, srec[5].left(11)},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(std::string(bad.extension) + ": " + bad.what);
        QList<QByteArray> lines = QString(bad.extension) == "hex" ? hex : srec;
        lines[bad.line - 1] = bad.record;
        const QString name = QString("bad.") + bad.extension;
        dir.write(name, lines.join('\n'));
        const Finished f = Tool({"invert", dir.path(name), dir.path("out.bin")});
        EXPECT_EQ(f.status, 3) << f.err;
        EXPECT_TRUE(QByteArray::fromStdString(f.err).contains(name.toUtf8() + ": line " +
                                                              QByteArray::number(bad.line) + ":"))
            << f.err;
        EXPECT_FALSE(QFile::exists(dir.path("out.bin")));
    }
}

TEST(ToolOracle, FailedOutputsLeaveNoFile) {
    test::ScratchDir dir;
    const QString in = dir.write("in.bin", RandomData(256 * 1024, 9));

    Finished f = Tool({"invert", in, dir.path("missing/out.bin")});
    EXPECT_EQ(f.status, 2);
    EXPECT_TRUE(
        QByteArray::fromStdString(f.err).contains("missing/out.bin: No such file or directory"))
        << f.err;
    EXPECT_FALSE(QDir(dir.path("missing")).exists());

    // A disk that fills up: the file size limit cuts the write short; the child inherits it.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    f = Tool({"convert", "--out-format", "ihex", in, dir.path("out.hex")});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(f.status, 2);
    EXPECT_TRUE(QByteArray::fromStdString(f.err).contains("out.hex: File too large")) << f.err;
    EXPECT_EQ(QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden), QStringList({"in.bin"}));
}
