// Commands.cpp — option parsing, the commands of vornex-tool and their help.
#include "Commands.h"

#include "BusTransforms.h"
#include "Checksums.h"
#include "ImageFormats.h"
#include "ImageTransforms.h"
#include "Streaming.h"
#include "ToolFiles.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace tool {

namespace {

constexpr const char* ProgramName = "vornex-tool";

ToolError UsageError(const std::string& message) {
    return ToolError(ExitUsage, message);
}

// One option of the command line; a flag takes no value.
struct OptionRule {
    std::string_view name;
    bool takesValue;
};

constexpr OptionRule Options[] = {
    {"--in-format", true},     {"--out-format", true}, {"--fill", true},
    {"--base", true},          {"--size", true},       {"--order", true},
    {"--pad", true},           {"--ways", true},       {"--width", true},
    {"--address-lines", true}, {"--data-lines", true}, {"--address-xor", true},
    {"--data-xor", true},      {"--reverse", false},
};

struct ParsedLine {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string, std::less<>> options;
    bool help = false;
};

ParsedLine ParseLine(const std::vector<std::string>& args) {
    ParsedLine parsed;
    bool onlyOperands = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyOperands || arg == "-" || arg.rfind("-", 0) != 0) {
            if (parsed.command.empty())
                parsed.command = arg;
            else
                parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyOperands = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto rule = std::find_if(std::begin(Options), std::end(Options),
                                       [&](const OptionRule& o) { return o.name == name; });
        if (rule == std::end(Options))
            throw UsageError("unknown option " + name);
        std::string value;
        if (!rule->takesValue) {
            if (equals != std::string::npos)
                throw UsageError(name + " takes no value");
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(name + " needs a value");
        }
        if (!parsed.options.emplace(name, value).second)
            throw UsageError(name + " is given twice");
    }
    return parsed;
}

// A number in decimal or, with 0x, in hex, from 0 to max.
uint64_t ParseNumber(const std::string& option, const std::string& text, uint64_t max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    uint64_t value = 0;
    bool valid = !digits.empty();
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        const uint64_t radix = hex ? 16 : 10;
        if (d < 0 || value > (max - d) / radix) {
            valid = false;
            break;
        }
        value = value * radix + d;
    }
    if (!valid) {
        char range[32];
        std::snprintf(range, sizeof range, "0x%llX", static_cast<unsigned long long>(max));
        throw UsageError(option + ": '" + text + "' is not a number from 0 to " + range);
    }
    return value;
}

// A list of lines: numbers and ranges "a-b" (either way round) separated by commas.
std::vector<int> ParseLineList(const std::string& option, const std::string& text) {
    std::vector<int> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            lines.push_back(static_cast<int>(ParseNumber(option, item, 31)));
        } else {
            const int from = static_cast<int>(ParseNumber(option, item.substr(0, dash), 31));
            const int to = static_cast<int>(ParseNumber(option, item.substr(dash + 1), 31));
            for (int line = from;; line += from <= to ? 1 : -1) {
                lines.push_back(line);
                if (line == to)
                    break;
            }
        }
        start = comma + 1;
    }
    return lines;
}

// An input file and the image it holds: the file itself when raw, its records otherwise.
struct Input {
    std::unique_ptr<InputFile> file;
    std::optional<SparseImage> records;

    ByteSource& image() { return records ? static_cast<ByteSource&>(*records) : *file; }
    int64_t origin() const { return records ? records->origin : 0; }
    std::optional<uint32_t> entry() const { return records ? records->entry : std::nullopt; }
    const std::string& name() const { return file->name(); }
};

// An output file and the writer of its format; finish() completes and commits it.
struct Output {
    std::unique_ptr<OutputFile> file;
    std::unique_ptr<ImageWriter> writer;

    void finish() {
        writer->finish();
        file->commit();
    }
};

class Invocation;

// What a command may be given and what it does.
struct CommandRule {
    std::string_view name;
    std::vector<std::string_view> options;
    int minOperands;
    int maxOperands;
    std::function<void(const Invocation&)> run;
};

