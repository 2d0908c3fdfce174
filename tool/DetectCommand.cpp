// DetectCommand.cpp — the detect command: the commands that turn a reference into a dump, or the
// likely undoings of a dump of unknown origin.
#include "CommandGroups.h"
#include "Detect.h"

#include <cmath>
#include <cstdio>

namespace tool {

namespace {

// How many guesses detect --unknown prints, and the score the best must reach: one weak sign alone
// (text, an erased tail) does not, since some candidate of a random image shows one.
constexpr int GuessCount = 5;
constexpr double MinGuessScore = 1.0;

Bytes LoadWhole(const Invocation& call, const std::string& path) {
    const auto input = call.load(path);
    ByteSource& image = input->image();
    const int64_t size = image.size();
    if (size > MaxImageSize)
        throw ToolError(ExitBadData, input->name() + ": " + std::to_string(size) +
                                         " bytes; detect holds its images in memory, up to " +
                                         std::to_string(MaxImageSize >> 20) + " MiB");
    Bytes bytes(static_cast<size_t>(size));
    image.read(0, bytes.data(), size);
    return bytes;
}

// A share as a percentage that reads 100 only when it is whole: 99.999% shows as 99.99%.
std::string Percent(double share) {
    if (share >= 1.0)
        return "100%";
    char text[16];
    std::snprintf(text, sizeof text, "%.2f%%", std::floor(share * 10000) / 100);
    return text;
}

// The options that decide how the reference was read, for the first printed command.
std::vector<std::string> InputOptions(const Invocation& call) {
    std::vector<std::string> options;
    for (const char* name : {"--in-format", "--fill"})
        if (auto value = call.option(name)) {
            options.push_back(name);
            options.push_back(*value);
        }
    return options;
}

std::string OutputName(const std::string& dump, const char* suffix) {
    return (dump == "-" ? std::string("dump") : dump) + suffix;
}

void RunUnknown(const Invocation& call) {
    const std::string& path = call.operands()[0];
    const Bytes dump = LoadWhole(call, path);
    const std::vector<Guess> guesses = GuessUndo(dump, GuessCount);
    if (guesses.empty() || guesses.front().score < MinGuessScore)
        throw ToolError(ExitNotFound, "no sign of firmware in " + Invocation::Name(path) +
                                          " under any candidate undoing");
    std::ostream& out = call.out();
    for (size_t g = 0; g < guesses.size(); ++g) {
        const Guess& guess = guesses[g];
        char score[32];
        std::snprintf(score, sizeof score, "%.2f", guess.score);
        out << g + 1 << ". score " << score << ": " << DescribeRecipe(guess.undo) << '\n';
        std::string signs;
        for (const std::string& reason : guess.reasons)
            signs += (signs.empty() ? "" : "; ") + reason;
        out << "   signs: " << (signs.empty() ? "none" : signs) << '\n';
        const RecipeLines lines =
            RecipeCommands(guess.undo, path, OutputName(path, ".undone"), InputOptions(call));
        for (const std::string& line : lines.lines)
            out << "   " << line << '\n';
        out << "   result: " << lines.result << '\n';
    }
}

void RunDetect(const Invocation& call) {
    const auto& operands = call.operands();
    if (call.flag("--unknown")) {
        if (operands.size() != 1)
            throw UsageError("detect --unknown takes one file, the dump");
        RunUnknown(call);
        return;
    }
    if (operands.size() != 2)
        throw UsageError("detect takes REFERENCE and DUMP (or --unknown DUMP)");
    const Bytes reference = LoadWhole(call, operands[0]);
    const Bytes dump = LoadWhole(call, operands[1]);
    const std::string referenceName = Invocation::Name(operands[0]);
    const std::string dumpName = Invocation::Name(operands[1]);
    const size_t n = reference.size();
    const size_t m = dump.size();
    if (m == 0 || !(n == m || n == 2 * m || n == 4 * m))
        throw ToolError(ExitNotFound,
                        "no transformation found: " + dumpName + " has " + std::to_string(m) +
                            " bytes and " + referenceName + " " + std::to_string(n) +
                            "; detect looks for a dump of the same size, a half or a quarter");
    double best = 0;
    const auto found = DetectTransformation(reference, dump, &best);
    if (!found)
        throw ToolError(ExitNotFound,
                        "no transformation found from " + referenceName + " to " + dumpName +
                            (best > 0 ? " (the best candidate matches " + Percent(best) +
                                            ", below " + Percent(DetectMinMatch) + ")"
                                      : " (no candidate matches its sampled bytes)"));
    const RecipeLines lines = RecipeCommands(
        found->recipe, operands[0], OutputName(operands[1], ".detected"), InputOptions(call));
    std::ostream& out = call.out();
    out << "found: " << DescribeRecipe(found->recipe) << '\n';
    for (const std::string& line : lines.lines)
        out << line << '\n';
    out << "match " << Percent(found->share()) << ": ";
    if (found->differing == 0)
        out << lines.result << " equals " << dumpName << '\n';
    else
        out << found->differing << " of " << found->dumpSize << " bytes of " << lines.result
            << " differ from " << dumpName << '\n';
}

} // namespace

std::vector<CommandRule> DetectCommands() {
    return {
        {"detect",
         {{"--in-format"}, {"--fill"}, {"--unknown", false}},
         1,
         2,
         RunDetect,
         "  detect REFERENCE DUMP       find the commands that turn REFERENCE into DUMP and "
         "print them,\n"
         "                              with the share of DUMP their result matches (at least "
         "90%, else\n"
         "                              exit status 5). DUMP is REFERENCE or a split part of it "
         "(a half\n"
         "                              or a quarter), mirrored, swapped, bit-reversed, "
         "inverted, its data\n"
         "                              lines permuted, or its address lines (up to 22) "
         "permuted, each\n"
         "                              with inversion masks, or several of these\n"
         "  detect --unknown DUMP       rank the mirrors, swaps, bitrev, invert and split parts "
         "that may\n"
         "                              undo DUMP by the reset vectors, text and erased tail of "
         "their\n"
         "                              result; print the best 5 with the commands\n"},
    };
}

} // namespace tool
