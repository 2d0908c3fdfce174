// Layout.cpp — spans streamed with their gaps, merge operands, and the sweep that lays merged
// inputs over each other.
#include "Layout.h"

#include "CommandLine.h"
#include "Streaming.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace tool {

void StreamBytes(ByteSource& source, int64_t offset, int64_t n, ImageWriter& writer) {
    ReadInBlocks(source, offset, offset + n,
                 [&](const uint8_t* bytes, int64_t count) { writer.append(bytes, count); });
}

void AppendFill(ImageWriter& writer, int64_t n, uint8_t value) {
    const std::vector<uint8_t> block(static_cast<size_t>(std::min(StreamBlockSize(), n)), value);
    for (int64_t done = 0; done < n;) {
        const int64_t take = std::min<int64_t>(static_cast<int64_t>(block.size()), n - done);
        writer.append(block.data(), take);
        done += take;
    }
}

void StreamSpan(ByteSource& source, const std::vector<DataRange>& ranges, int64_t from, int64_t to,
                ImageWriter& writer, uint8_t fill) {
    // The first range that ends after from; chunk and repeat copy many spans of one source.
    auto range = std::upper_bound(
        ranges.begin(), ranges.end(), from,
        [](int64_t offset, const DataRange& r) { return offset < r.offset + r.length; });
    int64_t at = from;
    for (; range != ranges.end() && range->offset < to; ++range) {
        const int64_t start = std::max(range->offset, from);
        const int64_t end = std::min(range->offset + range->length, to);
        if (start > at)
            writer.gap(start - at, fill);
        StreamBytes(source, start, end - start, writer);
        at = end;
    }
    if (to > at)
        writer.gap(to - at, fill);
}

namespace {

// A number as ParseSize reads it: decimal or 0x hex, optionally followed by K or M.
bool LooksLikeSize(std::string text) {
    if (!text.empty() && std::string("KkMm").find(text.back()) != std::string::npos)
        text.pop_back();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

Placement ParsePlacement(const std::string& operand) {
    const size_t at = operand.rfind('@');
    if (at == std::string::npos || at == 0 || !LooksLikeSize(operand.substr(at + 1)))
        return {operand, std::nullopt};
    return {operand.substr(0, at),
            static_cast<int64_t>(ParseSize(operand, operand.substr(at + 1), 0xFFFFFFFF))};
}

MergedLayout LayOut(const std::vector<PlacedInput>& inputs, OverlapRule rule) {
    // Where each input's data start and end, ends before starts at one address: the ranges are
    // half-open, so one input may begin exactly where another stops.
    struct Event {
        int64_t address;
        bool starts;
        int input;
        int64_t end;
    };
    std::vector<Event> events;
    for (int i = 0; i < static_cast<int>(inputs.size()); ++i)
        for (const DataRange& r : inputs[i].ranges) {
            const int64_t start = inputs[i].address + r.offset;
            events.push_back({start, true, i, start + r.length});
            events.push_back({start + r.length, false, i, 0});
        }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.address != b.address ? a.address < b.address : a.starts < b.starts;
    });

    MergedLayout layout;
    // The inputs that give the addresses from the current event on, and where each one's current
    // range ends. An input's ranges are disjoint, so it is in the set at most once.
    std::set<int> active;
    std::vector<int64_t> activeEnd(inputs.size(), 0);
    for (size_t e = 0; e < events.size();) {
        const int64_t address = events[e].address;
        for (; e < events.size() && events[e].address == address; ++e) {
            if (events[e].starts) {
                active.insert(events[e].input);
                activeEnd[events[e].input] = events[e].end;
            } else {
                active.erase(events[e].input);
            }
        }
        if (active.empty())
            continue;
        if (rule == OverlapRule::Refuse && active.size() > 1) {
            const int first = *active.begin();
            const int second = *std::next(active.begin());
            layout.pieces.clear();
            layout.overlap =
                Overlap{first, second, address, std::min(activeEnd[first], activeEnd[second])};
            return layout;
        }
        const int winner = rule == OverlapRule::LastWins ? *active.rbegin() : *active.begin();
        const int64_t next = events[e].address;
        const int64_t offset = address - inputs[winner].address;
        MergedPiece* last = layout.pieces.empty() ? nullptr : &layout.pieces.back();
        if (last && last->input == winner && last->address + last->length == address &&
            last->offset + last->length == offset)
            last->length += next - address;
        else
            layout.pieces.push_back({address, next - address, winner, offset});
    }
    return layout;
}

} // namespace tool
