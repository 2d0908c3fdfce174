// LayoutTest.cpp — pad, crop, repeat, chunk and merge against srec_cat on raw and gapped record
// inputs in small blocks, the chip table against its part numbers, and the refusals.
#include "Layout.h"
#include "Chips.h"
#include "TestSupport.h"
#include "support/BlockSize.h"
#include "support/ImageOracle.h"
#include "support/RandomBytes.h"
#include "support/ToolRun.h"

#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace {

QString Number(qint64 n) {
    return QString::number(n);
}

QByteArray Random(qint64 n, unsigned seed) {
    const std::vector<uint8_t> bytes = RandomBytes(n, seed);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), n);
}

// An input of the tests: its lowest address and the span up to its highest.
struct Sample {
    QString path;
    qint64 origin;
    qint64 span;
};

// The inputs every table draws from: raw files, and a HEX file at 0x8000 with two gaps inside
// (a 50-byte and a 600-byte one), which crosses block and chip boundaries.
class Samples {
public:
    Samples() {
        add("a.bin", {dir.write("a.bin", Random(1000, 1)), 0, 1000});
        add("c.bin", {dir.write("c.bin", Random(300, 3)), 0, 300});
        add("k.bin", {dir.write("k.bin", Random(8192, 4)), 0, 8192});
        add("odd.bin", {dir.write("odd.bin", Random(999, 5)), 0, 999});
        add("x@1.bin", {dir.write("x@1.bin", Random(40, 6)), 0, 40});
        add("y@12", {dir.write("y@12", Random(24, 7)), 0, 24});
        add("b.hex",
            {test::WriteRecords(dir, "b.hex", Random(3000, 2), 0x8000, {{100, 150}, {2000, 2600}}),
             0x8000, 3000});
    }
    const Sample& operator[](const QString& name) const { return samples_.at(name); }
    std::string native(const QString& name) const { return dir.native(name); }

    test::ScratchDir dir;

private:
    void add(const QString& name, Sample sample) { samples_.emplace(name, std::move(sample)); }
    std::map<QString, Sample> samples_;
};

std::vector<std::string> Strings(const QStringList& list) {
    std::vector<std::string> strings;
    for (const QString& s : list)
        strings.push_back(s.toStdString());
    return strings;
}

// The tool in process with blocks of 40 bytes, expected to succeed.
void RunInBlocks(const QStringList& args) {
    test::BlockSize blocks(40);
    const test::Outcome run = test::RunLine(Strings(args));
    EXPECT_EQ(run.status, 0) << args.join(' ').toStdString() << "\n" << run.err;
}

bool IsRaw(const QString& path) {
    return test::SrecFormat(path) == "-binary";
}

// srec_cat's input of a sample moved by offset.
QStringList SrecInput(const Sample& sample, qint64 offset = 0) {
    return {sample.path, test::SrecFormat(sample.path), "-offset", Number(offset)};
}

// srec_cat's tail for an output: a raw file starts at address start with its gaps filled up to
// end, as the tool writes it; a record file keeps its addresses and gaps.
QStringList SrecOutput(const QString& path, qint64 start, qint64 end, const QString& fill) {
    QStringList args;
    if (IsRaw(path))
        args << "-fill" << fill << Number(start) << Number(end) << "-offset" << Number(-start);
    return args << "-o" << path << test::SrecFormat(path);
}

} // namespace

