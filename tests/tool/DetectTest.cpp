// DetectTest.cpp — detect against seeded random compositions of the commands it knows (the
// commands it prints must rebuild the dump), dumps it must not explain, bad bytes, and --unknown.
#include "TestSupport.h"
#include "ToolFiles.h"
#include "support/RandomBytes.h"
#include "support/ToolRun.h"

#include <QByteArray>
#include <algorithm>
#include <bit>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace {

using Args = std::vector<std::string>;

QByteArray Bytes(const std::vector<uint8_t>& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// A command of a composition without its files; a split names the part it keeps last.
struct Command {
    Args args;
    int part = -1;
};

std::string Join(const std::vector<Command>& commands) {
    std::string text;
    for (const Command& c : commands) {
        for (const std::string& a : c.args)
            text += a + ' ';
        text += c.part >= 0 ? "(part " + std::to_string(c.part) + "); " : "; ";
    }
    return text;
}

// An address rearrangement of an image of size bytes: a mirror or swap of any kind, or, when
// rewire is set, a permutation of up to 16 of the lines the size allows, with a mask.
Command AddressCommand(std::mt19937& rng, int64_t size, bool rewire) {
    const int lines = std::min(std::countr_zero(static_cast<uint64_t>(size)), 16);
    switch (rng() % (rewire && lines > 0 ? 4 : 3)) {
    case 0:
        return {{"mirror"}};
    case 1:
        return {{"mirror", "--size", "2", "--order", rng() % 2 ? "low" : "high"}};
    case 2: {
        std::vector<int> sizes;
        for (int s : {2, 4, 8})
            if (size % s == 0)
                sizes.push_back(s);
        if (sizes.empty())
            return {{"mirror"}};
        return {{"swap", "--size", std::to_string(sizes[rng() % sizes.size()])}};
    }
    default: {
        std::vector<int> order(1 + rng() % lines);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        std::string list;
        for (int line : order)
            list += (list.empty() ? "" : ",") + std::to_string(line);
        const uint32_t mask = rng() & ((1u << order.size()) - 1);
        return {{"scramble", "--address-lines", list, "--address-xor", std::to_string(mask)}};
    }
    }
}

Command DataCommand(std::mt19937& rng) {
    switch (rng() % 4) {
    case 0:
        return {{"invert"}};
    case 1:
        return {{"bitrev"}};
    default: {
        std::vector<int> order{0, 1, 2, 3, 4, 5, 6, 7};
        std::shuffle(order.begin(), order.end(), rng);
        std::string list;
        for (int line : order)
            list += (list.empty() ? "" : ",") + std::to_string(line);
        return {{"scramble", "--data-lines", list, "--data-xor", std::to_string(rng() % 256)}};
    }
    }
}

// A seeded composition of the families detect covers: on a power-of-two size, address steps of
// every kind before and after an optional split; on other sizes, a split part, one mirror and one
// swap in either order. Then perhaps a data map.
std::vector<Command> RandomComposition(unsigned seed, int64_t size) {
    std::mt19937 rng(seed);
    const bool power = std::has_single_bit(static_cast<uint64_t>(size));
    std::vector<Command> commands;
    if (power && rng() % 4 == 0)
        commands.push_back(AddressCommand(rng, size, true));
    int64_t part = size;
    const int ways = rng() % 2 ? 2 : 4;
    if (size % ways == 0 && rng() % 2) {
        const int width = size % (ways * 2) == 0 && rng() % 2 ? 2 : 1;
        const int k = static_cast<int>(rng() % ways);
        commands.push_back(
            {{"split", "--ways", std::to_string(ways), "--width", std::to_string(width)}, k});
        part = size / ways;
    }
    if (power) {
        for (unsigned n = rng() % 3; n > 0; --n)
            commands.push_back(AddressCommand(rng, part, true));
    } else {
        Command mirror = AddressCommand(rng, part, false);
        if (mirror.args.front() == "swap")
            mirror = {{"mirror"}};
        Command swap{{"swap", "--size", "2"}};
        const bool mirrored = rng() % 2;
        const bool swapped = part % 2 == 0 && rng() % 2;
        const bool swapFirst = rng() % 2;
        if (swapped && swapFirst)
            commands.push_back(swap);
        if (mirrored)
            commands.push_back(mirror);
        if (swapped && !swapFirst)
            commands.push_back(swap);
    }
    if (rng() % 3)
        commands.push_back(DataCommand(rng));
    return commands;
}

// Runs the commands from file in of dir; the file that holds the result.
std::string Apply(const test::ScratchDir& dir, const std::string& in,
                  const std::vector<Command>& commands) {
    std::string current = in;
    for (size_t i = 0; i < commands.size(); ++i) {
        const std::string next = dir.native(QString("made.%1").arg(i));
        Args args = commands[i].args;
        args.push_back(current);
        args.push_back(next);
        const test::Outcome r = test::RunLine(args);
        EXPECT_EQ(r.status, 0) << Join(commands) << r.err;
        current = commands[i].part >= 0 ? next + "." + std::to_string(commands[i].part) : next;
    }
    return current;
}

// The file detect names on its match line: "match SHARE: FILE equals ..." or "...: N of M bytes
// of FILE differ ...".
std::string MatchedFile(const std::string& out) {
    const size_t line = out.find("\nmatch ");
    if (line == std::string::npos)
        return {};
    const size_t colon = out.find(": ", line);
    const size_t of = out.find(" bytes of ", colon);
    const size_t from =
        of != std::string::npos && of < out.find('\n', colon + 1) ? of + 10 : colon + 2;
    return out.substr(from, out.find(' ', from) - from);
}

// detect on (reference, dump) must print commands that rebuild a file differing from the dump in
// exactly `differing` bytes.
void ExpectDetected(const std::string& reference, const std::string& dump, int64_t differing,
                    const std::string& what) {
    const test::Outcome r = test::RunLine({"detect", reference, dump});
    ASSERT_EQ(r.status, 0) << what << r.err;
    const test::Outcome rebuilt = test::RunPrinted(r.out);
    ASSERT_EQ(rebuilt.status, 0) << what << r.out << rebuilt.err;
    const QByteArray result = test::ReadAll(QString::fromStdString(MatchedFile(r.out)));
    const QByteArray wanted = test::ReadAll(QString::fromStdString(dump));
    ASSERT_EQ(result.size(), wanted.size()) << what << r.out;
    int64_t counted = 0;
    for (qsizetype i = 0; i < result.size(); ++i)
        counted += result[i] != wanted[i];
    EXPECT_EQ(counted, differing) << what << r.out;
    if (differing > 0) {
        EXPECT_NE(r.out.find(std::to_string(differing) + " of " + std::to_string(wanted.size())),
                  std::string::npos)
            << r.out;
    }
}

struct Image {
    const char* name;
    std::vector<uint8_t> (*make)(int64_t, unsigned);
    int64_t size;
};

const Image Images[] = {
    {"random 64 KiB", RandomBytes, 64 << 10}, {"firmware-like 64 KiB", FirmwareLikeBytes, 64 << 10},
    {"random 4 KiB", RandomBytes, 4 << 10},   {"firmware-like 24 KiB", FirmwareLikeBytes, 24 << 10},
    {"random 5001 bytes", RandomBytes, 5001},
};

class DetectCompositions : public ::testing::TestWithParam<Image> {};

TEST_P(DetectCompositions, PrintedCommandsRebuildTheDump) {
    const Image& image = GetParam();
    test::ScratchDir dir;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const std::string ref =
            dir.write("ref.bin", Bytes(image.make(image.size, seed))).toStdString();
        const std::vector<Command> commands =
            RandomComposition(seed * 7919 + static_cast<unsigned>(image.size), image.size);
        const std::string dump = Apply(dir, ref, commands);
        ExpectDetected(ref, dump, 0, "seed " + std::to_string(seed) + ": " + Join(commands));
    }
}

