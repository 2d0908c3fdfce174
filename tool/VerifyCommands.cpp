// VerifyCommands.cpp — compare, which reports how two images differ, and checksum, which writes
// sums and CRCs into an image; and the value of one checksum that sum prints.
#include "Checksums.h"
#include "CommandGroups.h"
#include "Compare.h"
#include "Streaming.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace tool {

namespace {

std::string Hex(uint64_t value, int digits) {
    return "0x" + HexDigits(value, digits);
}

std::string Address(int64_t address) {
    return AddressText(address);
}

// The address of an input's first byte: a HEX or S-record file's lowest address, --base (or 0)
// for a raw one.
int64_t InputAddress(const Invocation& call, const Input& input) {
    return input.records ? input.origin() : call.base().value_or(0);
}

// The bytes an image holds and the addresses from its lowest to one past its highest.
struct Extent {
    int64_t bytes = 0;
    int64_t ranges = 0;
    int64_t start = 0;
    int64_t end = 0;
};

Extent ExtentOf(const PlacedImage& placed) {
    Extent extent;
    const std::vector<DataRange> ranges = placed.image.ranges();
    for (const DataRange& r : ranges)
        extent.bytes += r.length;
    extent.ranges = static_cast<int64_t>(ranges.size());
    if (!ranges.empty()) {
        extent.start = placed.address + ranges.front().offset;
        extent.end = placed.address + ranges.back().offset + ranges.back().length;
    }
    return extent;
}

std::string KindName(Difference kind) {
    switch (kind) {
    case Difference::Changed:
        return "changed";
    case Difference::OnlyInA:
        return "only in A";
    case Difference::OnlyInB:
        return "only in B";
    }
    return {};
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

struct CompareReport {
    std::string nameA, nameB;
    Extent a, b;
    ComparisonTotals totals;
    std::vector<DifferenceRange> shown;
};

void WriteText(std::ostream& out, const CompareReport& r) {
    auto image = [&](const char* label, const std::string& name, const Extent& e) {
        out << label << ": " << name << ", " << e.bytes << " bytes";
        if (e.ranges > 1)
            out << " in " << e.ranges << " ranges";
        if (e.bytes > 0)
            out << ", addresses " << Address(e.start) << "-" << Address(e.end - 1);
        out << '\n';
    };
    const ComparisonTotals& t = r.totals;
    out << (t.equal() ? "the images are equal\n" : "the images differ\n");
    image("A", r.nameA, r.a);
    image("B", r.nameB, r.b);
    out << "differing bytes: " << t.differing() << " (changed " << t.changed << ", only in A "
        << t.onlyInA << ", only in B " << t.onlyInB << ")\n";
    if (t.first) {
        out << "first difference: " << Address(t.first->address) << ", A "
            << (t.first->kind == Difference::OnlyInB ? "none" : Hex(t.first->a, 2)) << ", B "
            << (t.first->kind == Difference::OnlyInA ? "none" : Hex(t.first->b, 2)) << '\n';
    }
    const int64_t sizeDifference = r.b.bytes - r.a.bytes;
    out << "size difference: " << (sizeDifference > 0 ? "+" : "") << sizeDifference
        << " bytes (B minus A)\n";
    out << "bits to erase: " << t.eraseBits << " (0 in A, 1 in B, where both hold a byte)\n";
    out << "differing ranges: " << t.ranges << '\n';
    for (const DifferenceRange& d : r.shown) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-23s %12lld  %s\n",
                      (Address(d.address) +
                       (d.length > 1 ? "-" + Address(d.address + d.length - 1) : std::string()))
                          .c_str(),
                      static_cast<long long>(d.length), KindName(d.kind).c_str());
        out << line;
    }
    const int64_t left = t.ranges - static_cast<int64_t>(r.shown.size());
    if (left > 0)
        out << "  ... " << left << " more (--max shows more)\n";
}