// One parsed command line with the options common to all commands.
class Invocation {
public:
    Invocation(ParsedLine line, std::ostream& out) : line_(std::move(line)), out_(out) {
        if (auto v = option("--in-format"))
            inFormat_ = FormatOption("--in-format", *v);
        if (auto v = option("--out-format"))
            outFormat_ = FormatOption("--out-format", *v);
        if (auto v = option("--fill"))
            fill_ = static_cast<uint8_t>(ParseNumber("--fill", *v, 0xFF));
        if (auto v = option("--base"))
            base_ = static_cast<int64_t>(ParseNumber("--base", *v, 0xFFFFFFFF));
    }

    const std::vector<std::string>& operands() const { return line_.operands; }
    std::ostream& out() const { return out_; }

    std::optional<std::string> option(std::string_view name) const {
        const auto it = line_.options.find(name);
        if (it == line_.options.end())
            return std::nullopt;
        return it->second;
    }
    bool flag(std::string_view name) const { return option(name).has_value(); }

    // The value of an option that must be one of choices (or fallback when it is not given).
    std::string choice(std::string_view name, std::vector<std::string> choices,
                       std::optional<std::string> fallback) const {
        const auto value = option(name);
        if (!value && !fallback)
            throw UsageError(line_.command + " needs " + std::string(name));
        const std::string chosen = value ? *value : *fallback;
        if (std::find(choices.begin(), choices.end(), chosen) == choices.end()) {
            std::string allowed;
            for (const auto& c : choices)
                allowed += (allowed.empty() ? "" : ", ") + c;
            throw UsageError(std::string(name) + " must be one of " + allowed);
        }
        return chosen;
    }
    int number(std::string_view name, std::vector<std::string> choices,
               std::optional<std::string> fallback) const {
        return std::stoi(choice(name, std::move(choices), std::move(fallback)));
    }
    std::optional<uint8_t> pad() const {
        if (auto v = option("--pad"))
            return static_cast<uint8_t>(ParseNumber("--pad", *v, 0xFF));
        return std::nullopt;
    }

    std::unique_ptr<Input> load(const std::string& path) const {
        auto input = std::make_unique<Input>();
        input->file = std::make_unique<InputFile>(path);
        const FormatChoice format = inFormat_.value_or(FormatFromPath(path));
        try {
            if (format.format == FileFormat::IntelHex)
                input->records = ParseIntelHexFrom(*input->file, fill_);
            else if (format.format == FileFormat::SRecord)
                input->records = ParseSRecordFrom(*input->file, fill_);
        } catch (const FormatError& e) {
            throw ToolError(ExitBadData, input->name() + ": " + e.what());
        }
        return input;
    }

    // An output of size bytes at origin (or --base) with an entry; formatPath names the file whose
    // extension decides the format.
    Output create(const std::string& path, const std::string& formatPath, int64_t origin,
                  int64_t size, std::optional<uint32_t> entry) const {
        Output output;
        output.file = std::make_unique<OutputFile>(path);
        try {
            output.writer = ImageWriter::Make(outFormat_.value_or(FormatFromPath(formatPath)),
                                              base_.value_or(origin), size, entry, *output.file);
        } catch (const FormatError& e) {
            throw ToolError(ExitBadData, output.file->name() + ": " + e.what());
        }
        return output;
    }

    Output create(const std::string& path, const Input& input, int64_t size) const {
        return create(path, path, input.origin(), size, input.entry());
    }

    static std::string Name(const std::string& path) {
        return path == "-" ? "standard input" : path;
    }

private:
    static FormatChoice FormatOption(const std::string& option, const std::string& name) {
        if (auto f = FormatFromName(name))
            return *f;
        throw UsageError(option + ": unknown format '" + name +
                         "' (binary, ihex, ihex8, ihex16, ihex32, srec, s19, s28, s37)");
    }

    ParsedLine line_;
    std::ostream& out_;
    std::optional<FormatChoice> inFormat_;
    std::optional<FormatChoice> outFormat_;
    uint8_t fill_ = 0xFF;
    std::optional<int64_t> base_;
};

// The size padded to a whole number of units with the --pad byte; without one a partial unit is
// refused.
int64_t PaddedSize(Input& input, int64_t unit, std::optional<uint8_t> pad,
                   const std::string& what) {
    const int64_t size = input.image().size();
    const int64_t rest = size % unit;
    if (rest == 0)
        return size;
    if (!pad)
        throw ToolError(ExitBadData, input.name() + ": " + std::to_string(size) +
                                         " bytes are not a whole number of " + what +
                                         " (--pad BYTE completes the last one)");
    return size + (unit - rest);
}