INSTANTIATE_TEST_SUITE_P(Images, DetectCompositions, ::testing::ValuesIn(Images),
                         [](const ::testing::TestParamInfo<Image>& info) {
                             std::string name = info.param.name;
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char c) { return !std::isalnum(c); }),
                                        name.end());
                             return name;
                         });

TEST(Detect, ToleratesAFewBadBytes) {
    test::ScratchDir dir;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::string ref =
            dir.write("ref.bin", Bytes(FirmwareLikeBytes(32 << 10, seed))).toStdString();
        const std::vector<Command> commands = RandomComposition(seed * 104729, 32 << 10);
        QByteArray dump = test::ReadAll(QString::fromStdString(Apply(dir, ref, commands)));
        std::mt19937 rng(seed);
        std::vector<qsizetype> spots(static_cast<size_t>(dump.size()));
        std::iota(spots.begin(), spots.end(), 0);
        std::shuffle(spots.begin(), spots.end(), rng);
        for (int k = 0; k < 12; ++k)
            dump[spots[k]] = static_cast<char>(dump[spots[k]] ^ (1 + rng() % 255));
        const std::string bad = dir.write("bad.bin", dump).toStdString();
        ExpectDetected(ref, bad, 12, Join(commands));
    }
}

TEST(Detect, FindsNothingWhereNothingFits) {
    test::ScratchDir dir;
    const std::vector<uint8_t> reference = FirmwareLikeBytes(16 << 10, 3);
    std::vector<uint8_t> spoiled = reference;
    std::mt19937 rng(4);
    for (size_t i = 0; i < spoiled.size(); i += 1 + rng() % 5)
        spoiled[i] = static_cast<uint8_t>(~spoiled[i]);
    struct Case {
        const char* what;
        std::vector<uint8_t> dump;
        const char* says;
    };
    const Case cases[] = {
        {"unrelated data", RandomBytes(16 << 10, 5), "no transformation found"},
        {"three quarters", {reference.begin(), reference.begin() + (12 << 10)}, "a quarter"},
        {"larger", FirmwareLikeBytes(32 << 10, 3), "a quarter"},
        {"a third of the bytes spoiled", spoiled, "below 90"},
    };
    const std::string ref = dir.write("ref.bin", Bytes(reference)).toStdString();
    for (const Case& c : cases) {
        const std::string dump = dir.write("dump.bin", Bytes(c.dump)).toStdString();
        const test::Outcome r = test::RunLine({"detect", ref, dump});
        EXPECT_EQ(r.status, tool::ExitNotFound) << c.what << r.out;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << r.err;
    }
}

