// ToolCommandTest.cpp — the commands through their command lines, in process and as the built
// executable with standard input and output.
#include "Checksums.h"
#include "Commands.h"
#include "ImageFormats.h"
#include "ImageTransforms.h"
#include "TestSupport.h"
#include "ToolFiles.h"
#include "support/RandomBytes.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace tool;

namespace {

QByteArray RandomData(int n, unsigned seed) {
    return test::AsQt(RandomBytes(n, seed));
}

using test::Outcome;
using test::RunLine;

// The image a file holds, whatever its format.
QByteArray ImageOf(const std::string& path) {
    const QByteArray content = test::ReadAll(QString::fromStdString(path));
    const AddressedImage image =
        ParseImage(content.toStdString(), FormatFromPath(path).format, 0xFF);
    return QByteArray(reinterpret_cast<const char*>(image.bytes.data()),
                      static_cast<qsizetype>(image.bytes.size()));
}

// Inverts a 256 KiB image into out.bin of outDir, which holds an older output, under a file size
// limit when one is given, and expects the command to fail with message while the older output
// stays as it was and nothing else is left.
void ExpectShortOutputKeepsTheOldFile(const test::ScratchDir& outDir, const char* message,
                                      rlim_t fileSizeLimit = RLIM_INFINITY) {
    test::ScratchDir inDir;
    inDir.write("in.bin", RandomData(256 * 1024, 5));
    const QByteArray old(16 * 1024, 'o');
    outDir.write("out.bin", old);

    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = fileSizeLimit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const Outcome r = RunLine({"invert", inDir.native("in.bin"), outDir.native("out.bin")});
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(r.status, ExitFileError);
    EXPECT_NE(r.err.find("out.bin: " + std::string(message)), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadAll(outDir.path("out.bin")), old);
    EXPECT_EQ(QDir(outDir.path({})).entryList(QDir::Files | QDir::Hidden),
              QStringList({"out.bin"}));
}

} // namespace

TEST(ToolCommand, OutputOntoAFullFileSystemKeepsTheOldFile) {
    test::SmallFileSystem small(64);
    if (!small.mounted())
        GTEST_SKIP() << small.reason()
                     << "; OutputOverTheFileSizeLimitKeepsTheOldFile covers a short write instead";
    ExpectShortOutputKeepsTheOldFile(small.dir(), "No space left on device");
}

TEST(ToolCommand, OutputOverTheFileSizeLimitKeepsTheOldFile) {
    test::ScratchDir dir;
    ExpectShortOutputKeepsTheOldFile(dir, "File too large", 64 * 1024);
}

TEST(ToolCommand, MirrorGivesTheWindowsBytesForEveryLengthAndOrder) {
    test::ScratchDir dir;
    for (int n = 0; n <= 11; ++n)
        for (const char* size : {"1", "2"})
            for (const char* order : {"low", "high"}) {
                // Odd lengths go through HEX and S-record files to cover the formats too.
                const bool text = n % 2 == 1;
                const QByteArray data = RandomData(n, n);
                const std::string in = dir.native("in.bin");
                dir.write("in.bin", data);
                const std::string out = dir.native(text ? "out.s19" : "out.bin");
                const std::string hex = dir.native("in.hex");
                if (text) {
                    ASSERT_EQ(RunLine({"convert", in, hex}).status, 0);
                }
                const Outcome r =
                    RunLine({"mirror", "--size", size, "--order", order, text ? hex : in, out});
                ASSERT_EQ(r.status, 0) << r.err;
                QByteArray window = data;
                MirrorByDataSize(reinterpret_cast<uint8_t*>(window.data()), n,
                                 std::string(size) == "1" ? 0 : 1, std::string(order) == "low");
                EXPECT_EQ(ImageOf(out), window) << "n=" << n << " size " << size << " " << order;
            }
}

TEST(ToolCommand, InverseCommandsRestoreTheImage) {
    test::ScratchDir dir;
    const QByteArray data = RandomData(4096, 11);
    const std::string in = dir.native("rom.bin");
    dir.write("rom.bin", data);
    const std::string a = dir.native("a.hex");
    const std::string b = dir.native("b.srec");
    const std::vector<std::vector<std::vector<std::string>>> chains = {
        {{"invert", in, a}, {"invert", a, b}},
        {{"bitrev", in, a}, {"bitrev", a, b}},
        {{"swap", "--size", "8", in, a}, {"swap", "--size=8", a, b}},
        {{"split", "--ways", "4", "--width", "2", in, a},
         {"interleave", "--width", "2", a + ".0", a + ".1", a + ".2", a + ".3", b}},
        {{"split", "--ways", "2", in, a}, {"interleave", a + ".0", a + ".1", b}},
        {{"scramble", "--address-lines", "3,0-2,11-4", "--data-lines", "1,0,2-7", "--address-xor",
          "0x5A5", "--data-xor", "0x81", in, a},
         {"scramble", "--reverse", "--address-lines", "3,0-2,11-4", "--data-lines", "1,0,2-7",
          "--address-xor", "0x5A5", "--data-xor", "0x81", a, b}},
    };
    for (const auto& chain : chains) {
        SCOPED_TRACE(chain.front().front());
        for (const auto& step : chain) {
            const Outcome r = RunLine(step);
            ASSERT_EQ(r.status, 0) << r.err;
        }
        EXPECT_EQ(ImageOf(b), data);
        EXPECT_NE(ImageOf(chain.front().front() == "split" ? a + ".1" : a), data);
    }
}