// Runs a transformation from operand 0 to operand 1 with the output as large as the input.
void Transform(const Invocation& call,
               const std::function<void(ByteSource&, ImageWriter&)>& transform) {
    const auto input = call.load(call.operands()[0]);
    Output output = call.create(call.operands()[1], *input, input->image().size());
    transform(input->image(), *output.writer);
    output.finish();
}

void RunSplit(const Invocation& call) {
    const int ways = call.number("--ways", {"2", "4"}, std::nullopt);
    const int width = call.number("--width", {"1", "2"}, "1");
    const std::string& prefix = call.operands()[1];
    if (prefix == "-")
        throw UsageError("split writes several files; its OUT_PREFIX cannot be -");
    const auto input = call.load(call.operands()[0]);
    const int64_t size = PaddedSize(*input, int64_t{ways} * width, call.pad(),
                                    std::to_string(ways * width) + "-byte bus words");
    PaddedSource padded(input->image(), size, call.pad().value_or(0));
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

// A command that copies operand 0 to operand 1 with each block of bytes changed in place.
CommandRule ByteChangeCommand(std::string_view name, void (*change)(uint8_t*, int64_t)) {
    return {name,
            {"--in-format", "--out-format", "--fill", "--base"},
            2,
            2,
            [change](const Invocation& call) {
                Transform(call, [change](ByteSource& image, ImageWriter& writer) {
                    StreamChanged(image, writer, change);
                });
            }};
}

const std::vector<CommandRule>& Commands() {
    static const std::vector<CommandRule> commands = {
        ByteChangeCommand("convert", [](uint8_t*, int64_t) {}),
        {"mirror",
         {"--in-format", "--out-format", "--fill", "--base", "--size", "--order"},
         2,
         2,
         [](const Invocation& call) {
             const int size = call.number("--size", {"1", "2"}, "1");
             const bool low = call.choice("--order", {"low", "high"}, "low") == "low";
             Transform(call, [&](ByteSource& image, ImageWriter& writer) {
                 StreamMirror(image, writer, size - 1, low);
             });
         }},
        ByteChangeCommand("invert", InvertBytes),
        {"swap",
         {"--in-format", "--out-format", "--fill", "--base", "--size", "--pad"},
         2,
         2,
         [](const Invocation& call) {
             const int size = call.number("--size", {"2", "4", "8"}, std::nullopt);
             const auto input = call.load(call.operands()[0]);
             const int64_t padded =
                 PaddedSize(*input, size, call.pad(), std::to_string(size) + "-byte words");
             PaddedSource image(input->image(), padded, call.pad().value_or(0));
             Output output = call.create(call.operands()[1], *input, padded);
             StreamChanged(image, *output.writer,
                           [size](uint8_t* bytes, int64_t n) { SwapWordBytes(bytes, n, size); });
             output.finish();
         }},
        ByteChangeCommand("bitrev", ReverseBitsInBytes),
        {"split",
         {"--in-format", "--out-format", "--fill", "--base", "--ways", "--width", "--pad"},
         2,
         2,
         RunSplit},
        {"interleave",
         {"--in-format", "--out-format", "--fill", "--base", "--width"},
         3,
         5,
         RunInterleave},
        {"scramble",
         {"--in-format", "--out-format", "--fill", "--base", "--address-lines", "--data-lines",
          "--address-xor", "--data-xor", "--reverse"},
         2,
         2,
         RunScramble},
        {"sum",
         {"--in-format", "--fill"},
         1,
         1,
         [](const Invocation& call) {
             const auto input = call.load(call.operands()[0]);
             call.out() << StreamChecksumReport(input->image());
         }},
    };
    return commands;
}

void Run(const std::vector<std::string>& args, std::ostream& out) {
    ParsedLine line = ParseLine(args);
    if (line.help) {
        out << HelpText();
        return;
    }
    if (line.command.empty())
        throw UsageError("no command given");
    const auto& commands = Commands();
    const auto rule = std::find_if(commands.begin(), commands.end(),
                                   [&](const CommandRule& c) { return c.name == line.command; });
    if (rule == commands.end())
        throw UsageError("unknown command '" + line.command + "'");
    for (const auto& [name, value] : line.options)
        if (std::find(rule->options.begin(), rule->options.end(), name) == rule->options.end())
            throw UsageError(name + " does not apply to " + line.command);
    const int count = static_cast<int>(line.operands.size());
    if (count < rule->minOperands || count > rule->maxOperands)
        throw UsageError(
            line.command + " takes " +
            (rule->minOperands == rule->maxOperands
                 ? std::to_string(rule->minOperands)
                 : std::to_string(rule->minOperands) + " to " + std::to_string(rule->maxOperands)) +
            " file operands, not " + std::to_string(count));
    rule->run(Invocation(std::move(line), out));
}

} // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Run(args, out);
        out.flush();
        return 0;
    } catch (const ToolError& e) {
        err << ProgramName << ": " << e.what() << '\n';
        if (e.ExitStatus == ExitUsage)
            err << "Try '" << ProgramName << " --help' for more information.\n";
        return e.ExitStatus;
    } catch (const std::bad_alloc&) {
        err << ProgramName << ": out of memory\n";
        return ExitFileError;
    }
}

