// CommandLine.cpp — option values, inputs and outputs, and the steps the commands share.
#include "CommandLine.h"

#include <algorithm>
#include <cstdio>

namespace tool {

ToolError UsageError(const std::string& message) {
    return ToolError(ExitUsage, message);
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

uint64_t ParseSize(const std::string& option, const std::string& text, uint64_t max) {
    int shift = 0;
    std::string digits = text;
    if (!digits.empty() && (digits.back() == 'K' || digits.back() == 'k'))
        shift = 10;
    else if (!digits.empty() && (digits.back() == 'M' || digits.back() == 'm'))
        shift = 20;
    if (shift != 0)
        digits.pop_back();
    const uint64_t value = ParseNumber(option, digits, max >> shift);
    return value << shift;
}

AddressRange ParseRange(const std::string& option, const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw UsageError(option + ": '" + text + "' is not a range START:END");
    const uint64_t limit = uint64_t{1} << 32;
    const auto start = static_cast<int64_t>(ParseNumber(option, text.substr(0, colon), limit));
    const auto end = static_cast<int64_t>(ParseNumber(option, text.substr(colon + 1), limit));
    if (start > end)
        throw UsageError(option + ": the range " + text + " ends before it starts");
    return {start, end};
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

namespace {

FormatChoice FormatOption(const std::string& option, const std::string& name) {
    if (auto f = FormatFromName(name))
        return *f;
    throw UsageError(option + ": unknown format '" + name +
                     "' (binary, ihex, ihex8, ihex16, ihex32, srec, s19, s28, s37)");
}

} // namespace

Invocation::Invocation(ParsedLine line, std::ostream& out, std::ostream& err)
    : line_(std::move(line)), out_(out), err_(err) {
    if (auto v = option("--in-format"))
        inFormat_ = FormatOption("--in-format", *v);
    if (auto v = option("--out-format"))
        outFormat_ = FormatOption("--out-format", *v);
    if (auto v = option("--fill"))
        fill_ = static_cast<uint8_t>(ParseNumber("--fill", *v, 0xFF));
    if (auto v = option("--base"))
        base_ = static_cast<int64_t>(ParseNumber("--base", *v, 0xFFFFFFFF));
}

std::optional<std::string> Invocation::option(std::string_view name) const {
    std::optional<std::string> value;
    for (const auto& [given, v] : line_.options)
        if (given == name)
            value = v;
    return value;
}

std::vector<std::string> Invocation::options(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [given, v] : line_.options)
        if (given == name)
            values.push_back(v);
    return values;
}

std::string Invocation::choice(std::string_view name, std::vector<std::string> choices,
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

int Invocation::number(std::string_view name, std::vector<std::string> choices,
                       std::optional<std::string> fallback) const {
    return std::stoi(choice(name, std::move(choices), std::move(fallback)));
}

std::optional<uint8_t> Invocation::pad() const {
    if (auto v = option("--pad"))
        return static_cast<uint8_t>(ParseNumber("--pad", *v, 0xFF));
    return std::nullopt;
}

std::unique_ptr<Input> Invocation::load(const std::string& path) const {
    auto input = std::make_unique<Input>();
    input->file = std::make_unique<InputFile>(path);
    const FormatChoice format = inFormat_.value_or(FormatFromPath(path));
    const RecordWarning warn = [&](int64_t line, const std::string& message) {
        err_ << "vornex-tool: " << input->name() << ": line " << line << ": warning: " << message
             << '\n';
    };
    try {
        if (format.format == FileFormat::IntelHex)
            input->records = ParseIntelHexFrom(*input->file, fill_, warn);
        else if (format.format == FileFormat::SRecord)
            input->records = ParseSRecordFrom(*input->file, fill_, warn);
    } catch (const FormatError& e) {
        throw ToolError(ExitBadData, input->name() + ": " + e.what());
    }
    return input;
}

FormatChoice Invocation::outputFormat(const std::string& formatPath) const {
    return outFormat_.value_or(FormatFromPath(formatPath));
}

Output Invocation::create(const std::string& path, const std::string& formatPath, int64_t origin,
                          int64_t size, std::optional<uint32_t> entry) const {
    Output output;
    output.file = std::make_unique<OutputFile>(path);
    try {
        output.writer = ImageWriter::Make(outputFormat(formatPath), base_.value_or(origin), size,
                                          entry, *output.file);
    } catch (const FormatError& e) {
        throw ToolError(ExitBadData, output.file->name() + ": " + e.what());
    }
    return output;
}

void CheckFill(const Invocation& call, Input& input, int64_t filledBytes,
               const std::string& forWhat) {
    int64_t given = 0;
    for (const DataRange& range : input.image().ranges())
        given += range.length;
    CheckFill(call, input.name() + ": the records", given, input.origin(),
              input.origin() + input.image().size(), filledBytes, forWhat);
}

void CheckFill(const Invocation& call, const std::string& what, int64_t given, int64_t spanStart,
               int64_t spanEnd, int64_t filledBytes, const std::string& forWhat) {
    if (filledBytes <= LargeFillBytes || filledBytes <= LargeFillRatio * given ||
        call.flag("--allow-large"))
        return;
    char span[64];
    std::snprintf(span, sizeof span, "0x%08llX to 0x%08llX",
                  static_cast<unsigned long long>(spanStart),
                  static_cast<unsigned long long>(spanEnd - 1));
    throw ToolError(ExitBadData, what + " give " + std::to_string(given) + " bytes from " + span +
                                     "; filling their gaps for " + forWhat + " makes " +
                                     std::to_string(filledBytes) +
                                     " bytes (--allow-large allows it)");
}

void CheckRawFill(const Invocation& call, const std::string& path, Input& input,
                  int64_t filledBytes) {
    if (call.outputFormat(path).format == FileFormat::Binary)
        CheckFill(call, input, filledBytes, "a raw output");
}

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
    CheckFill(call, *input, input->image().size(), call.command());
    Output output = call.create(call.operands()[1], *input, input->image().size());
    transform(input->image(), *output.writer);
    output.finish();
}

std::vector<OptionRule> WithFormatOptions(std::vector<OptionRule> more) {
    std::vector<OptionRule> all = FormatOptions;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

} // namespace tool
