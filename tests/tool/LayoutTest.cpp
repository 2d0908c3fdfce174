// LayoutTest.cpp — pad, crop, repeat, chunk and merge against srec_cat on raw and gapped record
// inputs in small blocks, the chip table against its part numbers, and the refusals.
#include "Chips.h"
#include "TestSupport.h"
#include "support/BlockSize.h"
#include "support/ImageOracle.h"
#include "support/RandomBytes.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

// The inputs of every table, by placeholder: $a, $c, $k, $odd raw (1000, 300, 8192, 999 bytes),
// $x and $y raw with an '@' in their names, and $b 3000 bytes of Intel HEX at 0x8000 whose records
// leave out 0x8064-0x8095 and 0x87D0-0x8A27.
class Samples {
public:
    Samples() {
        const std::map<QString, std::pair<QString, qint64>> raw = {
            {"a", {"a.bin", 1000}},    {"c", {"c.bin", 300}},  {"k", {"k.bin", 8192}},
            {"odd", {"odd.bin", 999}}, {"x", {"x@1.bin", 40}}, {"y", {"y@12", 24}}};
        for (const auto& [key, file] : raw)
            paths[key] =
                dir.write(file.first, Bytes(file.second, static_cast<unsigned>(key[0].unicode())));
        paths["b"] =
            test::WriteRecords(dir, "b.hex", Bytes(3000, 2), 0x8000, {{100, 150}, {2000, 2600}});
    }

    // A line split at spaces, with $NAME at the start of a word replaced by a sample's path, and $o
    // and $t by the prefixes of our and srec_cat's outputs in outputs.
    QStringList expand(const char* line, const test::ScratchDir& outputs) const {
        QStringList words = QString(line).split(' ');
        static const QRegularExpression placeholder("^\\$([a-z]+)");
        for (QString& word : words) {
            const auto match = placeholder.match(word);
            if (!match.hasMatch())
                continue;
            const QString key = match.captured(1);
            word.replace(0, match.capturedLength(),
                         paths.count(key) ? paths.at(key) : outputs.path(key));
        }
        return words;
    }

    test::ScratchDir dir;
    std::map<QString, QString> paths;

private:
    static QByteArray Bytes(qint64 n, unsigned seed) {
        const std::vector<uint8_t> bytes = RandomBytes(n, seed);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), n);
    }
};

std::vector<std::string> Strings(const QStringList& list) {
    std::vector<std::string> strings;
    for (const QString& s : list)
        strings.push_back(s.toStdString());
    return strings;
}

// The tool's command line, and srec_cat's lines that make the same outputs.
struct OracleRow {
    const char* ours;
    std::vector<const char*> theirs;
};

// Runs each row's command in process in blocks of 40 bytes and expects every file srec_cat makes,
// $t..., to hold the image of our $o..., and ours to make no other file.
void ExpectAgreement(const std::vector<OracleRow>& rows) {
    const Samples samples;
    for (const OracleRow& row : rows) {
        SCOPED_TRACE(row.ours);
        const test::ScratchDir outputs;
        {
            test::BlockSize blocks(40);
            const test::Outcome run = test::RunLine(Strings(samples.expand(row.ours, outputs)));
            EXPECT_EQ(run.status, 0) << run.err;
        }
        for (const char* line : row.theirs)
            test::SrecCat(samples.expand(line, outputs));
        const QStringList made = QDir(outputs.path({})).entryList(QDir::Files, QDir::Name);
        QStringList expected;
        for (const QString& theirs : made.filter(QRegularExpression("^t")))
            expected << "o" + theirs.mid(1);
        EXPECT_EQ(made.filter(QRegularExpression("^o")), expected);
        for (const QString& ours : expected)
            test::ExpectSameImage(outputs.path(ours), outputs.path("t" + ours.mid(1)));
    }
}

} // namespace