void WriteJson(std::ostream& out, const CompareReport& r) {
    auto image = [&](const std::string& name, const Extent& e) {
        out << "{\"file\": " << JsonString(name) << ", \"bytes\": " << e.bytes
            << ", \"ranges\": " << e.ranges << ", ";
        if (e.bytes > 0)
            out << "\"start\": " << e.start << ", \"end\": " << e.end << "}";
        else
            out << "\"start\": null, \"end\": null}";
    };
    auto kind = [](Difference d) {
        return d == Difference::Changed   ? "changed"
               : d == Difference::OnlyInA ? "onlyInA"
                                          : "onlyInB";
    };
    const ComparisonTotals& t = r.totals;
    out << "{\"equal\": " << (t.equal() ? "true" : "false") << ",\n \"a\": ";
    image(r.nameA, r.a);
    out << ",\n \"b\": ";
    image(r.nameB, r.b);
    out << ",\n \"differing\": " << t.differing() << ", \"changed\": " << t.changed
        << ", \"onlyInA\": " << t.onlyInA << ", \"onlyInB\": " << t.onlyInB
        << ",\n \"sizeDifference\": " << r.b.bytes - r.a.bytes << ", \"eraseBits\": " << t.eraseBits
        << ",\n \"first\": ";
    if (t.first) {
        out << "{\"address\": " << t.first->address << ", \"kind\": \"" << kind(t.first->kind)
            << "\", \"a\": "
            << (t.first->kind == Difference::OnlyInB ? "null" : std::to_string(t.first->a))
            << ", \"b\": "
            << (t.first->kind == Difference::OnlyInA ? "null" : std::to_string(t.first->b)) << "}";
    } else {
        out << "null";
    }
    out << ",\n \"rangeCount\": " << t.ranges
        << ", \"rangesNotShown\": " << t.ranges - static_cast<int64_t>(r.shown.size())
        << ",\n \"ranges\": [";
    for (size_t k = 0; k < r.shown.size(); ++k)
        out << (k == 0 ? "\n  " : ",\n  ") << "{\"address\": " << r.shown[k].address
            << ", \"length\": " << r.shown[k].length << ", \"kind\": \"" << kind(r.shown[k].kind)
            << "\"}";
    out << "]}\n";
}

void RunCompare(const Invocation& call) {
    const int64_t max =
        static_cast<int64_t>(ParseNumber("--max", call.option("--max").value_or("16"), 1u << 30));
    const auto inputA = call.load(call.operands()[0]);
    const auto inputB = call.load(call.operands()[1]);
    const PlacedImage a{inputA->image(), InputAddress(call, *inputA)};
    const PlacedImage b{inputB->image(), InputAddress(call, *inputB)};
    CompareReport report{inputA->name(), inputB->name(), ExtentOf(a), ExtentOf(b), {}, {}};
    report.totals = CompareImages(a, b, StreamBlockSize(), [&](const DifferenceRange& d) {
        if (static_cast<int64_t>(report.shown.size()) < max)
            report.shown.push_back(d);
    });
    if (call.flag("--json"))
        WriteJson(call.out(), report);
    else
        WriteText(call.out(), report);
    call.out().flush();
    if (!report.totals.equal())
        throw ToolError(ExitDifferent, inputA->name() + " and " + inputB->name() + " differ");
}

// The options that shape a checksum's algorithm beyond its name.
constexpr std::string_view CrcOptions[] = {"--width", "--poly",   "--init",
                                           "--refin", "--refout", "--xorout"};

bool IsCrcOption(std::string_view name) {
    return std::find(std::begin(CrcOptions), std::end(CrcOptions), name) != std::end(CrcOptions);
}

bool ParseTruth(const std::string& option, const std::string& value) {
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    throw UsageError(option + " must be true or false");
}

