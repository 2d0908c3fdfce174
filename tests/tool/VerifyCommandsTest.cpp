// VerifyCommandsTest.cpp — compare against cmp -l (raw files) and srec_cmp (HEX and S-record
// files); checksum and sum --algorithm against srec_cat, Python's zlib and binascii and the
// bit-by-bit CRC; bad arguments and inputs through the exit status.
#include "CrcCatalogue.h"
#include "TestSupport.h"
#include "ToolFiles.h"
#include "support/CompareReference.h"
#include "support/CrcReference.h"
#include "support/RandomBytes.h"
#include "support/ToolRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <bit>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace tool;

namespace {

QString Number(int64_t n) {
    return QString::number(n);
}

// Inclusive address ranges by kind (changed, onlyInA, onlyInB), neighbours joined.
using Ranges = std::map<QString, std::vector<std::pair<int64_t, int64_t>>>;

void Add(Ranges& ranges, const QString& kind, int64_t from, int64_t to) {
    auto& list = ranges[kind];
    if (!list.empty() && list.back().second + 1 == from)
        list.back().second = to;
    else
        list.emplace_back(from, to);
}

// cmp -l: "offset (from 1) byteA byteB" in octal per changed byte; past the shorter file the
// longer one's bytes are its own. The bits to erase and the first difference come from the bytes.
Ranges FromCmp(const std::string& out, int64_t sizeA, int64_t sizeB, int64_t* eraseBits,
               QJsonObject* first) {
    Ranges ranges;
    for (const QString& line : QString::fromStdString(out).split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        const int64_t at = f[0].toLongLong() - 1;
        const int a = f[1].toInt(nullptr, 8), b = f[2].toInt(nullptr, 8);
        *eraseBits += std::popcount(static_cast<unsigned>(~a & b & 0xFF));
        if (first->isEmpty())
            *first = {{"address", static_cast<qint64>(at)}, {"a", a}, {"b", b}};
        Add(ranges, "changed", at, at);
    }
    if (sizeA != sizeB)
        Add(ranges, sizeA > sizeB ? "onlyInA" : "onlyInB", std::min(sizeA, sizeB),
            std::max(sizeA, sizeB) - 1);
    return ranges;
}

// srec_cmp -v: "Different:", "Left only:", "Right only:", each followed by addresses and
// inclusive ranges "0x64 - 0x6d".
Ranges FromSrecCmp(const std::string& out) {
    Ranges ranges;
    const QString report = QString::fromStdString(out);
    for (const auto& [label, kind] : {std::pair{"Different:", "changed"},
                                      {"Left only:", "onlyInA"},
                                      {"Right only:", "onlyInB"}}) {
        const qsizetype at = report.indexOf(label);
        const QString section =
            at < 0 ? QString() : report.mid(at).section(QRegularExpression("\n(?=\\S)"), 0, 0);
        QRegularExpression item("0x([0-9a-fA-F]+)(?: - 0x([0-9a-fA-F]+))?");
        for (const auto& m : item.globalMatch(section)) {
            const int64_t from = m.captured(1).toLongLong(nullptr, 16);
            Add(ranges, kind, from,
                m.captured(2).isEmpty() ? from : m.captured(2).toLongLong(nullptr, 16));
        }
    }
    return ranges;
}

} // namespace