TEST(Layout, PadMatchesSrecCatFill) {
    ExpectAgreement({
        {"pad --size 4K $a $o.bin", {"$a -binary -fill 0xFF 0 4096 -o $t.bin -binary"}},
        {"pad --size 1000 $a $o.bin", {"$a -binary -o $t.bin -binary"}},
        // The gaps are filled as well as the rest of the chip.
        {"pad --chip 27c256 $b $o.bin",
         {"$b -intel -fill 0xFF 0x8000 0x10000 -offset -0x8000 -o $t.bin -binary"}},
        {"pad --chip M27C4096-10 --fill 0x5A $b $o.s37",
         {"$b -intel -fill 0x5A 0x8000 0x88000 -o $t.s37 -motorola"}},
        {"pad --chip 27C1024 $odd $o.hex", {"$odd -binary -fill 0xFF 0 0x20000 -o $t.hex -intel"}},
    });
}

TEST(Layout, CropMatchesSrecCatCrop) {
    ExpectAgreement({
        {"crop 0x100:0x200 $a $o.bin",
         {"$a -binary -crop 0x100 0x200 -offset -0x100 -o $t.bin -binary"}},
        {"crop 0x300:5000 $a $o.hex", {"$a -binary -crop 0x300 5000 -o $t.hex -intel"}},
        // From inside the first gap to inside the second.
        {"crop 0x8070:0x8800 $b $o.hex", {"$b -intel -crop 0x8070 0x8800 -o $t.hex -intel"}},
        {"crop 0x8070:0x8800 $b $o.bin",
         {"$b -intel -fill 0xFF 0x8070 0x8800 -crop 0x8070 0x8800 -offset -0x8070 -o $t.bin "
          "-binary"}},
        {"crop 0:0x100000000 $b $o.bin",
         {"$b -intel -fill 0xFF 0x8000 0x8BB8 -offset -0x8000 -o $t.bin -binary"}},
        {"crop --base 0 0x8100:0x8200 $b $o.s19",
         {"$b -intel -crop 0x8100 0x8200 -offset -0x8100 -o $t.s19 -motorola"}},
    });
}

TEST(Layout, RepeatMatchesSrecCatCopiesAtOffsets) {
    ExpectAgreement({
        {"repeat --size 1000 $a $o.s19", {"$a -binary -o $t.s19 -motorola"}},
        {"repeat --size 9000 $b $o.hex",
         {"$b -intel $b -intel -offset 3000 $b -intel -offset 6000 -o $t.hex -intel"}},
        {"repeat --size 6000 $b $o.bin",
         {"( $b -intel $b -intel -offset 3000 ) -fill 0xFF 0x8000 0x9770 -offset -0x8000 -o "
          "$t.bin -binary"}},
        {"repeat --chip 27C256 $k $o.bin",
         {"$k -binary $k -binary -offset 8192 $k -binary -offset 16384 $k -binary -offset 24576 -o "
          "$t.bin -binary"}},
    });
}

TEST(Layout, ChunkPiecesMatchSrecCatCrops) {
    ExpectAgreement({
        {"chunk --size 256 $a $o.bin",
         {"$a -binary -crop 0 256 -o $t.bin.0 -binary",
          "$a -binary -crop 256 512 -offset -256 -o $t.bin.1 -binary",
          "$a -binary -crop 512 768 -offset -512 -o $t.bin.2 -binary",
          "$a -binary -crop 768 1000 -offset -768 -o $t.bin.3 -binary"}},
        {"chunk --size 512 --pad 0xEE $a $o.s19",
         {"$a -binary -crop 0 512 -o $t.s19.0 -motorola",
          "$a -binary -crop 512 1000 -offset -512 -fill 0xEE 488 512 -o $t.s19.1 -motorola"}},
        // The second piece starts in a gap.
        {"chunk --chip 2716 $b $o.bin",
         {"$b -intel -crop 0x8000 0x8800 -fill 0xFF 0x8000 0x8800 -offset -0x8000 -o $t.bin.0 "
          "-binary",
          "$b -intel -crop 0x8800 0x8BB8 -fill 0xFF 0x8800 0x8BB8 -offset -0x8800 -o $t.bin.1 "
          "-binary"}},
        {"chunk --size 1K --base 0x4000 $b $o.s28",
         {"$b -intel -crop 0x8000 0x8400 -offset -0x4000 -o $t.s28.0 -motorola",
          "$b -intel -crop 0x8400 0x8800 -offset -0x4400 -o $t.s28.1 -motorola",
          "$b -intel -crop 0x8800 0x8BB8 -offset -0x4800 -o $t.s28.2 -motorola"}},
        {"chunk --chip 27C1024 --pad 0 $odd $o.bin",
         {"$odd -binary -fill 0 999 0x20000 -o $t.bin.0 -binary"}},
    });
}