TEST(Layout, PadMatchesSrecCatFill) {
    const Samples s;
    struct Case {
        const char* input;
        QStringList options;
        qint64 size;
        const char* fill;
        const char* output;
    };
    const Case cases[] = {
        {"a.bin", {"--size", "4K"}, 4096, "0xFF", "out.bin"},
        {"a.bin", {"--size", "4K", "--fill", "0"}, 4096, "0", "out.hex"},
        {"a.bin", {"--size", "1000"}, 1000, "0xFF", "out.bin"},
        {"b.hex", {"--chip", "27c256"}, 32768, "0xFF", "out.bin"},
        {"b.hex", {"--chip", "M27C4096-10", "--fill", "0x5A"}, 512 * 1024, "0x5A", "out.s37"},
        {"odd.bin", {"--chip", "27C1024"}, 128 * 1024, "0xFF", "out.hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QString("%1 %2 -> %3").arg(c.input, c.options.join(' '), c.output).toStdString());
        const Sample& in = s[c.input];
        const QString ours = s.dir.path(c.output), theirs = s.dir.path(QString("t.") + c.output);
        RunInBlocks(QStringList{"pad"} + c.options + QStringList{in.path, ours});
        // srec_cat fills every hole of the range, the input's gaps as well as the padding.
        test::SrecCat(SrecInput(in) +
                      QStringList{"-fill", c.fill, Number(in.origin), Number(in.origin + c.size)} +
                      SrecOutput(theirs, in.origin, in.origin + c.size, c.fill));
        test::ExpectSameImage(ours, theirs);
    }
}

TEST(Layout, CropMatchesSrecCatCrop) {
    const Samples s;
    struct Case {
        const char* input;
        qint64 start;
        qint64 end;
        QStringList options;
        const char* output;
    };
    const Case cases[] = {
        {"a.bin", 0x100, 0x200, {}, "out.bin"},
        {"a.bin", 0x300, 5000, {}, "out.hex"},
        {"a.bin", 0, 1, {}, "out.s19"},
        // From inside the first gap to inside the second one.
        {"b.hex", 0x8070, 0x8800, {}, "out.hex"},
        {"b.hex", 0x8070, 0x8800, {}, "out.bin"},
        {"b.hex", 0, 0x100000000, {}, "out.bin"},
        {"b.hex", 0, 0x100000000, {}, "out.s28"},
        {"b.hex", 0x8100, 0x8200, {"--base", "0"}, "out.s19"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 %2:%3 -> %4")
                         .arg(c.input, Number(c.start), Number(c.end), c.output)
                         .toStdString());
        const Sample& in = s[c.input];
        const QString ours = s.dir.path(c.output), theirs = s.dir.path(QString("t.") + c.output);
        RunInBlocks(QStringList{"crop"} + c.options +
                    QStringList{Number(c.start) + ":" + Number(c.end), in.path, ours});
        // What is kept lies within the input's span; --base moves it.
        const qint64 start = std::max(c.start, in.origin);
        const qint64 end = std::min(c.end, in.origin + in.span);
        const qint64 moved = c.options.isEmpty() ? 0 : c.options[1].toLongLong() - start;
        test::SrecCat(
            SrecInput(in) +
            QStringList{"-crop", Number(c.start), Number(c.end), "-offset", Number(moved)} +
            SrecOutput(theirs, start + moved, end + moved, "0xFF"));
        test::ExpectSameImage(ours, theirs);
    }
}

TEST(Layout, RepeatMatchesSrecCatCopiesAtOffsets) {
    const Samples s;
    struct Case {
        const char* input;
        QStringList options;
        qint64 size;
        const char* output;
    };
    const Case cases[] = {
        {"a.bin", {"--size", "4000"}, 4000, "out.bin"},
        {"a.bin", {"--size", "1000"}, 1000, "out.s19"},
        {"b.hex", {"--size", "12000"}, 12000, "out.hex"},
        {"b.hex", {"--size", "6000"}, 6000, "out.bin"},
        {"k.bin", {"--chip", "27C256"}, 32768, "out.bin"},
        {"k.bin", {"--chip", "27C1024", "--base", "0x10000"}, 128 * 1024, "out.s28"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QString("%1 %2 -> %3").arg(c.input, c.options.join(' '), c.output).toStdString());
        const Sample& in = s[c.input];
        const QString ours = s.dir.path(c.output), theirs = s.dir.path(QString("t.") + c.output);
        RunInBlocks(QStringList{"repeat"} + c.options + QStringList{in.path, ours});
        const qint64 base =
            c.options.contains("--base") ? c.options.last().toLongLong(nullptr, 0) : in.origin;
        QStringList copies = {"("};
        for (qint64 at = 0; at < c.size; at += in.span)
            copies += SrecInput(in, base - in.origin + at);
        test::SrecCat(copies + QStringList{")"} + SrecOutput(theirs, base, base + c.size, "0xFF"));
        test::ExpectSameImage(ours, theirs);
    }
}

TEST(Layout, ChunkPiecesMatchSrecCatCropsAndNoMore) {
    const Samples s;
    struct Case {
        const char* input;
        QStringList options;
        qint64 piece;
        std::optional<int> pad;
        qint64 base;
        const char* prefix;
    };
    const Case cases[] = {
        {"a.bin", {"--size", "256"}, 256, std::nullopt, 0, "p.bin"},
        {"a.bin", {"--size", "256", "--pad", "0xEE"}, 256, 0xEE, 0, "p.s19"},
        {"a.bin", {"--size", "1000"}, 1000, std::nullopt, 0, "p.hex"},
        {"b.hex", {"--chip", "2716"}, 2048, std::nullopt, 0, "p.hex"},
        {"b.hex", {"--chip", "2716"}, 2048, std::nullopt, 0, "p.bin"},
        {"b.hex", {"--size", "1K", "--base", "0x4000"}, 1024, std::nullopt, 0x4000, "p.s28"},
        {"odd.bin", {"--chip", "27C1024", "--pad", "0"}, 128 * 1024, 0, 0, "p.bin"},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QString("%1 %2 -> %3").arg(c.input, c.options.join(' '), c.prefix).toStdString());
        const Sample& in = s[c.input];
        const QString prefix = s.dir.path(QString("r%1.").arg(++round) + c.prefix);
        RunInBlocks(QStringList{"chunk"} + c.options + QStringList{in.path, prefix});
        qint64 k = 0;
        for (; k * c.piece < in.span; ++k) {
            const qint64 from = k * c.piece, to = std::min(in.span, from + c.piece);
            const QString ours = prefix + "." + Number(k);
            const QString theirs = s.dir.path(QString("t%1.").arg(k) + c.prefix);
            const qint64 base = IsRaw(prefix) ? 0 : c.base;
            QStringList args = SrecInput(in);
            args << "-crop" << Number(in.origin + from) << Number(in.origin + to) << "-offset"
                 << Number(base - in.origin - from);
            if (c.pad && to - from < c.piece)
                args << "-fill" << Number(*c.pad) << Number(base + to - from)
                     << Number(base + c.piece);
            test::SrecCat(args + SrecOutput(theirs, base, base + (to - from), "0xFF"));
            test::ExpectSameImage(ours, theirs);
        }
        EXPECT_FALSE(QFile::exists(prefix + "." + Number(k)));
    }
}

