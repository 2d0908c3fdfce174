// LayoutCommands.cpp — the commands that fit an image to a chip: pad, crop, repeat, chunk, and
// the chip table.
#include "Chips.h"
#include "CommandGroups.h"
#include "Layout.h"

#include <algorithm>

namespace tool {

namespace {

// More pieces than this would keep too many temporary files open until the last is written.
constexpr int64_t MaxChunkPieces = 512;

// The size of --size or --chip, and how messages name it.
struct TargetSize {
    int64_t bytes;
    const Chip* chip;
    std::string described;
};

TargetSize Target(const Invocation& call) {
    const auto size = call.option("--size");
    const auto chip = call.option("--chip");
    if (size && chip)
        throw UsageError(call.command() + " takes --size or --chip, not both");
    if (chip) {
        const Chip& found = FindChip(*chip);
        return {found.bytes, &found,
                "the " + std::to_string(found.bytes) + " bytes of a " + std::string(found.name)};
    }
    if (!size)
        throw UsageError(call.command() + " needs --size or --chip");
    const auto bytes = static_cast<int64_t>(ParseSize("--size", *size, MaxInputSize));
    if (bytes == 0)
        throw UsageError("--size must be more than 0");
    return {bytes, nullptr, std::to_string(bytes) + " bytes"};
}

void RequireWholeWords(const TargetSize& target, const Input& input, int64_t size) {
    if (target.chip && size % target.chip->wordBytes() != 0)
        throw ToolError(ExitBadData, input.name() + ": " + std::to_string(size) +
                                         " bytes are not a whole number of the 16-bit words of a " +
                                         std::string(target.chip->name));
}

void RequireData(const Input& input, int64_t size) {
    if (size == 0)
        throw ToolError(ExitBadData, input.name() + ": the image is empty");
}

void RequireFit(const TargetSize& target, const Input& input, int64_t size) {
    if (size > target.bytes)
        throw ToolError(ExitBadData, input.name() + ": the image's " + std::to_string(size) +
                                         " bytes do not fit " + target.described);
}

void RunPad(const Invocation& call) {
    const TargetSize target = Target(call);
    const auto input = call.load(call.operands()[0]);
    ByteSource& image = input->image();
    RequireFit(target, *input, image.size());
    Output output = call.create(call.operands()[1], *input, target.bytes);
    // The whole chip is written, the input's gaps as fill bytes like the padding after it.
    StreamBytes(image, 0, image.size(), *output.writer);
    AppendFill(*output.writer, target.bytes - image.size(), call.fill());
    output.finish();
}

void RunCrop(const Invocation& call) {
    const AddressRange range = ParseRange("crop", call.operands()[0]);
    const auto input = call.load(call.operands()[1]);
    ByteSource& image = input->image();
    const int64_t origin = input->origin();
    const int64_t start = std::max(range.start, origin);
    const int64_t end = std::min(range.end, origin + image.size());
    if (start >= end)
        throw ToolError(ExitBadData,
                        input->name() + ": nothing lies in " + call.operands()[0] + " (" +
                            (image.size() == 0
                                 ? std::string("the image is empty")
                                 : "the image has addresses " + AddressText(origin) + " to " +
                                       AddressText(origin + image.size() - 1)) +
                            ")");
    CheckRawFill(call, call.operands()[2], *input, end - start);
    Output output =
        call.create(call.operands()[2], call.operands()[2], start, end - start, input->entry());
    StreamSpan(image, image.ranges(), start - origin, end - origin, *output.writer, call.fill());
    output.finish();
}

void RunRepeat(const Invocation& call) {
    const TargetSize target = Target(call);
    const auto input = call.load(call.operands()[0]);
    ByteSource& image = input->image();
    const int64_t size = image.size();
    RequireData(*input, size);
    RequireWholeWords(target, *input, size);
    RequireFit(target, *input, size);
    if (target.bytes % size != 0)
        throw ToolError(ExitBadData, input->name() + ": " + target.described +
                                         " are not a whole number of copies of its " +
                                         std::to_string(size) +
                                         " bytes (pad it to a size that divides them first)");
    Output output = call.create(call.operands()[1], *input, target.bytes);
    const std::vector<DataRange> ranges = image.ranges();
    for (int64_t copy = 0; copy < target.bytes / size; ++copy)
        StreamSpan(image, ranges, 0, size, *output.writer, call.fill());
    output.finish();
}

void RunChunk(const Invocation& call) {
    const TargetSize target = Target(call);
    const std::optional<uint8_t> pad = call.pad();
    const std::string& prefix = call.operands()[1];
    if (prefix == "-")
        throw UsageError("chunk writes several files; its PREFIX cannot be -");
    const auto input = call.load(call.operands()[0]);
    ByteSource& image = input->image();
    const int64_t size = image.size();
    RequireData(*input, size);
    if (!pad)
        RequireWholeWords(target, *input, size);
    const int64_t count = (size + target.bytes - 1) / target.bytes;
    if (count > MaxChunkPieces)
        throw ToolError(ExitBadData, input->name() + ": " + std::to_string(size) + " bytes make " +
                                         std::to_string(count) + " pieces of " +
                                         std::to_string(target.bytes) + "; chunk writes at most " +
                                         std::to_string(MaxChunkPieces));
    CheckRawFill(call, prefix, *input, size);
    const std::vector<DataRange> ranges = image.ranges();
    // Every piece is committed only once all are written; a finished piece keeps its temporary
    // file open but lets its writer (and the writer's buffer) go.
    std::vector<std::unique_ptr<OutputFile>> pieces;
    for (int64_t k = 0; k < count; ++k) {
        const int64_t from = k * target.bytes;
        const int64_t to = std::min(size, from + target.bytes);
        const int64_t length = pad ? target.bytes : to - from;
        Output piece =
            call.create(prefix + "." + std::to_string(k), prefix, 0, length, std::nullopt);
        StreamSpan(image, ranges, from, to, *piece.writer, call.fill());
        AppendFill(*piece.writer, length - (to - from), pad.value_or(0));
        piece.writer->finish();
        pieces.push_back(std::move(piece.file));
    }
    for (const auto& piece : pieces)
        piece->commit();
}

} // namespace

std::vector<CommandRule> LayoutCommands() {
    return {
        {"pad", WithFormatOptions({{"--size"}, {"--chip"}}), 2, 2, RunPad,
         "  pad --size N|--chip NAME [--fill BYTE] IN OUT\n"
         "                              extend the image to N bytes or the chip's size with the "
         "fill byte\n"
         "                              (default 0xFF), its gaps too; N counts from the image's "
         "lowest\n"
         "                              address. A larger image is refused\n"},
        {"crop", FormatOptions, 3, 3, RunCrop,
         "  crop START:END IN OUT       keep the addresses START to END (excluded) of the input: "
         "offsets\n"
         "                              of a raw file, record addresses of HEX and S-records. A "
         "record\n"
         "                              output keeps the addresses and the gaps; a raw one starts "
         "at\n"
         "                              START or the input's first address above it\n"},
        {"repeat", WithFormatOptions({{"--size"}, {"--chip"}}), 2, 2, RunRepeat,
         "  repeat --size N|--chip NAME IN OUT\n"
         "                              copy the image over and over to fill N bytes or the chip; "
         "N must\n"
         "                              be a whole number of copies\n"},
        {"chunk", WithFormatOptions({{"--size"}, {"--chip"}, {"--pad"}}), 2, 2, RunChunk,
         "  chunk --size N|--chip NAME [--pad BYTE] IN PREFIX\n"
         "                              cut the image into pieces of N bytes or the chip's size: "
         "PREFIX.0,\n"
         "                              PREFIX.1, ...; the last is shorter unless --pad fills it. "
         "Each\n"
         "                              piece starts at address 0 unless --base is given\n"},
        {"chips",
         {},
         0,
         0,
         [](const Invocation& call) { call.out() << ChipTable(); },
         "  chips                       list the chips --chip knows: size, organisation, bus "
         "width;\n"
         "                              a 16-bit chip takes whole 16-bit words only\n"},
    };
}

} // namespace tool
