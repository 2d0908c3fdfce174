// ImageFormatsTest.cpp — Intel HEX and S-record round trips, gap filling, record errors, and the
// sparse image read from records in any order against a plain model.
#include "ImageFormats.h"
#include "support/RandomBytes.h"
#include "support/RecordText.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace tool;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Hex8(int64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}

struct RoundTrip {
    const char* name;
    FormatChoice format;
    int64_t origin;
    int64_t size;
    // A record kind the file must contain for these addresses.
    const char* mustContain;
};

const RoundTrip RoundTrips[] = {
    {"Hex8", {FileFormat::IntelHex, 0}, 0x0000, 0x10000, ":10FFF000"},
    {"Hex16Segments", {FileFormat::IntelHex, 16}, 0xFFF8, 0x20, ":020000021000EC"},
    {"Hex32Linear", {FileFormat::IntelHex, 0}, 0x12345678, 1000, ":020000041234B4"},
    {"HexOddTail", {FileFormat::IntelHex, 32}, 0x1FFFF, 3, ":01FFFF00"},
    {"S1", {FileFormat::SRecord, 0}, 0x0100, 999, "S9030000FC"},
    {"S2", {FileFormat::SRecord, 0}, 0xFFFF0, 40, "S804000000FB"},
    {"S3", {FileFormat::SRecord, 0}, 0xFF000000, 33, "S70500000000FA"},
    {"S3Forced", {FileFormat::SRecord, 3}, 0, 17, "S3150000000"},
    {"Empty", {FileFormat::SRecord, 1}, 0, 0, "S5030000FC"},
};

} // namespace

TEST(ImageFormats, WrittenFilesReadBackWithTheirAddresses) {
    for (const RoundTrip& c : RoundTrips) {
        SCOPED_TRACE(c.name);
        AddressedImage image{c.origin, RandomBytes(c.size, static_cast<unsigned>(c.size)), {}};
        const std::string text = WriteImage(image, c.format);
        EXPECT_NE(text.find(c.mustContain), std::string::npos) << text.substr(0, 400);
        const AddressedImage back = ParseImage(text, c.format.format, 0x00);
        EXPECT_EQ(back.bytes, image.bytes);
        if (!image.bytes.empty()) {
            EXPECT_EQ(back.origin, image.origin);
        }
        for (const std::string& line : Lines(text))
            EXPECT_LE(line.size(), 2u + 2 * (1 + 4 + 16 + 1)) << line;
    }
}

TEST(ImageFormats, EntryAddressSurvivesEveryRecordKind) {
    for (FormatChoice format :
         {FormatChoice{FileFormat::IntelHex, 16}, FormatChoice{FileFormat::IntelHex, 32},
          FormatChoice{FileFormat::SRecord, 2}}) {
        AddressedImage image{0x8000, RandomBytes(100, 3), 0x8123};
        EXPECT_EQ(ParseImage(WriteImage(image, format), format.format, 0).entry, 0x8123u);
    }
}

TEST(ImageFormats, GapsBetweenRecordsTakeTheFillByte) {
    // Two blocks written separately and joined into one file: the reader must place both and fill
    // the hole between them, whatever the order of the records.
    const AddressedImage high{0x30010, RandomBytes(20, 1), {}};
    const AddressedImage low{0x2FFF0, RandomBytes(7, 2), {}};
    std::vector<uint8_t> model(0x30010 + 20 - 0x2FFF0, 0x5A);
    std::copy(low.bytes.begin(), low.bytes.end(), model.begin());
    std::copy(high.bytes.begin(), high.bytes.end(), model.begin() + 0x20);

    for (FileFormat format : {FileFormat::IntelHex, FileFormat::SRecord}) {
        const int records = format == FileFormat::IntelHex ? 32 : 2;
        auto first = Lines(WriteImage(high, {format, records}));
        first.pop_back();
        std::vector<std::string> joined;
        for (const auto& l : first)
            if (l.rfind("S0", 0) != 0 && l.rfind("S5", 0) != 0)
                joined.push_back(l);
        for (const auto& l : Lines(WriteImage(low, {format, records})))
            if (l.rfind("S5", 0) != 0)
                joined.push_back(l);
        const AddressedImage image = ParseImage(Join(joined), format, 0x5A);
        EXPECT_EQ(image.origin, 0x2FFF0);
        EXPECT_EQ(image.bytes, model);
    }
}