// The algorithm of a name with the CRC options given for it, in order.
ChecksumAlgorithm MakeAlgorithm(const std::string& name,
                                const std::vector<std::pair<std::string, std::string>>& options) {
    auto found = FindChecksumAlgorithm(name);
    if (!found)
        throw UsageError("--algorithm: unknown algorithm '" + name +
                         "' (sum8, sum16, sum32, wsum16le, wsum16be, wsum32le, wsum32be with "
                         "-ones or -twos, a CRC such as CRC-32, or crc)");
    ChecksumAlgorithm algorithm = *found;
    if (algorithm.kind != ChecksumAlgorithm::Kind::Crc) {
        if (!options.empty())
            throw UsageError(options.front().first + " applies to CRCs, not to " + name);
        return algorithm;
    }
    CrcParameters& crc = algorithm.crc;
    std::map<std::string, bool> given;
    for (const auto& [option, value] : options) {
        given[option] = true;
        if (option == "--width")
            crc.width = static_cast<int>(ParseNumber(option, value, 64));
        else if (option == "--poly")
            crc.poly = ParseNumber(option, value, ~uint64_t{0});
        else if (option == "--init")
            crc.init = ParseNumber(option, value, ~uint64_t{0});
        else if (option == "--xorout")
            crc.xorout = ParseNumber(option, value, ~uint64_t{0});
        else if (option == "--refin")
            crc.refin = ParseTruth(option, value);
        else if (option == "--refout")
            crc.refout = ParseTruth(option, value);
    }
    if (found->crc.name == "crc" && (!given["--width"] || !given["--poly"]))
        throw UsageError("--algorithm crc needs --width and --poly");
    if (!options.empty())
        crc.check = 0;
    try {
        Crc validated(crc, CrcPath::Portable);
    } catch (const std::invalid_argument& e) {
        throw UsageError(name + ": " + e.what());
    }
    algorithm.bytes = (crc.width + 7) / 8;
    return algorithm;
}

// A checksum to write: its algorithm, the addresses it covers, where its value goes and in what
// byte order.
struct ChecksumStep {
    ChecksumAlgorithm algorithm;
    std::optional<AddressRange> range;
    int64_t at = 0;
    WordOrder order = WordOrder::LittleEndian;
};

std::vector<ChecksumStep> ParseSteps(const Invocation& call) {
    struct Given {
        std::string name;
        std::optional<AddressRange> range;
        std::optional<int64_t> at;
        std::optional<WordOrder> order;
        std::vector<std::pair<std::string, std::string>> crcOptions;
    };
    std::vector<Given> given;
    for (const auto& entry : call.given()) {
        // Plain names rather than a structured binding: the lambda below captures one.
        const std::string& option = entry.first;
        const std::string& value = entry.second;
        if (option == "--algorithm") {
            given.push_back({value, {}, {}, {}, {}});
            continue;
        }
        const bool own = option == "--range" || option == "--at" || option == "--order";
        if (!own && !IsCrcOption(option))
            continue;
        if (given.empty())
            throw UsageError(option + " must follow the --algorithm it belongs to");
        Given& step = given.back();
        auto once = [&](bool already) {
            if (already)
                throw UsageError(option + " is given twice for one --algorithm");
        };
        if (option == "--range") {
            once(step.range.has_value());
            step.range = ParseRange(option, value);
        } else if (option == "--at") {
            once(step.at.has_value());
            step.at = static_cast<int64_t>(ParseNumber(option, value, 0xFFFFFFFF));
        } else if (option == "--order") {
            once(step.order.has_value());
            if (value != "little" && value != "big")
                throw UsageError("--order must be one of little, big");
            step.order = value == "little" ? WordOrder::LittleEndian : WordOrder::BigEndian;
        } else {
            step.crcOptions.emplace_back(option, value);
        }
    }
    if (given.empty())
        throw UsageError("checksum needs --algorithm");
    std::vector<ChecksumStep> steps;
    for (const Given& g : given) {
        if (!g.at)
            throw UsageError("--algorithm " + g.name + " needs --at");
        steps.push_back({MakeAlgorithm(g.name, g.crcOptions), g.range, *g.at,
                         g.order.value_or(WordOrder::LittleEndian)});
    }
    return steps;
}

// The range of an image at start whose size is size that a --range names (all of it without
// one); a range outside the image is bad input.
AddressRange RangeWithin(const std::optional<AddressRange>& range, int64_t start, int64_t size,
                         const std::string& what) {
    const AddressRange chosen = range.value_or(AddressRange{start, start + size});
    if (chosen.start < start || chosen.end > start + size)
        throw ToolError(ExitBadData, what + " " + Address(chosen.start) + ":" +
                                         Address(chosen.end) + " lies outside the image, " +
                                         Address(start) + ":" + Address(start + size));
    return chosen;
}

RunningChecksum ChecksumOver(ByteSource& image, const ChecksumAlgorithm& algorithm, int64_t from,
                             int64_t to) {
    RunningChecksum sum(algorithm);
    ReadInBlocks(image, from, to, [&](const uint8_t* bytes, int64_t n) { sum.add(bytes, n); });
    return sum;
}

