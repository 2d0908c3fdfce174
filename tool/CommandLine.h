// CommandLine.h — what every command of vornex-tool shares: the parsed command line, numbers and
// lists given as options, inputs loaded in any format, outputs written all or nothing, and the
// rule by which a command declares its options, operands and help.
#pragma once

#include "ImageFormats.h"
#include "ToolFiles.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tool {

ToolError UsageError(const std::string& message);

// One option of the command line; a flag takes no value. A repeatable option may be given several
// times, and the command reads its values in order.
struct OptionRule {
    std::string_view name;
    bool takesValue = true;
    bool repeatable = false;
};

// The options every command that reads and writes images takes.
inline const std::vector<OptionRule> FormatOptions = {
    {"--in-format"}, {"--out-format"}, {"--fill"}, {"--base"}, {"--allow-large", false}};

struct ParsedLine {
    std::string command;
    std::vector<std::string> operands;
    // In the order given.
    std::vector<std::pair<std::string, std::string>> options;
    bool help = false;
    bool version = false;
};

// A number in decimal or, with 0x, in hex, from 0 to max.
uint64_t ParseNumber(const std::string& option, const std::string& text, uint64_t max);
// A size: a number, optionally followed by K (KiB) or M (MiB), from 0 to max.
uint64_t ParseSize(const std::string& option, const std::string& text, uint64_t max);
// An address range START:END, END excluded, both numbers up to 4 GiB (END may be 0x100000000);
// START must not lie past END.
struct AddressRange {
    int64_t start;
    int64_t end;
};
AddressRange ParseRange(const std::string& option, const std::string& text);
// A list of lines: numbers and ranges "a-b" (either way round) separated by commas.
std::vector<int> ParseLineList(const std::string& option, const std::string& text);

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

// One parsed command line with the options common to all commands.
class Invocation {
public:
    // Reports go to out; warnings on inputs that are read all the same go to err.
    Invocation(ParsedLine line, std::ostream& out, std::ostream& err);

    const std::string& command() const { return line_.command; }
    const std::vector<std::string>& operands() const { return line_.operands; }
    std::ostream& out() const { return out_; }
    std::ostream& err() const { return err_; }

    // The value of an option given once (the last one of a repeatable option).
    std::optional<std::string> option(std::string_view name) const;
    // Every value of an option, in order.
    std::vector<std::string> options(std::string_view name) const;
    // Every option in the order given.
    const std::vector<std::pair<std::string, std::string>>& given() const { return line_.options; }
    bool flag(std::string_view name) const { return option(name).has_value(); }

    // The value of an option that must be one of choices (or fallback when it is not given).
    std::string choice(std::string_view name, std::vector<std::string> choices,
                       std::optional<std::string> fallback) const;
    int number(std::string_view name, std::vector<std::string> choices,
               std::optional<std::string> fallback) const;
    std::optional<uint8_t> pad() const;
    uint8_t fill() const { return fill_; }
    std::optional<int64_t> base() const { return base_; }

    // The input at path in its format; a HEX or S-record file's warnings go to err() as
    // "vornex-tool: NAME: line N: warning: ...".
    std::unique_ptr<Input> load(const std::string& path) const;
    // The format of an output: --out-format, or the one formatPath's extension implies.
    FormatChoice outputFormat(const std::string& formatPath) const;

    // An output of size bytes at origin (or --base) with an entry; formatPath names the file whose
    // extension decides the format.
    Output create(const std::string& path, const std::string& formatPath, int64_t origin,
                  int64_t size, std::optional<uint32_t> entry) const;
    Output create(const std::string& path, const Input& input, int64_t size) const {
        return create(path, path, input.origin(), size, input.entry());
    }

    static std::string Name(const std::string& path) {
        return path == "-" ? "standard input" : path;
    }

private:
    ParsedLine line_;
    std::ostream& out_;
    std::ostream& err_;
    std::optional<FormatChoice> inFormat_;
    std::optional<FormatChoice> outFormat_;
    uint8_t fill_ = 0xFF;
    std::optional<int64_t> base_;
};

// What a command may be given and what it does. help is its entry in --help: the synopsis line
// and the indented description, each line ending in a newline.
struct CommandRule {
    std::string_view name;
    std::vector<OptionRule> options;
    int minOperands;
    int maxOperands;
    std::function<void(const Invocation&)> run;
    std::string_view help;
};

// Filling the gaps of a sparse input is refused when the filled image would be over both of these:
// a few records far apart would make gigabytes of fill.
inline constexpr int64_t LargeFillBytes = int64_t{16} << 20;
inline constexpr int64_t LargeFillRatio = 16;

// Refuses with ExitBadData, unless --allow-large is given, to write filledBytes for an input whose
// records give less than a sixteenth of that, when that is over LargeFillBytes. The message names
// the input, its span, and forWhat ("a raw output", "mirror").
void CheckFill(const Invocation& call, Input& input, int64_t filledBytes,
               const std::string& forWhat);
// The same for what gives given bytes between the addresses spanStart and spanEnd (excluded); what
// names it in the message.
void CheckFill(const Invocation& call, const std::string& what, int64_t given, int64_t spanStart,
               int64_t spanEnd, int64_t filledBytes, const std::string& forWhat);
// CheckFill when the output file path is raw binary, which writes every gap as fill.
void CheckRawFill(const Invocation& call, const std::string& path, Input& input,
                  int64_t filledBytes);

// The size padded to a whole number of units with the --pad byte; without one a partial unit is
// refused.
int64_t PaddedSize(Input& input, int64_t unit, std::optional<uint8_t> pad, const std::string& what);

// Runs a transformation from operand 0 to operand 1 with the output as large as the input, the
// gaps of a HEX or S-record input filled (see CheckFill).
void Transform(const Invocation& call,
               const std::function<void(ByteSource&, ImageWriter&)>& transform);

// The options a rule takes: the format options followed by more.
std::vector<OptionRule> WithFormatOptions(std::vector<OptionRule> more);

} // namespace tool