TEST(ImageFormats, MalformedRecordsReportTheirLine) {
    const AddressedImage image{0x10000, RandomBytes(100, 9), {}};
    struct Damage {
        const char* name;
        FileFormat format;
        std::function<void(std::string&)> apply;
        const char* message;
    };
    const Damage damages[] = {
        {"HexChecksum", FileFormat::IntelHex,
         [](std::string& l) { l.back() = l.back() == '0' ? '1' : '0'; }, "bad checksum"},
        {"HexData", FileFormat::IntelHex, [](std::string& l) { l[12] = l[12] == 'A' ? 'B' : 'A'; },
         "bad checksum"},
        {"HexDigit", FileFormat::IntelHex, [](std::string& l) { l[10] = 'G'; }, "hex digit"},
        {"HexLength", FileFormat::IntelHex, [](std::string& l) { l.erase(11, 2); }, "length"},
        {"SrecChecksum", FileFormat::SRecord,
         [](std::string& l) { l.back() = l.back() == '0' ? '1' : '0'; }, "bad checksum"},
        {"SrecType", FileFormat::SRecord, [](std::string& l) { l[1] = '4'; }, "S4"},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        auto lines =
            Lines(WriteImage(image, {d.format, d.format == FileFormat::IntelHex ? 32 : 3}));
        constexpr int64_t Broken = 4;
        d.apply(lines[Broken - 1]);
        try {
            ParseImage(Join(lines), d.format, 0xFF);
            ADD_FAILURE() << "no error";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.Line, Broken);
            EXPECT_NE(std::string(e.what()).find("line 4: "), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(d.message), std::string::npos) << e.what();
        }
    }
}

TEST(ImageFormats, WholeFileErrors) {
    const AddressedImage image{0, RandomBytes(40, 4), {}};
    auto hex = Lines(WriteImage(image, {FileFormat::IntelHex, 8}));
    hex.pop_back();
    EXPECT_THROW(ParseIntelHex(Join(hex), 0xFF), FormatError) << "no end record";

    auto srec = Lines(WriteImage(image, {FileFormat::SRecord, 1}));
    srec.erase(srec.begin() + 1);
    EXPECT_THROW(ParseSRecord(Join(srec), 0xFF), FormatError) << "count record disagrees";

    // Two records giving one address different bytes.
    AddressedImage changed = image;
    changed.bytes[5] ^= 1;
    auto both = Lines(WriteImage(image, {FileFormat::IntelHex, 8}));
    both.pop_back();
    for (const auto& l : Lines(WriteImage(changed, {FileFormat::IntelHex, 8})))
        both.push_back(l);
    EXPECT_THROW(ParseIntelHex(Join(both), 0xFF), FormatError);

    EXPECT_THROW(WriteImage({0xFFF0, RandomBytes(32, 5), {}}, {FileFormat::IntelHex, 8}),
                 FormatError);
    EXPECT_THROW(WriteImage({0xFFFF, RandomBytes(2, 6), {}}, {FileFormat::SRecord, 1}),
                 FormatError);
}

TEST(ImageFormats, FormatsFromNamesAndExtensions) {
    const std::pair<const char*, FormatChoice> cases[] = {
        {"a.HEX", {FileFormat::IntelHex, 0}}, {"a.ihx", {FileFormat::IntelHex, 0}},
        {"a.s19", {FileFormat::SRecord, 1}},  {"a.s28", {FileFormat::SRecord, 2}},
        {"a.S37", {FileFormat::SRecord, 3}},  {"d.x/a.mot", {FileFormat::SRecord, 0}},
        {"a.srec", {FileFormat::SRecord, 0}}, {"d.hex/rom", {FileFormat::Binary, 0}},
        {"-", {FileFormat::Binary, 0}},       {"chip.s28.3", {FileFormat::SRecord, 2}},
        {".hex", {FileFormat::Binary, 0}},    {"rom.bin.1", {FileFormat::Binary, 0}},
        {"rom.bin", {FileFormat::Binary, 0}},
    };
    for (const auto& [path, format] : cases)
        EXPECT_EQ(FormatFromPath(path), format) << path;
    EXPECT_EQ(FormatFromName("ihex16"), (FormatChoice{FileFormat::IntelHex, 16}));
    EXPECT_FALSE(FormatFromName("elf"));
}