TEST(VerifyOracle, CompareAgreesWithCmpAndSrecCmp) {
    test::ScratchDir dir;
    const auto a = RandomBytes(300001, 1);
    auto file = [&](const char* name, const std::vector<uint8_t>& bytes) {
        return dir.write(name, test::AsQt(bytes));
    };
    const QString fileA = file("a.bin", a), same = file("same.bin", a),
                  onePercent = file("b.bin", test::Changed(a, 0.01, a.size(), 2)),
                  all = file("all.bin", test::Changed(a, 1, 4099, 3)),
                  longer = file("longer.bin", test::Changed(a, 0.001, a.size() + 17, 4)),
                  shorter = file("shorter.bin", test::Changed(a, 0, 65536, 5)),
                  empty = file("empty.bin", {});
    // A at 0x8000 without 0x8100..0x8180; B at 0x8000 without 0x8010..0x8012 and from 0x8A00.
    const QString hexA = dir.path("a.hex"), srecB = dir.path("b.s19");
    test::Oracle("srec_cat", {fileA, "-binary", "-crop", "0", "3000", "-offset", "0x8000",
                              "-exclude", "0x8100", "0x8180", "-o", hexA, "-intel"});
    test::Oracle("srec_cat", {onePercent, "-binary", "-crop", "0", "2560", "-offset", "0x8000",
                              "-exclude", "0x8010", "0x8012", "-o", srecB, "-motorola"});
    struct Case {
        const char* name;
        QStringList ours;
        QStringList srecCmp; // empty: cmp -l with the last two of ours
    };
    // clang-format off
    const Case cases[] = {
        {"equal", {fileA, same}, {}},
        {"one percent differs", {fileA, onePercent}, {}},
        {"all differ, B longer", {all, fileA}, {}},
        {"B longer", {fileA, longer}, {}},
        {"A longer", {fileA, shorter}, {}},
        {"A empty", {empty, shorter}, {}},
        {"HEX and S-records", {hexA, srecB}, {hexA, "-intel", srecB, "-motorola"}},
        {"HEX and raw at --base", {"--base", "0x8000", hexA, onePercent},
         {hexA, "-intel", onePercent, "-binary", "-offset", "0x8000"}},
        {"raw at --base and HEX", {"--base", "0x7FF0", fileA, hexA},
         {fileA, "-binary", "-offset", "0x7FF0", hexA, "-intel"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::Outcome ours =
            test::Tool(QStringList{"compare", "--json", "--max", "1000000"} + c.ours);
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(ours.out)).object();
        int64_t eraseBits = 0;
        QJsonObject first;
        const QString fa = c.ours[c.ours.size() - 2], fb = c.ours.back();
        const test::Outcome oracle = c.srecCmp.isEmpty()
                                         ? test::Start("cmp", {"-l", fa, fb})
                                         : test::Start("srec_cmp", c.srecCmp + QStringList{"-v"});
        const Ranges expected = c.srecCmp.isEmpty() ? FromCmp(oracle.out, QFile(fa).size(),
                                                              QFile(fb).size(), &eraseBits, &first)
                                                    : FromSrecCmp(oracle.out);
        EXPECT_EQ(ours.status, oracle.status == 0 ? 0 : ExitDifferent) << ours.err;
        Ranges got;
        int64_t firstAddress = INT64_MAX;
        std::map<QString, int64_t> bytes;
        for (const QJsonValue& r : o["ranges"].toArray())
            Add(got, r["kind"].toString(), r["address"].toInteger(),
                r["address"].toInteger() + r["length"].toInteger() - 1);
        for (const auto& [kind, list] : expected)
            for (const auto& [from, to] : list) {
                bytes[kind] += to - from + 1;
                firstAddress = std::min(firstAddress, from);
            }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(o["changed"].toInteger(), bytes["changed"]);
        EXPECT_EQ(o["onlyInA"].toInteger(), bytes["onlyInA"]);
        EXPECT_EQ(o["onlyInB"].toInteger(), bytes["onlyInB"]);
        EXPECT_EQ(o["sizeDifference"].toInteger(), bytes["onlyInB"] - bytes["onlyInA"]);
        EXPECT_EQ(o["first"]["address"].toInteger(firstAddress == INT64_MAX ? -1 : firstAddress),
                  firstAddress == INT64_MAX ? -1 : firstAddress);
        if (c.srecCmp.isEmpty()) {
            EXPECT_EQ(o["eraseBits"].toInteger(), eraseBits);
            if (!first.isEmpty() && first["address"] == o["first"]["address"]) {
                EXPECT_EQ(o["first"]["a"].toInteger(), first["a"].toInteger());
                EXPECT_EQ(o["first"]["b"].toInteger(), first["b"].toInteger());
            }
        }
        // The text report: the same count, and --max 2 lists two ranges and counts the rest.
        const std::string text = test::Tool(QStringList{"compare", "--max", "2"} + c.ours).out;
        const int64_t differing = bytes["changed"] + bytes["onlyInA"] + bytes["onlyInB"];
        const int64_t more = o["rangeCount"].toInteger() - 2;
        EXPECT_NE(text.find("differing bytes: " + std::to_string(differing)), std::string::npos);
        EXPECT_EQ(text.find("... " + std::to_string(more) + " more") != std::string::npos, more > 0)
            << text;
    }
}

namespace {

// The bytes of a checksum's value over image[from, to) as written, from an oracle.
using ValueOracle = std::function<QByteArray(const QString& image, int64_t from, int64_t to)>;

struct Step {
    QString algorithm; // the options from --algorithm on, space-separated
    int64_t from, to, at;
    bool big;
    ValueOracle oracle;
};

QByteArray Encode(uint64_t value, int64_t bytes, bool big) {
    QByteArray b(bytes, '\0');
    for (qsizetype k = 0; k < bytes; ++k)
        b[big ? bytes - 1 - k : k] = static_cast<char>(value >> (8 * k));
    return b;
}

// srec_cat's filter, its value placed right after the range and cut out.
ValueOracle SrecCat(const QString& filter, int bytes) {
    return [=](const QString& image, int64_t from, int64_t to) {
        const QString value = image + ".value";
        const QStringList f = filter.split(' ');
        test::Oracle("srec_cat", QStringList{image, "-binary", "-crop", Number(from), Number(to),
                                             f[0], Number(to)} +
                                     f.mid(1) +
                                     QStringList{"-crop", Number(to), Number(to + bytes), "-offset",
                                                 Number(-to), "-o", value, "-binary"});
        return test::ReadAll(value);
    };
}

// A Python expression of the bytes d.
ValueOracle Python(const QString& expression, int bytes, bool big) {
    return [=](const QString& image, int64_t from, int64_t to) {
        const QString code = "import zlib, binascii, sys; d = open(sys.argv[1], 'rb').read()[" +
                             Number(from) + ":" + Number(to) + "]; print(" + expression + ")";
        return Encode(std::stoull(test::Oracle("python3", {"-c", code, image})), bytes, big);
    };
}

ValueOracle Reference(const CrcParameters& p, bool big) {
    return [=](const QString& image, int64_t from, int64_t to) {
        const QByteArray d = test::ReadAll(image).mid(from, to - from);
        return Encode(test::ReferenceCrc(p, reinterpret_cast<const uint8_t*>(d.data()),
                                         static_cast<size_t>(d.size())),
                      (p.width + 7) / 8, big);
    };
}

} // namespace

TEST(VerifyOracle, ChecksumAndSumAgreeWithSrecCatPythonAndTheReference) {
    const CrcParameters openPgp{"", 24, 0x864CFB, 0xB704CE, false, false, 0, 0};
    const CrcParameters arc1234{"", 16, 0x8005, 0x1234, true, true, 0, 0};
    struct Case {
        const char* name;
        bool hex; // the HEX image: 5000 bytes at 0x1000 without 0x1100..0x1180, 0x2000..0x2010
        QStringList more;
        std::vector<Step> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"CRC-32 after the range", false, {}, {{"CRC-32", 0, 4996, 4996, false, SrecCat("-crc32-l-e", 4)}}},
        {"CRC-32 big endian first", false, {}, {{"crc-32", 16, 4000, 0, true, SrecCat("-crc32-b-e", 4)}}},
        {"CRC-16/XMODEM", false, {}, {{"crc-16/xmodem", 1, 4001, 4998, true, SrecCat("-crc16-b-e -xmodem", 2)}}},
        {"CRC-16/CCITT-FALSE", false, {}, {{"CRC-16/CCITT-FALSE", 0, 4998, 4998, false,
                                            Python("binascii.crc_hqx(d, 0xFFFF)", 2, false)}}},
        {"CRC-32C", false, {}, {{"CRC-32C", 100, 4100, 8, false, Reference(*FindCrc("CRC-32C"), false)}}},
        {"CRC-32/MPEG-2", false, {}, {{"CRC-32/MPEG-2", 0, 3333, 4000, true, Reference(*FindCrc("CRC-32/MPEG-2"), true)}}},
        {"CRC-16/ARC, MODBUS", false, {}, {{"CRC-16/ARC", 0, 4000, 4000, false, Reference(*FindCrc("CRC-16/ARC"), false)},
                                          {"CRC-16/MODBUS", 0, 4000, 4002, false, Reference(*FindCrc("CRC-16/MODBUS"), false)}}},
        {"custom CRCs", false, {}, {{"crc --width 24 --poly 0x864CFB --init 0xB704CE", 10, 4010, 4500, true, Reference(openPgp, true)},
                                   {"crc-16/arc --init 0x1234", 0, 4500, 4600, false, Reference(arc1234, false)}}},
        {"byte sums", false, {}, {{"sum8", 0, 4000, 4000, false, SrecCat("-checksum-positive-l-e 1 1", 1)},
                                 {"sum16-ones", 0, 4000, 4001, true, SrecCat("-checksum-bitnot-b-e 2 1", 2)},
                                 {"SUM32-twos", 0, 4000, 4003, false, SrecCat("-checksum-negative-l-e 4 1", 4)}}},
        {"word sums", false, {}, {{"wsum16be", 2, 4002, 4002, true, SrecCat("-checksum-positive-b-e 2 2", 2)},
                                 {"wsum32le-twos", 0, 4000, 4004, false, SrecCat("-checksum-negative-l-e 4 4", 4)},
                                 {"wsum16le-ones", 8, 4008, 4010, false, SrecCat("-checksum-bitnot-l-e 2 2", 2)}}},
        // A sum over everything, the CRC and the sum's own old byte included.
        {"a sum over a CRC", false, {}, {{"crc-32", 0, 4992, 4992, false, SrecCat("-crc32-l-e", 4)},
                                        {"sum8-twos", 0, 5000, 4999, false, Python("-sum(d) & 0xFF", 1, false)}}},
        {"HEX gaps as the fill byte", true, {}, {{"crc-32", 0x1000, 0x2100, 0x2100, false, SrecCat("-crc32-l-e", 4)},
                                                {"sum16", 0x1080, 0x2080, 0x2008, false, SrecCat("-checksum-positive-l-e 2 1", 2)}}},
        {"HEX gaps with --fill 0", true, {"--fill", "0"}, {{"crc-32", 0x1000, 0x2388, 0x2384, true, SrecCat("-crc32-b-e", 4)}}},
    };
    // clang-format on
    test::ScratchDir dir;
    const QString raw = dir.write("in.bin", test::AsQt(RandomBytes(5000, 21)));
    test::Oracle("srec_cat", {raw, "-binary", "-offset", "0x1000", "-exclude", "0x1100", "0x1180",
                              "-exclude", "0x2000", "0x2010", "-o", dir.path("in.hex"), "-intel"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t origin = c.hex ? 0x1000 : 0;
        const QString in = c.hex ? dir.path("in.hex") : raw;
        // The image the checksums start from, its gaps filled by srec_cat, then each value
        // written into it in turn.
        const QString image = dir.path("expected.bin");
        test::Oracle("srec_cat",
                     {in, c.hex ? "-intel" : "-binary", "-fill",
                      c.more.isEmpty() ? "0xFF" : c.more[1], Number(origin), Number(origin + 5000),
                      "-offset", Number(-origin), "-o", image, "-binary"});
        QStringList ours = QStringList{"checksum"} + c.more;
        for (const Step& step : c.steps) {
            const QStringList algorithm = QStringList{"--algorithm"} + step.algorithm.split(' ');
            const QString range = Number(step.from) + ":" + Number(step.to);
            ours +=
                algorithm + QStringList{"--range",       range,     "--at",
                                        Number(step.at), "--order", step.big ? "big" : "little"};
            const QByteArray value = step.oracle(image, step.from - origin, step.to - origin);
            // sum --algorithm prints the first step's value (later ones see earlier values).
            if (&step == &c.steps.front()) {
                const test::Outcome sum = test::Tool(QStringList{"sum", "--range", range} + c.more +
                                                     algorithm + QStringList{in});
                EXPECT_EQ(sum.out.size(), static_cast<size_t>(2 * value.size() + 1)) << sum.err;
                EXPECT_EQ(Encode(std::stoull(sum.out, nullptr, 16), value.size(), step.big), value);
            }
            QByteArray bytes = test::ReadAll(image);
            dir.write("expected.bin", bytes.replace(step.at - origin, value.size(), value));
        }
        const test::Outcome f = test::Tool(ours + QStringList{in, dir.path("out.bin")});
        ASSERT_EQ(f.status, 0) << f.err;
        EXPECT_EQ(test::ReadAll(dir.path("out.bin")), test::ReadAll(image));
    }
}

TEST(VerifyOracle, ChecksumKeepsHexGapsAndMakesItsValueData) {
    test::ScratchDir dir;
    const QString raw = dir.write("in.bin", test::AsQt(RandomBytes(600, 2)));
    const QString in = dir.path("in.hex"), expected = dir.path("expected.hex");
    test::Oracle("srec_cat", {raw, "-binary", "-offset", "0x400", "-exclude", "0x500", "0x580",
                              "-o", in, "-intel"});
    const test::Outcome f = test::Tool({"checksum", "--algorithm", "crc-32", "--range",
                                        "0x400:0x500", "--at", "0x540", in, dir.path("out.hex")});
    ASSERT_EQ(f.status, 0) << f.err;
    test::Oracle("srec_cat",
                 {in, "-intel", "(", in, "-intel", "-crop", "0x400", "0x500", "-crc32-l-e", "0x540",
                  "-crop", "0x540", "0x544", ")", "-o", expected, "-intel"});
    EXPECT_EQ(test::Start("srec_cmp", {dir.path("out.hex"), "-intel", expected, "-intel"}).status,
              0);
}

TEST(VerifyCommands, RefuseBadArgumentsAndInputsAndWriteNothing) {
    test::ScratchDir dir;
    const std::string in = dir.native("in.bin"), out = dir.native("out.bin");
    dir.write("in.bin", QByteArray(256, 'x'));
    dir.write("bad.hex", ":0300000001\n");
    // clang-format off
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"checksum", "--algorithm", "crc-32", "--at", "253", in, out}, ExitBadData},
        {{"checksum", "--algorithm", "sum8", "--range", "0:257", "--at", "0", in, out}, ExitBadData},
        {{"checksum", "--base", "0x100", "--algorithm", "sum8", "--at", "0", in, out}, ExitBadData},
        {{"checksum", "--at", "0", "--algorithm", "sum8", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "sum8", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "sum64", "--at", "0", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "crc", "--width", "16", "--at", "0", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "crc", "--width", "16", "--poly", "0x11021", "--at", "0", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "crc-32", "--refin", "yes", "--at", "0", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "sum8", "--poly", "7", "--at", "0", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "sum8", "--at", "0", "--at", "1", in, out}, ExitUsage},
        {{"checksum", "--algorithm", "sum8", "--at", "0", "--order", "middle", in, out}, ExitUsage},
        {{"sum", "--range", "0:300", in}, ExitBadData},
        {{"sum", "--poly", "7", in}, ExitUsage},
        {{"compare", "--max", "x", in, in}, ExitUsage},
        {{"compare", in}, ExitUsage},
        {{"compare", in, dir.native("missing.bin")}, ExitFileError},
        {{"compare", dir.native("bad.hex"), in}, ExitBadData},
    };
    // clang-format on
    for (const auto& c : cases) {
        const test::Outcome f = test::RunLine(c.args);
        EXPECT_EQ(f.status, c.status) << f.err;
        EXPECT_EQ(f.err.rfind("vornex-tool: ", 0), 0u) << f.err;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(out))) << f.err;
    }
}