// An image with some of its bytes replaced; a later patch wins where two overlap. A patch in a
// gap of the image makes its addresses data.
class PatchedSource : public ByteSource {
public:
    explicit PatchedSource(ByteSource& inner) : inner_(inner) {}
    int64_t size() const override { return inner_.size(); }
    void read(int64_t offset, uint8_t* to, int64_t n) override {
        inner_.read(offset, to, n);
        for (const Patch& p : patches_) {
            const int64_t from = std::max(offset, p.offset);
            const int64_t end =
                std::min(offset + n, p.offset + static_cast<int64_t>(p.bytes.size()));
            for (int64_t k = from; k < end; ++k)
                to[k - offset] = p.bytes[static_cast<size_t>(k - p.offset)];
        }
    }
    std::vector<DataRange> ranges() const override {
        std::vector<DataRange> all = inner_.ranges();
        for (const Patch& p : patches_)
            all.push_back({p.offset, static_cast<int64_t>(p.bytes.size())});
        std::sort(all.begin(), all.end(),
                  [](const DataRange& x, const DataRange& y) { return x.offset < y.offset; });
        std::vector<DataRange> merged;
        for (const DataRange& r : all) {
            if (!merged.empty() && r.offset <= merged.back().offset + merged.back().length)
                merged.back().length =
                    std::max(merged.back().length, r.offset + r.length - merged.back().offset);
            else
                merged.push_back(r);
        }
        return merged;
    }
    void patch(int64_t offset, std::vector<uint8_t> bytes) {
        patches_.push_back({offset, std::move(bytes)});
    }

private:
    struct Patch {
        int64_t offset;
        std::vector<uint8_t> bytes;
    };
    ByteSource& inner_;
    std::vector<Patch> patches_;
};

// The source's bytes in blocks, its gaps as gaps of the writer.
void StreamWithGaps(ByteSource& source, ImageWriter& writer, uint8_t fill) {
    int64_t at = 0;
    for (const DataRange& r : source.ranges()) {
        if (r.offset > at)
            writer.gap(r.offset - at, fill);
        ReadInBlocks(source, r.offset, r.offset + r.length,
                     [&](const uint8_t* bytes, int64_t n) { writer.append(bytes, n); });
        at = r.offset + r.length;
    }
    if (source.size() > at)
        writer.gap(source.size() - at, fill);
}

void RunChecksum(const Invocation& call) {
    const std::vector<ChecksumStep> steps = ParseSteps(call);
    const auto input = call.load(call.operands()[0]);
    ByteSource& image = input->image();
    const int64_t start = InputAddress(call, *input);
    const int64_t size = image.size();
    PatchedSource patched(image);
    // Each checksum is computed before the next, over the bytes as the earlier ones left them.
    for (const ChecksumStep& step : steps) {
        const AddressRange range = RangeWithin(step.range, start, size, "--range");
        const int bytes = step.algorithm.bytes;
        RangeWithin(AddressRange{step.at, step.at + bytes}, start, size,
                    "--at (" + std::to_string(bytes) + " bytes of " + step.algorithm.name + ")");
        const uint64_t value =
            ChecksumOver(patched, step.algorithm, range.start - start, range.end - start).value();
        std::vector<uint8_t> encoded(static_cast<size_t>(bytes));
        for (int k = 0; k < bytes; ++k) {
            const int shift = 8 * (step.order == WordOrder::LittleEndian ? k : bytes - 1 - k);
            encoded[static_cast<size_t>(k)] = static_cast<uint8_t>(value >> shift);
        }
        patched.patch(step.at - start, std::move(encoded));
    }
    CheckRawFill(call, call.operands()[1], *input, size);
    Output output = call.create(call.operands()[1], *input, size);
    StreamWithGaps(patched, *output.writer, call.fill());
    output.finish();
}

} // namespace

