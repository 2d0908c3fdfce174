// Commands.cpp — the command line of vornex-tool parsed and dispatched to its commands, and the
// help.
#include "Commands.h"

#include "CommandGroups.h"

#include <algorithm>

namespace tool {

namespace {

constexpr const char* ProgramName = "vornex-tool";

// Every command, in the order of --help.
const std::vector<CommandRule>& Commands() {
    static const std::vector<CommandRule> commands = [] {
        std::vector<CommandRule> all;
        for (auto group :
             {TransformCommands, VerifyCommands, LayoutCommands, MergeCommands, DetectCommands})
            for (CommandRule& rule : group())
                all.push_back(std::move(rule));
        return all;
    }();
    return commands;
}

// The rule of an option by its name, from whichever command declares it.
const OptionRule* FindOption(std::string_view name) {
    for (const CommandRule& command : Commands())
        for (const OptionRule& option : command.options)
            if (option.name == name)
                return &option;
    return nullptr;
}

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
        if (arg == "--version") {
            parsed.version = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionRule* rule = FindOption(name);
        if (!rule)
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
        parsed.options.emplace_back(name, value);
    }
    return parsed;
}

void Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedLine line = ParseLine(args);
    if (line.help) {
        out << HelpText();
        return;
    }
    if (line.version) {
        out << ProgramName << ' ' << VORNEX_VERSION << '\n';
        return;
    }
    if (line.command.empty())
        throw UsageError("no command given");
    const auto& commands = Commands();
    const auto rule = std::find_if(commands.begin(), commands.end(),
                                   [&](const CommandRule& c) { return c.name == line.command; });
    if (rule == commands.end())
        throw UsageError("unknown command '" + line.command + "'");
    for (size_t i = 0; i < line.options.size(); ++i) {
        const std::string& name = line.options[i].first;
        const auto option = std::find_if(rule->options.begin(), rule->options.end(),
                                         [&](const OptionRule& o) { return o.name == name; });
        if (option == rule->options.end())
            throw UsageError(name + " does not apply to " + line.command);
        if (!option->repeatable)
            for (size_t j = 0; j < i; ++j)
                if (line.options[j].first == name)
                    throw UsageError(name + " is given twice");
    }
    const int count = static_cast<int>(line.operands.size());
    if (count < rule->minOperands || count > rule->maxOperands)
        throw UsageError(
            line.command + " takes " +
            (rule->minOperands == rule->maxOperands
                 ? std::to_string(rule->minOperands)
                 : std::to_string(rule->minOperands) + " to " + std::to_string(rule->maxOperands)) +
            " file operands, not " + std::to_string(count));
    rule->run(Invocation(std::move(line), out, err));
}

// The commands' entries of --help.
std::string CommandHelp() {
    std::string text;
    for (const CommandRule& command : Commands())
        text += command.help;
    return text;
}

} // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Run(args, out, err);
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
       vornex-tool --version
Prepares EPROM images with the same transformations as the VORNEX window.

Commands:
)" + CommandHelp() +
           R"(
Options for every IN and OUT:
  --in-format FORMAT          format of the inputs (default: by extension)
  --out-format FORMAT         format of the output (default: by extension)
      FORMAT: binary (raw), ihex (hex), ihex8, ihex16, ihex32, srec, s19, s28, s37
      extensions: .hex .ihx .ihex Intel HEX; .s19 .s28 .s37 .srec .mot S-records;
      anything else raw binary; a numbered part such as chip.hex.0 counts by the
      extension before its number. ihex and srec choose the smallest address records
      that hold the image.
  --fill BYTE                 byte for addresses no record gives (default 0xFF)
  --allow-large               fill the gaps of a sparse input even where that writes over
                              16 MiB and over 16 times the bytes its records give
  --base ADDR                 start address of a HEX or S-record output (default: the
                              input's lowest address; 0 for split, interleave and chunk);
                              for compare, checksum and sum also the address of a raw input
  -                           as IN: standard input; as OUT: standard output (raw binary
                              unless --in-format/--out-format say otherwise)
  -h, --help                  show this help
  --version                   show the version

Numbers are decimal or hex with 0x. Inputs may be up to 4 GiB: a raw file's size or the span
from the lowest to the highest address of a HEX or S-record file. Files are read and written in
blocks of 1 MiB, so memory stays small whatever their size; a HEX or S-record input holds only the
bytes its records give (plus 24 bytes per record out of address order), not its gaps, and
standard input is read whole (up to 256 MiB). convert, invert, bitrev and swap keep the gaps: a
HEX or S-record output has no records there, a raw output the --fill byte; the other commands
fill them first.
Output files are written through a temporary file and renamed when complete: a failed command
leaves no partial output and an existing file as it was.

Exit status:
  0  success
  1  wrong command line
  2  a file cannot be read or written (missing, unreadable, over 4 GiB, disk full, ...)
  3  bad input data: a malformed record (with its line number), conflicting records, a size
     that is not a whole number of words, blocks or units, parts of different sizes,
     addresses the output's records cannot hold, an address or range outside the image,
     an image larger than its size or chip, merged inputs that overlap, or gaps too large
     to fill without --allow-large
  4  compare: the images differ
  5  detect: no transformation found (or, with --unknown, no sign of firmware)
)";
}

} // namespace tool
