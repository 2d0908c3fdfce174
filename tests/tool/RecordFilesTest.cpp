// RecordFilesTest.cpp — HEX and S-record files as other tools write and read them, against srec_cat
// and objcopy: extended addresses, records after an end record, sparse images and their gaps, and
// words and chip units aligned to addresses.
#include "TestSupport.h"
#include "support/RandomBytes.h"
#include "support/RecordText.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// srec_cat's reading of a file, after its filters, as Intel HEX without a start address: two files
// give the same text when srec_cat sees the same bytes at the same addresses.
std::string SrecCatView(const QString& file, const QString& format, const QStringList& filters) {
    return test::Oracle(QStringLiteral("srec_cat"),
                        QStringList{file, format} + filters +
                            QStringList{"-o", "-", "-intel", "-disable=exec-start-address"});
}

QString FormatOf(const QString& name) {
    return name.endsWith(".hex") ? QStringLiteral("-intel") : QStringLiteral("-motorola");
}

} // namespace

TEST(RecordFiles, ReadAsSrecCatAndObjcopyReadThem) {
    const std::vector<uint8_t> a = RandomBytes(16, 1), b = RandomBytes(16, 2);
    using test::HexRecord, test::SRecord;
    struct Case {
        const char* name;
        const char* file;
        std::vector<std::string> lines;
        // The line the tool's warning names; 0 when the file reads without one.
        int warningLine;
        // objcopy -I ihex -O binary reads the same bytes (it does not wrap segments or at 4 GiB).
        bool objcopy;
    };
    const Case cases[] = {
        {"LinearRecordCrosses64KiB",
         "in.hex",
         {HexRecord(4, 0, {0x00, 0x01}), HexRecord(0, 0xFFF8, a), HexRecord(0, 0x0008, b),
          HexRecord(1, 0, {})},
         0,
         true},
        {"NoExtendedRecordCrosses64KiB",
         "in.hex",
         {HexRecord(0, 0xFFF8, a), HexRecord(1, 0, {})},
         0,
         true},
        {"SegmentRecordWrapsInside64KiB",
         "in.hex",
         {HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0xFFF8, a), HexRecord(1, 0, {})},
         0,
         false},
        {"LinearAddressWrapsAt4GiB",
         "in.hex",
         {HexRecord(4, 0, {0xFF, 0xFF}), HexRecord(0, 0xFFF8, a), HexRecord(1, 0, {})},
         0,
         false},
        {"HexTextAfterTheEndRecordIsIgnored",
         "in.hex",
         {HexRecord(0, 0x100, a), HexRecord(1, 0, {}), HexRecord(0, 0x200, b), HexRecord(1, 0, {})},
         2,
         true},
        {"SRecordsAfterTheTerminatorAreRead",
         "in.s19",
         {SRecord(0, 0, {'A'}), SRecord(1, 0x100, a), SRecord(9, 0, {}), SRecord(1, 0x110, b),
          SRecord(9, 0, {})},
         4,
         false},
        {"SecondSRecordBlockIsRead",
         "in.s37",
         {SRecord(0, 0, {'A'}), SRecord(3, 0x10000, a), SRecord(7, 0, {}), SRecord(0, 0, {'B'}),
          SRecord(3, 0x20000, b), SRecord(7, 0, {})},
         4,
         false},
    };
    test::ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = dir.write(c.file, QByteArray::fromStdString(test::JoinLines(c.lines)));
        const test::Outcome r =
            test::RunLine({"convert", "--fill", "0", in.toStdString(), dir.native("out.hex")});
        ASSERT_EQ(r.status, 0) << r.err;
        if (c.warningLine == 0) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(std::string(c.file) + ": line " + std::to_string(c.warningLine) +
                                 ": warning: "),
                      std::string::npos)
                << r.err;
        }
        EXPECT_EQ(SrecCatView(dir.path("out.hex"), "-intel", {}),
                  SrecCatView(in, FormatOf(c.file), {}));
        if (c.objcopy) {
            ASSERT_EQ(
                test::RunLine({"convert", "--fill", "0", in.toStdString(), dir.native("ours.bin")})
                    .status,
                0);
            test::Oracle(QStringLiteral("objcopy"),
                         {"-I", "ihex", "-O", "binary", in, dir.path("theirs.bin")});
            EXPECT_EQ(test::ReadAll(dir.path("ours.bin")), test::ReadAll(dir.path("theirs.bin")));
        }
    }
}