std::string HelpText() {
    return R"(Usage: vornex-tool COMMAND [OPTIONS] FILES...
Prepares EPROM images with the same transformations as the VORNEX window.

Commands:
  convert IN OUT              copy an image, changing its format or base address
  mirror [--size 1|2] [--order low|high] IN OUT
                              reverse the address order by bytes (size 1, the default) or by
                              16-bit words, low (default) or high byte first, exactly as the
                              window's "Инвертировать адреса"
  invert IN OUT               invert every data bit, as the window's "Инвертировать данные"
  swap --size 2|4|8 [--pad BYTE] IN OUT
                              reverse the bytes inside each word; a trailing partial word is an
                              error unless --pad completes it
  bitrev IN OUT               reverse the bit order of every byte (data lines D0..D7 reversed)
  split --ways 2|4 [--width 1|2] [--pad BYTE] IN OUT_PREFIX
                              deal units of WIDTH bytes to 2 or 4 chips in turn, writing
                              OUT_PREFIX.0, OUT_PREFIX.1, ...
  interleave [--width 1|2] IN0 IN1 [IN2 IN3] OUT
                              the inverse of split; the inputs must be the same size
  scramble [--address-lines LIST] [--data-lines LIST] [--address-xor MASK]
           [--data-xor MASK] [--reverse] IN OUT
                              rewire address and data lines: line i of the result comes from
                              line LIST[i] of the input, then the masks invert result lines;
                              --reverse undoes it. The image must be a whole number of blocks
                              of 2^(number of address lines) bytes; higher lines pass through.
                              LIST is numbers and ranges, e.g. 0-7,9,8,10-14; data lines
                              default to 0-7, address lines to none
  sum IN                      print CRC-32 (zlib), CRC-16/CCITT-FALSE, the 8- and 16-bit byte
                              sums and the 16-bit word sums little and big endian, in hex

Options for every IN and OUT:
  --in-format FORMAT          format of the inputs (default: by extension)
  --out-format FORMAT         format of the output (default: by extension)
      FORMAT: binary (raw), ihex (hex), ihex8, ihex16, ihex32, srec, s19, s28, s37
      extensions: .hex .ihx .ihex Intel HEX; .s19 .s28 .s37 .srec .mot S-records;
      anything else raw binary; a numbered part such as chip.hex.0 counts by the
      extension before its number. ihex and srec choose the smallest address records
      that hold the image.
  --fill BYTE                 byte for addresses no record gives (default 0xFF)
  --base ADDR                 start address of a HEX or S-record output (default: the
                              input's lowest address; 0 for split and interleave)
  -                           as IN: standard input; as OUT: standard output (raw binary
                              unless --in-format/--out-format say otherwise)
  -h, --help                  show this help

Numbers are decimal or hex with 0x. Inputs may be up to 4 GiB: a raw file's size or the span
from the lowest to the highest address of a HEX or S-record file. Files are read and written in
blocks of 1 MiB, so memory stays small whatever their size; a HEX or S-record input keeps only the
bytes its records give, not its gaps, and standard input is read whole (up to 256 MiB).
Output files are written through a temporary file and renamed when complete: a failed command
leaves no partial output and an existing file as it was.

Exit status:
  0  success
  1  wrong command line
  2  a file cannot be read or written (missing, unreadable, over 4 GiB, disk full, ...)
  3  bad input data: a malformed record (with its line number), conflicting records, a size
     that is not a whole number of words, blocks or units, parts of different sizes, or
     addresses the output's records cannot hold
)";
}

} // namespace tool