TEST(ToolCommand, FailuresReportAndLeaveTheOutputAlone) {
    test::ScratchDir dir;
    const std::string odd = dir.native("odd.bin");
    dir.write("odd.bin", RandomData(7, 1));
    dir.write("good.bin", RandomData(64, 2));
    ASSERT_EQ(RunLine({"convert", dir.native("good.bin"), dir.native("rom.hex")}).status, 0);
    QByteArray hex = test::ReadAll(QString::fromStdString(dir.native("rom.hex")));
    const qsizetype third = hex.indexOf('\n', hex.indexOf('\n') + 1) + 1;
    hex[third + 9] = hex[third + 9] == '0' ? '1' : '0';
    dir.write("bad.hex", hex);
    const std::string out = dir.native("out.bin");
    const QByteArray previous = "previous content";
    struct Failure {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Failure failures[] = {
        {{"invert", dir.native("bad.hex"), out}, 3, "line 3: bad checksum"},
        {{"invert", dir.native("missing.bin"), out}, 2, "missing.bin"},
        {{"swap", "--size", "2", odd, out}, 3, "--pad"},
        {{"split", "--ways", "2", odd, out}, 3, "--pad"},
        {{"scramble", "--address-lines", "0-3", odd, out}, 3, "blocks of 16"},
        {{"frobnicate", odd, out}, 1, "unknown command"},
        {{"swap", odd, out}, 1, "needs --size"},
        {{"split", "--ways", "3", odd, out}, 1, "--ways must be one of 2, 4"},
        {{"invert", "--ways", "2", odd, out}, 1, "does not apply"},
        {{"invert", odd}, 1, "takes 2"},
        {{"mirror", "--fill", "0x100", odd, out}, 1, "--fill"},
        {{"convert", "--out-format", "elf", odd, out}, 1, "unknown format"},
        {{"scramble", "--address-lines", "0,0", odd, out}, 1, "permutation"},
        {{"convert", "--base", "0xFFFFFFF0", "--out-format", "ihex8", odd, out}, 3, "do not fit"},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.args.front() + " " + f.message);
        dir.write("out.bin", previous);
        const Outcome r = RunLine(f.args);
        EXPECT_EQ(r.status, f.status);
        EXPECT_EQ(r.err.rfind("vornex-tool: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(f.message), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadAll(QString::fromStdString(out)), previous);
    }
    // With --pad the odd image is completed instead.
    ASSERT_EQ(RunLine({"swap", "--size", "4", "--pad", "0xEE", odd, out}).status, 0);
    EXPECT_EQ(test::ReadAll(QString::fromStdString(out)).size(), 8);
    EXPECT_EQ(test::ReadAll(QString::fromStdString(out))[4], '\xEE');
}

TEST(ToolCommand, ExecutableUsesStandardStreamsAndExitStatus) {
    const QString program = QStringLiteral(VORNEX_TOOL_PATH);
    const QByteArray data = RandomData(1001, 4);
    auto run = [&](const QStringList& args, const QByteArray& input) {
        QProcess process;
        process.start(program, args);
        EXPECT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return std::tuple(process.exitCode(), process.readAllStandardOutput(),
                          process.readAllStandardError());
    };

    auto [status, out, err] = run({"invert", "-", "-"}, data);
    QByteArray inverted = data;
    InvertBytes(reinterpret_cast<uint8_t*>(inverted.data()), inverted.size());
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(out, inverted);

    std::tie(status, out, err) = run({"convert", "--out-format", "srec", "-", "-"}, data);
    EXPECT_EQ(status, 0);
    std::tie(status, out, err) = run({"sum", "--in-format", "srec", "-"}, out);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.toStdString(),
              ChecksumReport(reinterpret_cast<const uint8_t*>(data.data()), data.size()));

    std::tie(status, out, err) = run({"mirror", "--size", "3", "-", "-"}, {});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains("--help")) << err.toStdString();

    std::tie(status, out, err) = run({"--help"}, {});
    EXPECT_EQ(status, 0);
    for (const char* word : {"convert",       "mirror",      "invert",          "swap",
                             "bitrev",        "split",       "interleave",      "scramble",
                             "sum",           "--in-format", "--out-format",    "--fill",
                             "--base",        "--size",      "--order",         "--pad",
                             "--ways",        "--width",     "--address-lines", "--data-lines",
                             "--address-xor", "--data-xor",  "--reverse",       "--allow-large"})
        EXPECT_TRUE(out.contains(word)) << word;
}