TEST(Layout, MergeMatchesSrecCatConcatenation) {
    ExpectAgreement({
        {"merge $a $c@0x1000 $o.bin",
         {"( $a -binary $c -binary -offset 0x1000 ) -fill 0xFF 0 0x112C -o $t.bin -binary"}},
        {"merge $b $a@0x9000 $o.hex", {"$b -intel $a -binary -offset 0x9000 -o $t.hex -intel"}},
        {"merge $b@0x100 $c@8K $o.s37",
         {"$b -intel -offset -0x7F00 $c -binary -offset 0x2000 -o $t.s37 -motorola"}},
        {"merge $c@64K $b $o.bin",
         {"( $c -binary -offset 0x10000 $b -intel ) -fill 0xFF 0x8000 0x1012C -offset -0x8000 "
          "-o $t.bin -binary"}},
        // A record output skips the 3.75 GiB between them.
        {"merge $b@0xF0000000 $c $o.hex",
         {"$b -intel -offset 0xEFFF8000 $c -binary -o $t.hex -intel"}},
        // b's gaps let the inputs below it show through.
        {"merge --overlap last $a $c@0x300 $b@0 $o.hex",
         {"( ( ( $a -binary ) -exclude -within ( $c -binary -offset 0x300 ) ) -exclude -within ( "
          "$b -intel -offset -0x8000 ) ) ( ( $c -binary -offset 0x300 ) -exclude -within ( $b "
          "-intel -offset -0x8000 ) ) ( $b -intel -offset -0x8000 ) -o $t.hex -intel"}},
        {"merge --overlap first $b@0 $a $c@0x300 $o.bin",
         {"( ( $b -intel -offset -0x8000 ) ( ( $a -binary ) -exclude -within ( $b -intel -offset "
          "-0x8000 ) ) ( ( ( $c -binary -offset 0x300 ) -exclude -within ( $b -intel -offset "
          "-0x8000 ) ) -exclude -within ( $a -binary ) ) ) -fill 0xFF 0 3000 -o $t.bin -binary"}},
        // x@1.bin is a path; y@12 needs an address after it.
        {"merge $x $y@16K $a@0x2000 $o.s19",
         {"$x -binary $y -binary -offset 0x4000 $a -binary -offset 0x2000 -o $t.s19 -motorola"}},
    });
}

