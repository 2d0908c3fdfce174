// TransformCommands.cpp — the commands that change an image: the window's mirror and inversion,
// byte swaps, reversed bits, chip splits and their interleaving, rewired lines, and the sums.
#include "BusTransforms.h"
#include "CommandGroups.h"
#include "ImageTransforms.h"
#include "Streaming.h"

#include <algorithm>
#include <functional>

namespace tool {

namespace {

// A HEX or S-record input's words or units start at addresses that are multiples of their size, as
// srec_cat's -byte-swap and -split count them; --pad, which completes a raw file's last one, has
// nothing to complete there.
void RefusePadForAddressedInput(const Invocation& call, const Input& input) {
    if (input.records && call.pad())
        throw UsageError("--pad applies to raw inputs; the units of " + input.name() +
                         " align to its addresses and need no padding");
}

void RunSplit(const Invocation& call) {
    const int ways = call.number("--ways", {"2", "4"}, std::nullopt);
    const int width = call.number("--width", {"1", "2"}, "1");
    const std::string& prefix = call.operands()[1];
    if (prefix == "-")
        throw UsageError("split writes several files; its OUT_PREFIX cannot be -");
    const auto input = call.load(call.operands()[0]);
    RefusePadForAddressedInput(call, *input);
    const int64_t unit = int64_t{ways} * width;
    // An addressed input is dealt from the unit boundary at or below its origin to the one at or
    // above its end, the addresses outside its records taking the fill byte like its gaps. Here we
    // differ from srec_cat's -split, whose parts keep the gaps: a part is a chip's whole image.
    const int64_t lead = input->origin() % unit;
    const int64_t size = input->records
                             ? (lead + input->image().size() + unit - 1) / unit * unit
                             : PaddedSize(*input, unit, call.pad(),
                                          std::to_string(ways * width) + "-byte bus words");
    CheckFill(call, *input, size, "split");
    PaddedSource padded(input->image(), lead, size,
                        input->records ? call.fill() : call.pad().value_or(0));
    // Each chip's content starts at address 0 of its own programmer buffer.
    std::vector<Output> outputs;
    std::vector<ImageWriter*> writers;
    for (int k = 0; k < ways; ++k) {
        outputs.push_back(
            call.create(prefix + "." + std::to_string(k), prefix, 0, size / ways, std::nullopt));
        writers.push_back(outputs.back().writer.get());
    }
    StreamSplit(padded, writers, width);
    for (Output& output : outputs)
        output.finish();
}

void RunInterleave(const Invocation& call) {
    const int width = call.number("--width", {"1", "2"}, "1");
    const auto& operands = call.operands();
    if (operands.size() != 3 && operands.size() != 5)
        throw UsageError("interleave takes 2 or 4 inputs and an output");
    std::vector<std::unique_ptr<Input>> inputs;
    std::vector<ByteSource*> parts;
    for (size_t k = 0; k + 1 < operands.size(); ++k) {
        inputs.push_back(call.load(operands[k]));
        parts.push_back(&inputs.back()->image());
        const int64_t size = parts.back()->size();
        const int64_t first = parts.front()->size();
        if (size != first)
            throw ToolError(ExitBadData, inputs.back()->name() + ": " + std::to_string(size) +
                                             " bytes, but " + inputs.front()->name() + " has " +
                                             std::to_string(first) +
                                             "; the parts must be the same size");
        if (size % width != 0)
            throw ToolError(ExitBadData, inputs.back()->name() + ": not a whole number of " +
                                             std::to_string(width) + "-byte units");
    }
    for (const auto& input : inputs)
        CheckFill(call, *input, input->image().size(), "interleave");
    const int64_t total = parts.front()->size() * static_cast<int64_t>(parts.size());
    if (total > MaxInputSize)
        throw ToolError(ExitBadData,
                        "the parts make " + std::to_string(total) + " bytes, more than the " +
                            std::to_string(MaxInputSize >> 30) + " GiB the tool takes");
    Output output = call.create(operands.back(), operands.back(), 0, total, std::nullopt);
    StreamInterleave(parts, *output.writer, width);
    output.finish();
}

void RunScramble(const Invocation& call) {
    BusWiring wiring;
    if (auto v = call.option("--address-lines"))
        wiring.addressLines = ParseLineList("--address-lines", *v);
    if (auto v = call.option("--data-lines")) {
        const std::vector<int> lines = ParseLineList("--data-lines", *v);
        if (lines.size() != 8)
            throw UsageError("--data-lines must name 8 lines");
        std::copy(lines.begin(), lines.end(), wiring.dataLines.begin());
    }
    if (auto v = call.option("--address-xor"))
        wiring.addressXor = static_cast<uint32_t>(ParseNumber("--address-xor", *v, 0x7FFFFFFF));
    if (auto v = call.option("--data-xor"))
        wiring.dataXor = static_cast<uint8_t>(ParseNumber("--data-xor", *v, 0xFF));
    if (const std::string problem = WiringProblem(wiring); !problem.empty())
        throw UsageError("scramble: " + problem);
    const auto direction =
        call.flag("--reverse") ? ScrambleDirection::Reverse : ScrambleDirection::Forward;
    Transform(call, [&](ByteSource& image, ImageWriter& writer) {
        const int64_t block = int64_t{1} << wiring.addressLines.size();
        if (image.size() % block != 0)
            throw ToolError(ExitBadData, Invocation::Name(call.operands()[0]) + ": " +
                                             std::to_string(image.size()) +
                                             " bytes are not a whole number of blocks of " +
                                             std::to_string(block) + " bytes (2^" +
                                             std::to_string(wiring.addressLines.size()) + ")");
        StreamScramble(image, writer, wiring, direction);
    });
}

// Copies operand 0 to operand 1 changing each byte in place, or each word of unit bytes: the
// bytes of ranges at offsets of image, whose offset 0 lies at address start. The gaps stay gaps, as
// srec_cat's -not, -bit-reverse and -byte-swap keep them: a HEX or S-record output leaves them out
// and a raw one holds the fill byte there, not a changed one, so that converting the one output
// into the other with the same --fill gives the same bytes.
void ChangeKeepingGaps(const Invocation& call, Input& input, ByteSource& image, int64_t start,
                       const std::vector<DataRange>& ranges, int64_t unit,
                       const std::function<void(uint8_t*, int64_t)>& change) {
    const int64_t first = ranges.empty() ? 0 : ranges.front().offset;
    const int64_t size = ranges.empty() ? 0 : ranges.back().offset + ranges.back().length - first;
    const std::string& out = call.operands()[1];
    if (call.outputFormat(out).format == FileFormat::Binary)
        CheckFill(call, input, size, "a raw output");
    Output output = call.create(out, out, start + first, size, input.entry());
    StreamRanges(image, *output.writer, ranges, unit, call.fill(), change);
    output.finish();
}

// A command that copies operand 0 to operand 1 with each byte changed in place.
CommandRule ByteChangeCommand(std::string_view name, void (*change)(uint8_t*, int64_t),
                              std::string_view help) {
    return {name,
            FormatOptions,
            2,
            2,
            [change](const Invocation& call) {
                const auto input = call.load(call.operands()[0]);
                ChangeKeepingGaps(call, *input, input->image(), input->origin(),
                                  input->image().ranges(), 1, change);
            },
            help};
}

void RunSwap(const Invocation& call) {
    const int size = call.number("--size", {"2", "4", "8"}, std::nullopt);
    const auto input = call.load(call.operands()[0]);
    RefusePadForAddressedInput(call, *input);
    auto swap = [size](uint8_t* bytes, int64_t n) { SwapWordBytes(bytes, n, size); };
    if (!input->records) {
        const int64_t padded =
            PaddedSize(*input, size, call.pad(), std::to_string(size) + "-byte words");
        PaddedSource image(input->image(), padded, call.pad().value_or(0));
        Output output = call.create(call.operands()[1], *input, padded);
        StreamChanged(image, *output.writer, swap);
        output.finish();
        return;
    }
    // Seen from the word boundary at or below the origin, words start at multiples of size.
    const int64_t lead = input->origin() % size;
    const int64_t span = (lead + input->image().size() + size - 1) / size * size;
    PaddedSource image(input->image(), lead, span, call.fill());
    std::vector<DataRange> ranges = input->image().ranges();
    for (DataRange& range : ranges)
        range.offset += lead;
    ChangeKeepingGaps(call, *input, image, input->origin() - lead, SwappedRanges(ranges, size),
                      size, swap);
}

} // namespace

std::vector<CommandRule> TransformCommands() {
    return {
        ByteChangeCommand(
            "convert", [](uint8_t*, int64_t) {},
            "  convert IN OUT              copy an image, changing its format or base address\n"),
        {"mirror", WithFormatOptions({{"--size"}, {"--order"}}), 2, 2,
         [](const Invocation& call) {
             const int size = call.number("--size", {"1", "2"}, "1");
             const bool low = call.choice("--order", {"low", "high"}, "low") == "low";
             Transform(call, [&](ByteSource& image, ImageWriter& writer) {
                 StreamMirror(image, writer, size - 1, low);
             });
         },
         "  mirror [--size 1|2] [--order low|high] IN OUT\n"
         "                              reverse the address order by bytes (size 1, the default) "
         "or by\n"
         "                              16-bit words, low (default) or high byte first, exactly as "
         "the\n"
         "                              window's \"Инвертировать адреса\"\n"},
        ByteChangeCommand("invert", InvertBytes,
                          "  invert IN OUT               invert every data bit, as the window's "
                          "\"Инвертировать данные\"\n"),
        {"swap", WithFormatOptions({{"--size"}, {"--pad"}}), 2, 2, RunSwap,
         "  swap --size 2|4|8 [--pad BYTE] IN OUT\n"
         "                              reverse the bytes inside each word. A raw file's trailing "
         "partial\n"
         "                              word is an error unless --pad completes it; a HEX or "
         "S-record\n"
         "                              file's words start at multiples of the size, and the "
         "bytes its\n"
         "                              records do not give stay gaps\n"},
        ByteChangeCommand("bitrev", ReverseBitsInBytes,
                          "  bitrev IN OUT               reverse the bit order of every byte (data "
                          "lines D0..D7 reversed)\n"),
        {"split", WithFormatOptions({{"--ways"}, {"--width"}, {"--pad"}}), 2, 2, RunSplit,
         "  split --ways 2|4 [--width 1|2] [--pad BYTE] IN OUT_PREFIX\n"
         "                              deal units of WIDTH bytes to 2 or 4 chips in turn, "
         "writing\n"
         "                              OUT_PREFIX.0, OUT_PREFIX.1, ... A raw file's trailing "
         "partial\n"
         "                              bus word is an error unless --pad completes it; a HEX or "
         "S-record\n"
         "                              file is dealt by address from a multiple of WAYS * WIDTH, "
         "and\n"
         "                              addresses its records do not give take the --fill byte\n"},
        {"interleave", WithFormatOptions({{"--width"}}), 3, 5, RunInterleave,
         "  interleave [--width 1|2] IN0 IN1 [IN2 IN3] OUT\n"
         "                              the inverse of split; the inputs must be the same size\n"},
        {"scramble",
         WithFormatOptions({{"--address-lines"},
                            {"--data-lines"},
                            {"--address-xor"},
                            {"--data-xor"},
                            {"--reverse", false}}),
         2, 2, RunScramble,
         "  scramble [--address-lines LIST] [--data-lines LIST] [--address-xor MASK]\n"
         "           [--data-xor MASK] [--reverse] IN OUT\n"
         "                              rewire address and data lines: line i of the result comes "
         "from\n"
         "                              line LIST[i] of the input, then the masks invert result "
         "lines;\n"
         "                              --reverse undoes it. The image must be a whole number of "
         "blocks\n"
         "                              of 2^(number of address lines) bytes; higher lines pass "
         "through.\n"
         "                              LIST is numbers and ranges, e.g. 0-7,9,8,10-14; data "
         "lines\n"
         "                              default to 0-7, address lines to none\n"},
        {"sum",
         {{"--in-format"},
          {"--fill"},
          {"--base"},
          {"--range"},
          {"--algorithm"},
          {"--width"},
          {"--poly"},
          {"--init"},
          {"--refin"},
          {"--refout"},
          {"--xorout"}},
         1,
         1,
         RunSum,
         "  sum [--range START:END] [--algorithm NAME] IN\n"
         "                              print CRC-32 (zlib), CRC-16/CCITT-FALSE, the 8- and 16-bit "
         "byte\n"
         "                              sums and the 16-bit word sums little and big endian, in "
         "hex; with\n"
         "                              --algorithm only that checksum's value (NAME and the CRC "
         "options as\n"
         "                              for checksum); over START:END (END excluded, addresses as "
         "for\n"
         "                              checksum) when --range is given\n"},
    };
}

} // namespace tool