TEST(Detect, ReadsEveryFormat) {
    test::ScratchDir dir;
    const std::string raw = dir.write("ref.bin", Bytes(RandomBytes(4096, 9))).toStdString();
    const std::string hex = dir.native("ref.hex");
    const std::string srec = dir.native("dump.s19");
    ASSERT_EQ(test::RunLine({"convert", raw, hex}).status, 0);
    ASSERT_EQ(test::RunLine({"swap", "--size", "4", hex, srec}).status, 0);
    const test::Outcome r = test::RunLine({"detect", hex, srec});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(test::RunPrinted(r.out).status, 0) << r.out;
    const std::string back = dir.native("back.s19");
    ASSERT_EQ(test::RunLine({"convert", "--in-format", "binary", MatchedFile(r.out), back}).status,
              0);
    EXPECT_EQ(test::ReadAll(QString::fromStdString(back)),
              test::ReadAll(QString::fromStdString(srec)));
}

// A firmware-like image that starts with an ARM Cortex-M vector table: stack pointer in RAM, an
// odd reset address inside the image.
std::vector<uint8_t> CortexImage(int64_t size, unsigned seed) {
    std::vector<uint8_t> image = FirmwareLikeBytes(size, seed);
    const uint8_t table[8] = {0x00, 0x20, 0x00, 0x20, 0x01, 0x04, 0x00, 0x00};
    std::copy(std::begin(table), std::end(table), image.begin());
    return image;
}

TEST(DetectUnknown, RanksTheUndoingFirst) {
    const std::vector<std::vector<Command>> rearrangements = {
        {{{"swap", "--size", "2"}}},
        {{{"mirror"}}},
        {{{"bitrev"}}, {{"swap", "--size", "4"}}},
        {{{"mirror", "--size", "2"}}, {{"invert"}}},
    };
    test::ScratchDir dir;
    for (size_t k = 0; k < rearrangements.size(); ++k) {
        const QByteArray firmware = Bytes(CortexImage(32 << 10, static_cast<unsigned>(k)));
        const std::string original = dir.write("fw.bin", firmware).toStdString();
        const std::string dump = Apply(dir, original, rearrangements[k]);
        const test::Outcome r = test::RunLine({"detect", "--unknown", dump});
        ASSERT_EQ(r.status, 0) << Join(rearrangements[k]) << r.err;
        const std::string first = r.out.substr(0, r.out.find("\n2. "));
        ASSERT_EQ(test::RunPrinted(first).status, 0) << r.out;
        const size_t result = first.find("result: ") + 8;
        EXPECT_EQ(test::ReadAll(QString::fromStdString(
                      first.substr(result, first.find('\n', result) - result))),
                  firmware)
            << Join(rearrangements[k]) << "\n"
            << r.out;
    }
}

TEST(DetectUnknown, TakesTheFirmwareOutOfInterleavedChips) {
    test::ScratchDir dir;
    const QByteArray firmware = Bytes(CortexImage(16 << 10, 11));
    const std::string even = dir.write("even.bin", firmware).toStdString();
    const std::string odd = dir.write("odd.bin", Bytes(RandomBytes(16 << 10, 12))).toStdString();
    const std::string dump = dir.native("dump.bin");
    ASSERT_EQ(test::RunLine({"interleave", even, odd, dump}).status, 0);
    const test::Outcome r = test::RunLine({"detect", "--unknown", dump});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string first = r.out.substr(0, r.out.find("\n2. "));
    ASSERT_EQ(test::RunPrinted(first).status, 0) << r.out;
    EXPECT_EQ(test::ReadAll(dir.path("dump.bin.undone.part.0")), firmware) << r.out;
}

TEST(DetectUnknown, NeedsExactlyTheDumpAndSomeSignOfFirmware) {
    test::ScratchDir dir;
    const std::string a = dir.write("a.bin", "ab").toStdString();
    EXPECT_EQ(test::RunLine({"detect", "--unknown", a, a}).status, tool::ExitUsage);
    EXPECT_EQ(test::RunLine({"detect", a}).status, tool::ExitUsage);
    // No candidate makes text, an erased tail or a vector of 0x80s.
    const std::string flat = dir.write("flat.bin", QByteArray(4096, '\x80')).toStdString();
    EXPECT_EQ(test::RunLine({"detect", "--unknown", flat}).status, tool::ExitNotFound);
}

} // namespace