TEST(ImageFormats, FormatsFromContent) {
    const std::string hex = test::HexRecord(0, 0x1F40, {1, 2, 3});
    const std::string srec = test::SRecord(1, 0x1F40, {1, 2, 3});
    const struct {
        const char* name;
        std::string head;
        FileFormat format;
    } cases[] = {
        {"HEX record", hex + "\n", FileFormat::IntelHex},
        {"HEX after blank lines", "\r\n \t\n" + hex + "\r\n", FileFormat::IntelHex},
        {"HEX cut by the probe", hex.substr(0, 11), FileFormat::IntelHex},
        {"HEX with a wrong checksum", ":0300000001020300\n", FileFormat::IntelHex},
        {"S1 record", srec + "\n", FileFormat::SRecord},
        {"S0 header", test::SRecord(0, 0, {'h', 'd', 'r'}) + "\r\n", FileFormat::SRecord},
        {"colon then binary", std::string(":\x02\x10\x00\x00", 5), FileFormat::Binary},
        {"colon and too few digits", ":0000\n", FileFormat::Binary},
        {"odd number of digits", ":10000000010\n", FileFormat::Binary},
        {"text after the digits", hex + " ; boot\n", FileFormat::Binary},
        {"S without a digit", "SX0300001FDC\n", FileFormat::Binary},
        {"lower-case s", "s1050000010204\n", FileFormat::Binary},
        {"only blanks", " \n\n", FileFormat::Binary},
        {"empty", "", FileFormat::Binary},
        {"binary", std::string("\x00\xFF:1000", 7), FileFormat::Binary},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFromContent(c.head), c.format) << c.name;
}

TEST(ImageFormats, ErrorsShowStrayBytesEscaped) {
    const std::string good = test::HexRecord(0, 0x10, {0x41});
    auto with = [&](size_t at, char c) {
        std::string line = good;
        line[at] = c;
        return test::JoinLines({line, test::HexRecord(1, 0, {})});
    };
    const std::pair<std::string, const char*> cases[] = {
        {with(9, '\r'), "line 1: '\\r' is not a hex digit"},
        {with(10, '\xC3'), "line 1: '\\xC3' is not a hex digit"},
        {with(0, '\xC3'), "line 1: a record must start with ':', not '\\xC3'"},
        {with(0, '\''), "line 1: a record must start with ':', not '\\''"},
    };
    for (const auto& [text, message] : cases) {
        try {
            ParseIntelHex(text, 0xFF);
            ADD_FAILURE() << "no error for " << message;
        } catch (const FormatError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    try {
        ParseSRecord("S1\x01" + test::SRecord(1, 0, {1}).substr(3) + "\n", 0xFF);
        ADD_FAILURE() << "no error";
    } catch (const FormatError& e) {
        EXPECT_EQ(std::string(e.what()), "line 1: '\\x01' is not a hex digit");
    }
}

TEST(ImageFormats, RecordsInAnyOrderMatchAModelAndConflictsNameTheirLine) {
    std::mt19937 rng(21);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // Records over a 4 KiB truth, in random order and overlapping, some given twice.
        const std::vector<uint8_t> truth = RandomBytes(4096, round);
        struct Given {
            int address;
            int length;
        };
        std::vector<Given> records;
        std::vector<int> given(truth.size(), 0);
        for (int k = 0; k < 200; ++k) {
            const int address = static_cast<int>(rng() % 4000);
            const int length = 1 + static_cast<int>(rng() % (round % 2 ? 40 : 3));
            records.push_back({address, length});
            if (rng() % 8 == 0)
                records.push_back({address, length});
            for (int i = address; i < address + length; ++i)
                given[i] = 1;
        }
        // Half the rounds keep most records in ascending order, as most files have them.
        if (round % 4 < 2)
            std::sort(records.begin(), records.end(),
                      [](const Given& a, const Given& b) { return a.address < b.address; });
        if (round % 4 == 1)
            std::swap(records.front(), records.back());
        std::vector<std::string> lines;
        for (const Given& g : records)
            lines.push_back(
                test::HexRecord(0, static_cast<uint16_t>(g.address),
                                std::vector<uint8_t>(truth.begin() + g.address,
                                                     truth.begin() + g.address + g.length)));
        lines.push_back(test::HexRecord(1, 0, {}));

        const AddressedImage image = ParseIntelHex(test::JoinLines(lines), 0x00);
        const int low = static_cast<int>(std::find(given.begin(), given.end(), 1) - given.begin());
        const int high =
            static_cast<int>(given.rend() - std::find(given.rbegin(), given.rend(), 1));
        std::vector<uint8_t> model(truth.begin() + low, truth.begin() + high);
        for (int i = low; i < high; ++i)
            if (!given[i])
                model[i - low] = 0x00;
        EXPECT_EQ(image.origin, low);
        ASSERT_EQ(image.bytes, model);

        // One byte changed in one record: the first record, in file order, that gives that address
        // a byte other than the first one's is the line at fault, if any other record gives it.
        const size_t changed = rng() % records.size();
        const int at = records[changed].address + static_cast<int>(rng() % records[changed].length);
        auto byteAt = [&](size_t k) {
            return static_cast<uint8_t>(truth[at] ^ (k == changed ? 0x5A : 0));
        };
        int64_t faultLine = 0;
        std::optional<uint8_t> first;
        for (size_t k = 0; k < records.size() && faultLine == 0; ++k)
            if (at >= records[k].address && at < records[k].address + records[k].length) {
                if (!first)
                    first = byteAt(k);
                else if (byteAt(k) != *first)
                    faultLine = static_cast<int64_t>(k) + 1;
            }
        std::vector<uint8_t> bytes(truth.begin() + records[changed].address,
                                   truth.begin() + records[changed].address +
                                       records[changed].length);
        bytes[at - records[changed].address] ^= 0x5A;
        lines[changed] = test::HexRecord(0, static_cast<uint16_t>(records[changed].address), bytes);
        try {
            ParseIntelHex(test::JoinLines(lines), 0x00);
            EXPECT_EQ(faultLine, 0) << "no error";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.Line, faultLine) << e.what();
            EXPECT_NE(std::string(e.what()).find("address 0x" + Hex8(at)), std::string::npos)
                << e.what();
        }
    }
}

