// Commands.cpp — option parsing, the commands of vornex-tool and their help.
#include "Commands.h"

#include "BusTransforms.h"
#include "Checksums.h"
#include "ImageFormats.h"
#include "ImageTransforms.h"
#include "ToolFiles.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
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

    AddressedImage load(const std::string& path) const {
        const FormatChoice format = inFormat_.value_or(FormatFromPath(path));
        // A text format needs up to about three characters per byte.
        const int64_t limit = format.format == FileFormat::Binary ? MaxImageSize : 4 * MaxImageSize;
        const std::string content = ReadInput(path, limit);
        try {
            return ParseImage(content, format.format, fill_);
        } catch (const FormatError& e) {
            throw ToolError(ExitFailure, Name(path) + ": " + e.what());
        }
    }

    // The image in the output's format; formatPath names the file whose extension decides.
    std::string format(AddressedImage image, const std::string& formatPath) const {
        if (base_)
            image.origin = *base_;
        try {
            return WriteImage(image, outFormat_.value_or(FormatFromPath(formatPath)));
        } catch (const FormatError& e) {
            const std::string name = formatPath == "-" ? "standard output" : formatPath;
            throw ToolError(ExitFailure, name + ": " + e.what());
        }
    }

    void save(const AddressedImage& image, const std::string& path) const {
        WriteOutput(path, format(image, path));
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

// Pads the image to a whole number of units with the --pad byte, or refuses it without one.
void PadToUnits(AddressedImage& image, int64_t unit, std::optional<uint8_t> pad,
                const std::string& path, const std::string& what) {
    const int64_t rest = static_cast<int64_t>(image.bytes.size()) % unit;
    if (rest == 0)
        return;
    if (!pad)
        throw ToolError(ExitFailure, Invocation::Name(path) + ": " +
                                         std::to_string(image.bytes.size()) +
                                         " bytes are not a whole number of " + what +
                                         " (--pad BYTE completes the last one)");
    image.bytes.resize(image.bytes.size() + (unit - rest), *pad);
}

// Runs a transformation of the image in place from operand 0 to operand 1.
void Transform(const Invocation& call, const std::function<void(AddressedImage&)>& change) {
    AddressedImage image = call.load(call.operands()[0]);
    change(image);
    call.save(image, call.operands()[1]);
}

void RunSplit(const Invocation& call) {
    const int ways = call.number("--ways", {"2", "4"}, std::nullopt);
    const int width = call.number("--width", {"1", "2"}, "1");
    const std::string& prefix = call.operands()[1];
    if (prefix == "-")
        throw UsageError("split writes several files; its OUT_PREFIX cannot be -");
    AddressedImage image = call.load(call.operands()[0]);
    PadToUnits(image, int64_t{ways} * width, call.pad(), call.operands()[0],
               std::to_string(ways * width) + "-byte bus words");
    // Each chip's content starts at address 0 of its own programmer buffer.
    std::vector<std::string> texts;
    for (Bytes& part : SplitWays(image.bytes, ways, width))
        texts.push_back(call.format({0, std::move(part), std::nullopt}, prefix));
    for (size_t k = 0; k < texts.size(); ++k)
        WriteOutput(prefix + "." + std::to_string(k), texts[k]);
}

void RunInterleave(const Invocation& call) {
    const int width = call.number("--width", {"1", "2"}, "1");
    const auto& operands = call.operands();
    if (operands.size() != 3 && operands.size() != 5)
        throw UsageError("interleave takes 2 or 4 inputs and an output");
    std::vector<Bytes> parts;
    for (size_t k = 0; k + 1 < operands.size(); ++k) {
        parts.push_back(call.load(operands[k]).bytes);
        if (parts.back().size() != parts.front().size())
            throw ToolError(ExitFailure, Invocation::Name(operands[k]) + ": " +
                                             std::to_string(parts.back().size()) + " bytes, but " +
                                             Invocation::Name(operands[0]) + " has " +
                                             std::to_string(parts.front().size()) +
                                             "; the parts must be the same size");
        if (parts.back().size() % width != 0)
            throw ToolError(ExitFailure, Invocation::Name(operands[k]) +
                                             ": not a whole number of " + std::to_string(width) +
                                             "-byte units");
    }
    call.save({0, InterleaveWays(parts, width), std::nullopt}, operands.back());
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
    Transform(call, [&](AddressedImage& image) {
        const int64_t block = int64_t{1} << wiring.addressLines.size();
        if (static_cast<int64_t>(image.bytes.size()) % block != 0)
            throw ToolError(ExitFailure, Invocation::Name(call.operands()[0]) + ": " +
                                             std::to_string(image.bytes.size()) +
                                             " bytes are not a whole number of blocks of " +
                                             std::to_string(block) + " bytes (2^" +
                                             std::to_string(wiring.addressLines.size()) + ")");
        image.bytes = Scramble(image.bytes, wiring, direction);
    });
}

const std::vector<CommandRule>& Commands() {
    static const std::vector<CommandRule> commands = {
        {"convert",
         {"--in-format", "--out-format", "--fill", "--base"},
         2,
         2,
         [](const Invocation& call) { Transform(call, [](AddressedImage&) {}); }},
        {"mirror",
         {"--in-format", "--out-format", "--fill", "--base", "--size", "--order"},
         2,
         2,
         [](const Invocation& call) {
             const int size = call.number("--size", {"1", "2"}, "1");
             const bool low = call.choice("--order", {"low", "high"}, "low") == "low";
             Transform(call, [&](AddressedImage& image) {
                 MirrorByDataSize(image.bytes.data(), static_cast<int64_t>(image.bytes.size()),
                                  size - 1, low);
             });
         }},
        {"invert",
         {"--in-format", "--out-format", "--fill", "--base"},
         2,
         2,
         [](const Invocation& call) {
             Transform(call, [](AddressedImage& image) {
                 InvertBytes(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
             });
         }},
        {"swap",
         {"--in-format", "--out-format", "--fill", "--base", "--size", "--pad"},
         2,
         2,
         [](const Invocation& call) {
             const int size = call.number("--size", {"2", "4", "8"}, std::nullopt);
             Transform(call, [&](AddressedImage& image) {
                 PadToUnits(image, size, call.pad(), call.operands()[0],
                            std::to_string(size) + "-byte words");
                 SwapWordBytes(image.bytes.data(), static_cast<int64_t>(image.bytes.size()), size);
             });
         }},
        {"bitrev",
         {"--in-format", "--out-format", "--fill", "--base"},
         2,
         2,
         [](const Invocation& call) {
             Transform(call, [](AddressedImage& image) {
                 ReverseBitsInBytes(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
             });
         }},
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
             const AddressedImage image = call.load(call.operands()[0]);
             call.out() << ChecksumReport(image.bytes.data(),
                                          static_cast<int64_t>(image.bytes.size()));
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
        return ExitFailure;
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

Numbers are decimal or hex with 0x. Images may hold up to 256 MiB. Output files are written
whole or not at all. Exit status: 0 success, 1 file or format error, 2 wrong command line.
)";
}

} // namespace tool
