// MergeLayoutTest.cpp — the merge's sweep against a map of every address, and the reading of
// IN@ADDR operands.
#include "Layout.h"
#include "ToolFiles.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace tool;

namespace {

// Random inputs in a space of 300 addresses: each with up to four disjoint, non-adjacent ranges,
// placed at an address below 100.
std::vector<PlacedInput> RandomInputs(std::mt19937& rng) {
    std::vector<PlacedInput> inputs(1 + rng() % 4);
    for (PlacedInput& input : inputs) {
        input.address = rng() % 100;
        int64_t offset = rng() % 20;
        for (int r = static_cast<int>(rng() % 5); r > 0; --r) {
            const int64_t length = 1 + rng() % 40;
            input.ranges.push_back({offset, length});
            offset += length + 1 + rng() % 30;
        }
    }
    return inputs;
}

// For every address some input gives, the inputs that give it in the order listed.
std::map<int64_t, std::vector<int>> Givers(const std::vector<PlacedInput>& inputs) {
    std::map<int64_t, std::vector<int>> givers;
    for (int i = 0; i < static_cast<int>(inputs.size()); ++i)
        for (const DataRange& r : inputs[i].ranges)
            for (int64_t a = inputs[i].address + r.offset;
                 a < inputs[i].address + r.offset + r.length; ++a)
                givers[a].push_back(i);
    return givers;
}

} // namespace

TEST(MergeLayout, SweepAgreesWithEveryAddressOfRandomInputs) {
    std::mt19937 rng(11);
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        const std::vector<PlacedInput> inputs = RandomInputs(rng);
        const auto givers = Givers(inputs);

        // Refused: the lowest address given twice, its first two inputs, and as far as both go on.
        const MergedLayout refused = LayOut(inputs, OverlapRule::Refuse);
        const auto twice = std::find_if(givers.begin(), givers.end(),
                                        [](const auto& g) { return g.second.size() > 1; });
        if (twice == givers.end()) {
            EXPECT_FALSE(refused.overlap);
        } else {
            const int first = twice->second[0], second = twice->second[1];
            int64_t end = twice->first;
            for (auto g = givers.find(end); g != givers.end() && g->first == end; ++g, ++end)
                if (std::find(g->second.begin(), g->second.end(), first) == g->second.end() ||
                    std::find(g->second.begin(), g->second.end(), second) == g->second.end())
                    break;
            EXPECT_EQ(refused.overlap, (Overlap{first, second, twice->first, end}));
            EXPECT_TRUE(refused.pieces.empty());
        }

        for (const OverlapRule rule : {OverlapRule::FirstWins, OverlapRule::LastWins}) {
            const MergedLayout merged = LayOut(inputs, rule);
            EXPECT_FALSE(merged.overlap);
            std::map<int64_t, std::pair<int, int64_t>> laid;
            for (size_t p = 0; p < merged.pieces.size(); ++p) {
                const MergedPiece& piece = merged.pieces[p];
                ASSERT_GT(piece.length, 0);
                for (int64_t k = 0; k < piece.length; ++k)
                    EXPECT_TRUE(
                        laid.emplace(piece.address + k, std::pair(piece.input, piece.offset + k))
                            .second);
                // Pieces that could be one are one.
                if (p > 0) {
                    const MergedPiece& before = merged.pieces[p - 1];
                    EXPECT_FALSE(before.input == piece.input &&
                                 before.address + before.length == piece.address);
                }
            }
            ASSERT_EQ(laid.size(), givers.size());
            for (const auto& [address, who] : givers) {
                const int winner = rule == OverlapRule::FirstWins ? who.front() : who.back();
                EXPECT_EQ(laid[address], std::pair(winner, address - inputs[winner].address))
                    << address;
            }
        }
    }
}

TEST(MergeLayout, OperandsSplitAtALastAtThatIsANumber) {
    const std::vector<std::pair<const char*, Placement>> cases = {
        {"rom.bin", {"rom.bin", {}}},
        {"rom.bin@0x8000", {"rom.bin", 0x8000}},
        {"rom.bin@4096", {"rom.bin", 4096}},
        {"rom.bin@1m", {"rom.bin", 1 << 20}},
        {"rom@0xFFFFFFFF", {"rom", 0xFFFFFFFF}},
        {"v1@2@0x10", {"v1@2", 0x10}},
        {"-@0x100", {"-", 0x100}},
        {"boot@home.hex", {"boot@home.hex", {}}},
        {"@0x10", {"@0x10", {}}},
        {"rom@", {"rom@", {}}},
        {"rom@0x", {"rom@0x", {}}},
        {"rom@K", {"rom@K", {}}},
        {"rom@12G", {"rom@12G", {}}}};
    for (const auto& [operand, expected] : cases) {
        const Placement p = ParsePlacement(operand);
        EXPECT_EQ(std::pair(p.path, p.address), std::pair(expected.path, expected.address))
            << operand;
    }
    EXPECT_THROW(ParsePlacement("rom.bin@4096M"), ToolError);
}