TEST(Layout, RefusalsNameWhatIsWrongAndWriteNothing) {
    const Samples samples;
    struct Row {
        const char* line;
        int status;
        std::vector<std::string> said;
    };
    const Row rows[] = {
        {"pad --size 512 $a $o.bin", 3, {"a.bin", "1000 bytes", "512 bytes"}},
        {"pad --chip 2716 $k $o.bin", 3, {"8192 bytes", "2048 bytes of a 2716"}},
        {"pad --chip 27C999 $a $o.bin", 1, {"27C999", "27C4096", "39SF040"}},
        {"pad --size 1K --chip 2716 $a $o.bin", 1, {"--size or --chip"}},
        {"repeat $a $o.bin", 1, {"--size or --chip"}},
        {"repeat --size 2500 $a $o.bin", 3, {"2500", "1000"}},
        {"repeat --size 512 $a $o.bin", 3, {"1000 bytes", "512 bytes"}},
        {"repeat --chip 27C4096 $odd $o.bin", 3, {"999", "16-bit", "27C4096"}},
        {"chunk --chip 27C1024 $odd $o.bin", 3, {"999", "16-bit"}},
        {"chunk --size 1 $a $o.bin", 3, {"1000 pieces", "512"}},
        {"chunk --size 100 $a -", 1, {"PREFIX"}},
        {"chunk --size 0 $a $o.bin", 1, {"--size"}},
        {"crop 0x2000:0x3000 $a $o.bin", 3, {"a.bin", "0x00000000 to 0x000003E7"}},
        {"crop 0x200:0x100 $a $o.bin", 1, {"0x200:0x100"}},
        {"merge $a $c@0x300 $o.bin",
         3,
         {"a.bin and ", "c.bin both", "0x00000300 to 0x000003E7", "--overlap"}},
        {"merge $b $a@0x8BB7 $o.bin", 3, {"b.hex and ", "0x00008BB7 to 0x00008BB7"}},
        {"merge --overlap middle $a $c@0x300 $o.bin", 1, {"first, last"}},
        {"merge $a@0xFFFFFF00 $o.bin", 3, {"a.bin", "0xFFFFFFFF"}},
        {"merge $a@0x100000000 $o.bin", 1, {"0x100000000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const test::ScratchDir outputs;
        const test::Outcome run = test::RunLine(Strings(samples.expand(row.line, outputs)));
        EXPECT_EQ(run.status, row.status) << run.err;
        for (const std::string& part : row.said)
            EXPECT_NE(run.err.find(part), std::string::npos) << part << " not in " << run.err;
        EXPECT_TRUE(QDir(outputs.path({})).isEmpty());
    }
    // srec_cat refuses the overlapping merge too.
    const test::ScratchDir outputs;
    EXPECT_NE(test::Start("srec_cat", samples.expand("$a -binary $c -binary -offset 0x300 -o "
                                                     "$t.bin -binary",
                                                     outputs))
                  .status,
              0);
}

namespace {

// The capacity in bits a part number tells: N Kbit for 2716 ... 27C4096, N Mbit for the numbers
// with a leading 0 (27C010, 29F002, 29F016) or ending in 001 (27C1001), and the 16-bit EPROMs'
// own numbers (27C210/220/240, 27C400/800, 27C160, 27C322).
int64_t BitsOfPartNumber(const std::string& name) {
    static const QRegularExpression part("^(39SF|29F|29C|28F|28C|27C|27|28)([0-9]+)A?$");
    const std::string number = part.match(QString::fromStdString(name)).captured(2).toStdString();
    const int64_t n = std::stoll(number), Kbit = 1024, Mbit = 1024 * 1024;
    if (number.size() == 4 && number.substr(1) == "001")
        return n / 1000 * Mbit;
    if (number[0] == '0')
        return (number.back() == '0' ? n / 10 : n) * Mbit;
    if (number == "210" || number == "220" || number == "240")
        return (number[1] - '0') * Mbit;
    if (number == "400" || number == "800")
        return n / 100 * Mbit;
    if (number == "160" || number == "322")
        return n / 10 * Mbit;
    return n * Kbit;
}

} // namespace

TEST(Layout, ChipTableAgreesWithPartNumbersAndWidths) {
    const std::set<std::string> sixteenBit = {"27C1024", "27C2048", "27C4096", "27C400", "27C800",
                                              "27C160",  "27C322",  "29F400",  "29F800", "29F160"};
    const QString listed = QString::fromStdString(test::RunLine({"chips"}).out);
    std::set<std::string> seen;
    for (const tool::Chip& chip : tool::Chips()) {
        const std::string name(chip.name);
        SCOPED_TRACE(name);
        EXPECT_EQ(chip.busBits, sixteenBit.count(name) ? 16 : 8);
        std::vector<std::string> names = {name};
        names.insert(names.end(), chip.aliases.begin(), chip.aliases.end());
        for (const std::string& other : names) {
            EXPECT_TRUE(seen.insert(other).second) << other << " twice";
            EXPECT_EQ(chip.bytes * 8, BitsOfPartNumber(other)) << other;
            EXPECT_EQ(&tool::FindChip(other), &chip) << other;
        }
        EXPECT_EQ(&tool::FindChip("at" + name + "-15"), &chip);
        // Its line of `chips`: the name, the size in bytes and the organisation in words.
        const QRegularExpression line("^" + QString::fromStdString(name) +
                                          " +(\\d+) +(\\d+)([KM]) x (\\d+) ",
                                      QRegularExpression::MultilineOption);
        const auto fields = line.match(listed);
        ASSERT_TRUE(fields.hasMatch()) << listed.toStdString();
        EXPECT_EQ(fields.captured(1).toLongLong(), chip.bytes);
        EXPECT_EQ(fields.captured(2).toLongLong() *
                      (fields.captured(3) == "M" ? 1 << 20 : 1 << 10) * fields.captured(4).toInt() /
                      8,
                  chip.bytes);
    }
}