TEST(RecordFiles, SparseInputKeepsItsGapsOrIsRefusedWhereFillingThemIsLarge) {
    using test::HexRecord;
    // 32 bytes at 0x100 and 0x200_0000: filled, a 32 MiB image.
    const std::string sparse =
        test::JoinLines({HexRecord(0, 0x100, RandomBytes(16, 3)), HexRecord(4, 0, {0x02, 0x00}),
                         HexRecord(0, 0, RandomBytes(16, 4)), HexRecord(1, 0, {})});
    struct Case {
        std::vector<std::string> command;
        const char* out;
        int status;
        // srec_cat's filters that give the same records, for a command that succeeds.
        QStringList filters;
    };
    const Case cases[] = {
        {{"convert"}, "out.hex", 0, {}},
        {{"invert"}, "out.s37", 0, {"-not"}},
        {{"bitrev"}, "out.hex", 0, {"-bit-reverse"}},
        {{"swap", "--size", "4"}, "out.hex", 0, {"-byte-swap", "4"}},
        {{"convert"}, "out.bin", 3, {}},
        {{"invert", "--out-format", "binary"}, "out.hex", 3, {}},
        {{"mirror"}, "out.hex", 3, {}},
        {{"split", "--ways", "2"}, "p.hex", 3, {}},
        {{"scramble", "--address-lines", "0-3"}, "out.s19", 3, {}},
        {{"crop", "0:0x3000000"}, "out.bin", 3, {}},
        {{"chunk", "--size", "1M"}, "p.bin", 3, {}},
        {{"checksum", "--algorithm", "sum8", "--at", "0x100"}, "out.bin", 3, {}},
        {{"merge"}, "out.bin", 3, {}},
    };
    test::ScratchDir dir;
    const QString in = dir.write("sparse.hex", QByteArray::fromStdString(sparse));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.front() + " to " + c.out);
        std::vector<std::string> args = c.command;
        args.push_back(in.toStdString());
        args.push_back(dir.native(c.out));
        const test::Outcome r = test::RunLine(args);
        ASSERT_EQ(r.status, c.status) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(SrecCatView(dir.path(c.out), FormatOf(c.out), {}),
                      SrecCatView(in, "-intel", c.filters));
            QFile::remove(dir.path(c.out));
        } else {
            // merge names its inputs as a whole.
            EXPECT_NE(r.err.find(c.command.front() == "merge" ? "the inputs" : "sparse.hex: "),
                      std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find("0x00000100 to 0x0200000F"), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("--allow-large"), std::string::npos) << r.err;
            EXPECT_EQ(QDir(dir.path({})).entryList(QDir::Files | QDir::Hidden),
                      QStringList({"sparse.hex"}));
        }
    }
    // Asked for, the raw image is written whole, as objcopy writes it.
    const test::Outcome r = test::RunLine(
        {"convert", "--allow-large", "--fill", "0", in.toStdString(), dir.native("ours.bin")});
    ASSERT_EQ(r.status, 0) << r.err;
    test::Oracle(QStringLiteral("objcopy"),
                 {"-I", "ihex", "-O", "binary", in, dir.path("theirs.bin")});
    EXPECT_EQ(test::ReadAll(dir.path("ours.bin")), test::ReadAll(dir.path("theirs.bin")));
}

TEST(RecordFiles, WordsAndChipUnitsAlignToAddresses) {
    test::ScratchDir dir;
    // 1001 bytes from the odd address 0x1001 with a hole of 0x33 bytes, written by srec_cat.
    constexpr int64_t Origin = 0x1001, Size = 1001;
    const std::vector<uint8_t> data = RandomBytes(Size, 5);
    const QString raw =
        dir.write("in.bin", QByteArray(reinterpret_cast<const char*>(data.data()), Size));
    test::Oracle(QStringLiteral("srec_cat"),
                 {raw, "-binary", "-exclude", "0xFF", "0x132", "-offset", QString::number(Origin),
                  "-o", dir.path("in.hex"), "-intel"});
    const QString in = dir.path("in.hex");

    for (int word : {2, 4, 8}) {
        SCOPED_TRACE("swap " + std::to_string(word));
        const test::Outcome r = test::RunLine(
            {"swap", "--size", std::to_string(word), in.toStdString(), dir.native("out.hex")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(SrecCatView(dir.path("out.hex"), "-intel", {}),
                  SrecCatView(in, "-intel", {"-byte-swap", QString::number(word)}));
    }
    for (int ways : {2, 4})
        for (int width : {1, 2}) {
            SCOPED_TRACE("split " + std::to_string(ways) + " ways of " + std::to_string(width));
            const int64_t unit = ways * width;
            const int64_t low = Origin / unit * unit;
            const int64_t high = (Origin + Size + unit - 1) / unit * unit;
            const test::Outcome r =
                test::RunLine({"split", "--ways", std::to_string(ways), "--width",
                               std::to_string(width), in.toStdString(), dir.native("chip")});
            ASSERT_EQ(r.status, 0) << r.err;
            for (int k = 0; k < ways; ++k) {
                const QString part = dir.path("theirs." + QString::number(k));
                test::Oracle(QStringLiteral("srec_cat"),
                             {in, "-intel", "-fill", "0xFF", QString::number(low),
                              QString::number(high), "-split", QString::number(unit),
                              QString::number(k * width), QString::number(width), "-offset",
                              QString::number(-(low / unit * width)), "-o", part, "-binary"});
                EXPECT_EQ(test::ReadAll(dir.path("chip." + QString::number(k))),
                          test::ReadAll(part))
                    << k;
            }
        }
}