TEST(ImageFormats, SparseImageHoldsItsBytesAndLittleMore) {
    // Three blocks, written high, low, middle: records in order inside each block.
    const std::vector<uint8_t> low = RandomBytes((int64_t{3} << 20) + 5, 1);
    const std::vector<uint8_t> middle = RandomBytes(100000, 2), high = RandomBytes(777, 3);
    const int64_t middleAt = 0x400000, highAt = 0x1000000;
    const int64_t data = static_cast<int64_t>(low.size() + middle.size() + high.size());
    for (FormatChoice format :
         {FormatChoice{FileFormat::IntelHex, 32}, FormatChoice{FileFormat::SRecord, 3}}) {
        std::string text;
        for (const auto& [at, bytes] :
             {std::pair{highAt, &high}, {int64_t{0}, &low}, {middleAt, &middle}}) {
            std::vector<std::string> lines = Lines(WriteImage({at, *bytes, {}}, format));
            lines.pop_back();
            // The writer starts in the lowest 64 KiB without an address record.
            if (format.format == FileFormat::IntelHex)
                text += test::HexRecord(4, 0, {0, 0}) + "\n";
            for (const std::string& line : lines)
                if (line.rfind("S0", 0) != 0 && line.rfind("S5", 0) != 0 &&
                    line.rfind("S6", 0) != 0)
                    text += line + "\n";
        }
        text += format.format == FileFormat::IntelHex ? ":00000001FF\n" : "S70500000000FA\n";
        MemorySource source(reinterpret_cast<const uint8_t*>(text.data()),
                            static_cast<int64_t>(text.size()));
        SparseImage image = format.format == FileFormat::IntelHex ? ParseIntelHexFrom(source, 0)
                                                                  : ParseSRecordFrom(source, 0);
        EXPECT_EQ(image.ranges(),
                  (std::vector<DataRange>{{0, static_cast<int64_t>(low.size())},
                                          {middleAt, static_cast<int64_t>(middle.size())},
                                          {highAt, static_cast<int64_t>(high.size())}}));
        EXPECT_GE(image.peakHeldBytes(), data);
        EXPECT_LE(image.peakHeldBytes(), data + SparseImage::PoolChunkBytes + 1024);
        std::vector<uint8_t> back(middle.size());
        image.read(middleAt, back.data(), static_cast<int64_t>(back.size()));
        EXPECT_EQ(back, middle);
    }
}