TEST(Layout, MergeMatchesSrecCatConcatenation) {
    const Samples s;
    struct Part {
        const char* input;
        std::optional<qint64> at;
    };
    struct Case {
        std::vector<Part> parts;
        const char* overlap;
        const char* output;
    };
    const Case cases[] = {
        {{{"a.bin", {}}, {"c.bin", 0x1000}}, nullptr, "out.bin"},
        {{{"b.hex", {}}, {"a.bin", 0x9000}}, nullptr, "out.hex"},
        {{{"b.hex", 0x100}, {"c.bin", 0x2000}}, nullptr, "out.s37"},
        {{{"c.bin", 0x10000}, {"b.hex", {}}}, nullptr, "out.bin"},
        // A record output skips the 3.75 GiB between them.
        {{{"b.hex", 0xF0000000}, {"c.bin", {}}}, nullptr, "out.hex"},
        {{{"a.bin", {}}, {"c.bin", 0x300}}, "first", "out.bin"},
        {{{"a.bin", {}}, {"c.bin", 0x300}}, "last", "out.bin"},
        // b's gaps let the inputs below show through.
        {{{"a.bin", {}}, {"c.bin", 0x300}, {"b.hex", 0x0}}, "last", "out.hex"},
        {{{"b.hex", 0x0}, {"a.bin", {}}, {"c.bin", 0x300}}, "first", "out.bin"},
        {{{"x@1.bin", {}}, {"y@12", 0x4000}, {"a.bin", 0x2000}}, nullptr, "out.s19"},
    };
    for (const Case& c : cases) {
        QStringList args = {"merge"};
        if (c.overlap)
            args << "--overlap" << c.overlap;
        // Each part as srec_cat reads it at its place, then the lowest and highest address.
        std::vector<QStringList> placed;
        qint64 low = INT64_MAX, high = 0;
        for (const Part& part : c.parts) {
            const Sample& in = s[part.input];
            args << in.path + (part.at ? "@" + Number(*part.at) : "");
            const qint64 at = part.at.value_or(in.origin);
            placed.push_back(SrecInput(in, at - in.origin));
            low = std::min(low, at);
            high = std::max(high, at + in.span);
        }
        SCOPED_TRACE(args.join(' ').toStdString());
        const QString ours = s.dir.path(c.output), theirs = s.dir.path(QString("t.") + c.output);
        RunInBlocks(args << ours);
        // A part loses the addresses of the parts that win over it, one exclusion at a time
        // (srec_cat reads two -exclude filters in a row as one range expression).
        QStringList srec = {"("};
        for (size_t i = 0; i < placed.size(); ++i) {
            QStringList part = placed[i];
            for (size_t j = 0; j < placed.size(); ++j)
                if (c.overlap && (QString(c.overlap) == "first" ? j < i : j > i))
                    part = QStringList{"("} + part + QStringList{")", "-exclude", "-within", "("} +
                           placed[j] + QStringList{")"};
            srec << "(" << part << ")";
        }
        test::SrecCat(srec + QStringList{")"} + SrecOutput(theirs, low, high, "0xFF"));
        test::ExpectSameImage(ours, theirs);
    }
}

