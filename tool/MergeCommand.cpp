// MergeCommand.cpp — merge: several images placed at addresses and written as one.
#include "CommandGroups.h"
#include "Layout.h"

namespace tool {

namespace {

// Every input stays open until the output is written.
constexpr int MaxMergeInputs = 256;

void RunMerge(const Invocation& call) {
    const auto& operands = call.operands();
    OverlapRule rule = OverlapRule::Refuse;
    if (call.option("--overlap"))
        rule = call.choice("--overlap", {"first", "last"}, std::nullopt) == "first"
                   ? OverlapRule::FirstWins
                   : OverlapRule::LastWins;

    // A raw input is read in blocks as the output needs it; a HEX or S-record input is held as
    // the bytes its records give, the way every command loads one.
    std::vector<std::unique_ptr<Input>> inputs;
    std::vector<PlacedInput> placed;
    std::optional<uint32_t> entry;
    for (size_t k = 0; k + 1 < operands.size(); ++k) {
        const Placement placement = ParsePlacement(operands[k]);
        inputs.push_back(call.load(placement.path));
        const Input& input = *inputs.back();
        PlacedInput p{inputs.back()->image().ranges(), placement.address.value_or(input.origin())};
        const int64_t end = p.ranges.empty()
                                ? p.address
                                : p.address + p.ranges.back().offset + p.ranges.back().length;
        if (end > AddressLimit)
            throw ToolError(ExitBadData, input.name() + ": placed at " + AddressText(p.address) +
                                             " it would end past address 0xFFFFFFFF");
        if (!entry)
            entry = input.entry();
        placed.push_back(std::move(p));
    }

    const MergedLayout layout = LayOut(placed, rule);
    if (const auto& o = layout.overlap)
        throw ToolError(ExitBadData, inputs[o->first]->name() + " and " +
                                         inputs[o->second]->name() + " both give addresses " +
                                         AddressText(o->start) + " to " + AddressText(o->end - 1) +
                                         " (--overlap first|last chooses which wins)");
    const int64_t start = layout.pieces.empty() ? 0 : layout.pieces.front().address;
    const int64_t end =
        layout.pieces.empty() ? 0 : layout.pieces.back().address + layout.pieces.back().length;
    if (call.outputFormat(operands.back()).format == FileFormat::Binary) {
        int64_t given = 0;
        for (const MergedPiece& piece : layout.pieces)
            given += piece.length;
        CheckFill(call, "the inputs", given, start, end, end - start, "a raw output");
    }
    Output output = call.create(operands.back(), operands.back(), start, end - start, entry);
    int64_t at = start;
    for (const MergedPiece& piece : layout.pieces) {
        if (piece.address > at)
            output.writer->gap(piece.address - at, call.fill());
        StreamBytes(inputs[piece.input]->image(), piece.offset, piece.length, *output.writer);
        at = piece.address + piece.length;
    }
    output.finish();
}

} // namespace

std::vector<CommandRule> MergeCommands() {
    return {
        {"merge", WithFormatOptions({{"--overlap"}}), 2, MaxMergeInputs + 1, RunMerge,
         "  merge [--overlap first|last] IN[@ADDR]... OUT\n"
         "                              place images into one: a raw input at ADDR (default 0), "
         "a HEX or\n"
         "                              S-record input at its own addresses or with its lowest "
         "moved to\n"
         "                              ADDR. Inputs that overlap are refused unless --overlap "
         "says which\n"
         "                              wins. A record output keeps the gaps; a raw one starts at "
         "the\n"
         "                              lowest address and fills them\n"},
    };
}

} // namespace tool