void RunSum(const Invocation& call) {
    std::vector<std::pair<std::string, std::string>> crcOptions;
    for (const auto& [option, value] : call.given())
        if (IsCrcOption(option))
            crcOptions.emplace_back(option, value);
    const auto name = call.option("--algorithm");
    if (!name && !crcOptions.empty())
        throw UsageError(crcOptions.front().first + " needs --algorithm");
    const auto input = call.load(call.operands()[0]);
    ByteSource& image = input->image();
    const int64_t start = InputAddress(call, *input);
    std::optional<AddressRange> given;
    if (auto v = call.option("--range"))
        given = ParseRange("--range", *v);
    const AddressRange range = RangeWithin(given, start, image.size(), "--range");
    if (!name) {
        ChecksumAccumulator sums;
        ReadInBlocks(image, range.start - start, range.end - start,
                     [&](const uint8_t* bytes, int64_t n) { sums.add(bytes, n); });
        call.out() << sums.report();
        return;
    }
    const ChecksumAlgorithm algorithm = MakeAlgorithm(*name, crcOptions);
    const uint64_t value =
        ChecksumOver(image, algorithm, range.start - start, range.end - start).value();
    call.out() << Hex(value, 2 * algorithm.bytes).substr(2) << '\n';
}

std::vector<CommandRule> VerifyCommands() {
    const std::vector<OptionRule> crcOptions = {{"--width", true, true},  {"--poly", true, true},
                                                {"--init", true, true},   {"--refin", true, true},
                                                {"--refout", true, true}, {"--xorout", true, true}};
    std::vector<OptionRule> checksumOptions = WithFormatOptions({{"--algorithm", true, true},
                                                                 {"--range", true, true},
                                                                 {"--at", true, true},
                                                                 {"--order", true, true}});
    checksumOptions.insert(checksumOptions.end(), crcOptions.begin(), crcOptions.end());
    return {
        {"compare",
         {{"--in-format"}, {"--base"}, {"--max"}, {"--json", false}},
         2,
         2,
         RunCompare,
         "  compare [--base ADDR] [--max N] [--json] A B\n"
         "                              compare two images byte for byte by address (exit status "
         "4 when\n"
         "                              they differ): the differing bytes, the first one, the "
         "ranges (the\n"
         "                              first N, default 16), the size difference and the bits to "
         "erase\n"
         "                              (0 in A, 1 in B: A read from a chip, B the image to "
         "program).\n"
         "                              An address only one image holds (a gap of a HEX or "
         "S-record\n"
         "                              file, past the end of the shorter one) differs as \"only "
         "in A/B\".\n"
         "                              A raw image starts at address --base (default 0); --json "
         "prints\n"
         "                              the same as a JSON object\n"},
        {"checksum", checksumOptions, 2, 2, RunChecksum,
         "  checksum --algorithm NAME [--range START:END] --at ADDR [--order little|big]\n"
         "           [--algorithm ...]... IN OUT\n"
         "                              write checksums into the image: each over START:END (END "
         "excluded;\n"
         "                              default the whole image), its value at ADDR, least "
         "significant\n"
         "                              byte first unless --order big. Each --algorithm starts a "
         "checksum\n"
         "                              and the options after it are its own; they are computed "
         "in order,\n"
         "                              each over the bytes the earlier ones wrote, and the bytes "
         "at ADDR\n"
         "                              count as they were before its value is written. Addresses "
         "are a\n"
         "                              HEX or S-record input's own, a raw input's offsets plus "
         "--base;\n"
         "                              gaps count as the --fill byte. NAME: sum8, sum16, sum32 "
         "(bytes),\n"
         "                              wsum16le, wsum16be, wsum32le, wsum32be (words; a last "
         "partial word\n"
         "                              completed with 0), each optionally with -ones or -twos "
         "(one's or\n"
         "                              two's complement); a CRC by catalogue name: "
         "CRC-16/CCITT-FALSE,\n"
         "                              CRC-16/XMODEM, CRC-16/ARC, CRC-16/MODBUS, CRC-16/KERMIT, "
         "CRC-32,\n"
         "                              CRC-32C, CRC-32/MPEG-2, CRC-32/BZIP2, CRC-8, CRC-64/XZ; or "
         "crc with\n"
         "                              --width 8..64 --poly P [--init I] [--refin true|false]\n"
         "                              [--refout true|false] [--xorout X], which also change a "
         "named CRC\n"},
    };
}

} // namespace tool