namespace {

// The capacity in bits a part number tells: N Kbit for 2716 ... 27C4096, N Mbit for the numbers
// with a leading 0 (27C010, 29F002, 29F016) or ending in 001 (27C1001), and the 16-bit EPROMs'
// own numbers (27C210/220/240, 27C400/800, 27C160, 27C322).
int64_t BitsOfPartNumber(std::string name) {
    if (name.back() == 'A')
        name.pop_back();
    std::string number;
    for (const char* family : {"39SF", "29F", "29C", "28F", "28C", "27C", "27", "28"})
        if (name.rfind(family, 0) == 0) {
            number = name.substr(std::string(family).size());
            break;
        }
    const int64_t n = std::stoll(number);
    constexpr int64_t Kbit = 1024, Mbit = 1024 * 1024;
    if (number.size() == 4 && number.substr(1) == "001")
        return (n / 1000) * Mbit;
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
    const test::Outcome listed = test::RunLine({"chips"});
    ASSERT_EQ(listed.status, 0);
    std::set<std::string> seen;
    for (const tool::Chip& chip : tool::Chips()) {
        const std::string name(chip.name);
        SCOPED_TRACE(name);
        EXPECT_EQ(chip.bytes * 8, BitsOfPartNumber(name));
        EXPECT_EQ(chip.busBits, sixteenBit.count(name) ? 16 : 8);
        EXPECT_TRUE(seen.insert(name).second);
        for (std::string_view alias : chip.aliases) {
            EXPECT_EQ(chip.bytes * 8, BitsOfPartNumber(std::string(alias))) << alias;
            EXPECT_TRUE(seen.insert(std::string(alias)).second) << alias;
            EXPECT_EQ(&tool::FindChip(std::string(alias)), &chip);
        }
        // Names are found in any case, with a maker's prefix and a speed grade.
        std::string lower = name;
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(&tool::FindChip(lower), &chip);
        EXPECT_EQ(&tool::FindChip("AT" + name + "-15"), &chip);
        // The organisation reads back as the size: "64K x 8", "2M x 16".
        int64_t words = 0;
        char unit = 0;
        int width = 0;
        ASSERT_EQ(std::sscanf(chip.organisation().c_str(), "%lld%c x %d",
                              reinterpret_cast<long long*>(&words), &unit, &width),
                  3);
        EXPECT_EQ(words * (unit == 'M' ? 1 << 20 : 1 << 10) * width / 8, chip.bytes);
        // Its line of `chips` gives the size in bytes after the name.
        const size_t line = listed.out.find("\n" + name + " ");
        ASSERT_NE(line, std::string::npos);
        std::istringstream fields(listed.out.substr(line + 1, listed.out.find('\n', line + 1)));
        std::string listedName;
        int64_t listedBytes = 0;
        fields >> listedName >> listedBytes;
        EXPECT_EQ(listedBytes, chip.bytes);
    }
}

TEST(Layout, RefusalsNameWhatIsWrongAndWriteNothing) {
    const Samples s;
    const std::string a = s.native("a.bin"), c = s.native("c.bin"), out = s.native("out.bin");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> said;
    };
    using tool::AddressText;
    const Case cases[] = {
        {{"pad", "--size", "512", a, out}, 3, {"a.bin", "1000 bytes", "512 bytes"}},
        {{"pad", "--chip", "2716", s.native("k.bin"), out}, 3, {"8192 bytes", "2048", "2716"}},
        {{"pad", "--chip", "27C999", a, out}, 1, {"27C999", "27C512", "27C4096", "39SF040"}},
        {{"pad", "--size", "1K", "--chip", "2716", a, out}, 1, {"--size or --chip"}},
        {{"repeat", a, out}, 1, {"--size or --chip"}},
        {{"repeat", "--size", "2500", a, out}, 3, {"a.bin", "2500", "1000"}},
        {{"repeat", "--size", "512", a, out}, 3, {"1000 bytes", "512 bytes"}},
        {{"repeat", "--chip", "27C4096", s.native("odd.bin"), out},
         3,
         {"999", "16-bit", "27C4096"}},
        {{"chunk", "--chip", "27C1024", s.native("odd.bin"), out}, 3, {"999", "16-bit"}},
        {{"chunk", "--size", "1", a, out}, 3, {"1000 pieces", "512"}},
        {{"chunk", "--size", "100", a, "-"}, 1, {"PREFIX"}},
        {{"chunk", "--size", "0", a, out}, 1, {"--size"}},
        {{"crop", "0x2000:0x3000", a, out},
         3,
         {"a.bin", AddressText(0) + " to " + AddressText(999)}},
        {{"crop", "0x200:0x100", a, out}, 1, {"0x200:0x100"}},
        {{"merge", a, c + "@0x300", out},
         3,
         {"a.bin and " + c, AddressText(0x300) + " to " + AddressText(1000 - 1), "--overlap"}},
        {{"merge", s.native("b.hex"), a + "@0x8BB7", out},
         3,
         {"b.hex and " + a, AddressText(0x8BB7) + " to " + AddressText(0x8BB7)}},
        {{"merge", "--overlap", "middle", a, c + "@0x300", out}, 1, {"first, last"}},
        {{"merge", a + "@0xFFFFFF00", out}, 3, {"a.bin", "0xFFFFFFFF"}},
        {{"merge", a + "@0x100000000", out}, 1, {"0x100000000"}},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const test::Outcome run = test::RunLine(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        for (const std::string& part : c.said)
            EXPECT_NE(run.err.find(part), std::string::npos) << part << " not in " << run.err;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(out + ".0")));
    }
    // srec_cat refuses the overlapping merge too.
    const test::Outcome theirs =
        test::Start("srec_cat", {s["a.bin"].path, "-binary", s["c.bin"].path, "-binary", "-offset",
                                 "0x300", "-o", s.dir.path("t.bin"), "-binary"});
    EXPECT_NE(theirs.status, 0);
}
