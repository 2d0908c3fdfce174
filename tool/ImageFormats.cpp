// ImageFormats.cpp — the Intel HEX and S-record readers and writers.
#include "ImageFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tool {

namespace {

constexpr int BytesPerRecord = 16;

std::string Hex(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// Appends value as digits upper-case hex digits; the writers call it for every byte.
void AppendHex(std::string& out, uint64_t value, int digits) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += Digits[(value >> shift) & 0xF];
}

// One data record's bytes as they sit in the parser's pool, with the line that gave them.
struct Piece {
    int64_t address;
    int64_t poolOffset;
    int64_t length;
    int64_t line;
};

// Collects the data records of a file and lays them out as one image.
class PieceCollector {
public:
    void add(int64_t address, const uint8_t* bytes, int64_t length, int64_t line) {
        if (length == 0)
            return;
        pieces_.push_back({address, static_cast<int64_t>(pool_.size()), length, line});
        pool_.insert(pool_.end(), bytes, bytes + length);
    }

    AddressedImage build(uint8_t fill) {
        AddressedImage image;
        if (pieces_.empty())
            return image;
        std::stable_sort(pieces_.begin(), pieces_.end(),
                         [](const Piece& a, const Piece& b) { return a.address < b.address; });
        const int64_t low = pieces_.front().address;
        int64_t high = low;
        for (const Piece& p : pieces_)
            high = std::max(high, p.address + p.length);
        if (high - low > MaxImageSize)
            throw FormatError(0, "the records span 0x" + Hex(low, 8) + " to 0x" + Hex(high - 1, 8) +
                                     ", more than the " + std::to_string(MaxImageSize >> 20) +
                                     " MiB an image may hold");
        image.origin = low;
        image.bytes.assign(static_cast<size_t>(high - low), fill);
        // Sorted by address, a piece can only overlap pieces that end after it starts; the
        // furthest end so far and the piece that reached it decide.
        int64_t coveredTo = low;
        for (size_t i = 0; i < pieces_.size(); ++i) {
            const Piece& p = pieces_[i];
            uint8_t* to = image.bytes.data() + (p.address - low);
            const uint8_t* from = pool_.data() + p.poolOffset;
            if (p.address < coveredTo) {
                for (int64_t k = 0; k < std::min(coveredTo - p.address, p.length); ++k)
                    if (to[k] != from[k])
                        throw FormatError(p.line, "address 0x" + Hex(p.address + k, 8) +
                                                      " was already given a different byte");
            }
            std::copy(from, from + p.length, to);
            coveredTo = std::max(coveredTo, p.address + p.length);
        }
        return image;
    }

private:
    std::vector<Piece> pieces_;
    std::vector<uint8_t> pool_;
};

// Splits text into lines, dropping a CR before each LF.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (pos_ >= text_.size())
            return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++number_;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.remove_suffix(1);
        return true;
    }
    int64_t number() const { return number_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int64_t number_ = 0;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes of a record's hex digits (everything after its start mark), into a buffer reused
// from record to record.
void DecodeRecord(std::string_view digits, int64_t line, std::vector<uint8_t>& bytes) {
    if (digits.size() % 2 != 0)
        throw FormatError(line, "the record has an odd number of hex digits");
    bytes.assign(digits.size() / 2, 0);
    for (size_t i = 0; i < digits.size(); ++i) {
        const int d = HexDigit(digits[i]);
        if (d < 0)
            throw FormatError(line, std::string("'") + digits[i] + "' is not a hex digit");
        bytes[i / 2] = static_cast<uint8_t>(bytes[i / 2] << 4 | d);
    }
}

uint32_t BigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

void CheckChecksum(uint8_t sum, uint8_t expected, uint8_t given, int64_t line) {
    if (sum != expected)
        throw FormatError(line, "bad checksum 0x" + Hex(given, 2) + ", the record's bytes need 0x" +
                                    Hex(static_cast<uint8_t>(given + expected - sum), 2));
}

void CheckFits(const AddressedImage& image, uint64_t limit, const std::string& records) {
    const uint64_t end = static_cast<uint64_t>(image.origin) + image.bytes.size();
    if (image.origin < 0 || end > limit)
        throw FormatError(0, "addresses 0x" + Hex(image.origin, 8) + " to 0x" +
                                 Hex(end == 0 ? 0 : end - 1, 8) + " do not fit " + records);
    if (image.entry && *image.entry >= limit)
        throw FormatError(0, "the start address 0x" + Hex(*image.entry, 8) + " does not fit " +
                                 records);
}

} // namespace

FormatError::FormatError(int64_t line, const std::string& message)
    : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message),
      Line(line) {}

std::optional<FormatChoice> FormatFromName(std::string_view name) {
    struct Named {
        std::string_view name;
        FormatChoice choice;
    };
    static constexpr Named Names[] = {
        {"binary", {FileFormat::Binary, 0}},    {"raw", {FileFormat::Binary, 0}},
        {"ihex", {FileFormat::IntelHex, 0}},    {"hex", {FileFormat::IntelHex, 0}},
        {"ihex8", {FileFormat::IntelHex, 8}},   {"ihex16", {FileFormat::IntelHex, 16}},
        {"ihex32", {FileFormat::IntelHex, 32}}, {"srec", {FileFormat::SRecord, 0}},
        {"s19", {FileFormat::SRecord, 1}},      {"s28", {FileFormat::SRecord, 2}},
        {"s37", {FileFormat::SRecord, 3}},
    };
    for (const Named& n : Names)
        if (n.name == name)
            return n.choice;
    return std::nullopt;
}

FormatChoice FormatFromPath(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    // The parts of split, "chip.hex.0", keep the format of their prefix.
    if (dot != std::string_view::npos && dot + 1 < name.size() &&
        name.find_first_not_of("0123456789", dot + 1) == std::string_view::npos)
        dot = name.find_last_of('.', dot == 0 ? 0 : dot - 1);
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string ext(name.substr(dot + 1, name.find('.', dot + 1) - dot - 1));
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "hex" || ext == "ihx" || ext == "ihex")
        return {FileFormat::IntelHex, 0};
    if (ext == "srec" || ext == "mot")
        return {FileFormat::SRecord, 0};
    if (ext == "s19" || ext == "s28" || ext == "s37")
        return *FormatFromName(ext);
    return {};
}

AddressedImage ParseIntelHex(std::string_view text, uint8_t fill) {
    PieceCollector pieces;
    std::optional<uint32_t> entry;
    // The extended address: a segment (times 16) or the upper 16 bits of a linear address.
    int64_t extended = 0;
    bool ended = false;
    LineReader lines(text);
    std::string_view line;
    std::vector<uint8_t> r;
    while (!ended && lines.next(line)) {
        const int64_t number = lines.number();
        if (line.empty())
            continue;
        if (line[0] != ':')
            throw FormatError(number, "a record must start with ':'");
        DecodeRecord(line.substr(1), number, r);
        if (r.size() < 5 || r.size() != 5u + r[0])
            throw FormatError(number, "the record's length does not match its byte count");
        uint8_t sum = 0;
        for (uint8_t b : r)
            sum = static_cast<uint8_t>(sum + b);
        CheckChecksum(sum, 0, r.back(), number);

        const int count = r[0];
        const uint32_t offset = BigEndian(&r[1], 2);
        const uint8_t* data = &r[4];
        auto expectCount = [&](int wanted) {
            if (count != wanted)
                throw FormatError(number, "record type 0" + std::to_string(r[3]) + " must hold " +
                                              std::to_string(wanted) + " bytes");
        };
        switch (r[3]) {
        case 0x00: {
            // The offset wraps within its 64 KiB; a record crossing the wrap continues at 0.
            const int first = static_cast<int>(std::min<uint32_t>(count, 0x10000 - offset));
            pieces.add(extended + offset, data, first, number);
            pieces.add(extended, data + first, count - first, number);
            break;
        }
        case 0x01:
            expectCount(0);
            ended = true;
            break;
        case 0x02:
            expectCount(2);
            extended = int64_t{BigEndian(data, 2)} << 4;
            break;
        case 0x03:
            expectCount(4);
            entry = (BigEndian(data, 2) << 4) + BigEndian(data + 2, 2);
            break;
        case 0x04:
            expectCount(2);
            extended = int64_t{BigEndian(data, 2)} << 16;
            break;
        case 0x05:
            expectCount(4);
            entry = BigEndian(data, 4);
            break;
        default:
            throw FormatError(number, "unknown record type 0x" + Hex(r[3], 2));
        }
    }
    if (!ended)
        throw FormatError(0, "the end-of-file record (:00000001FF) is missing");
    AddressedImage image = pieces.build(fill);
    image.entry = entry;
    return image;
}

AddressedImage ParseSRecord(std::string_view text, uint8_t fill) {
    PieceCollector pieces;
    std::optional<uint32_t> entry;
    int64_t dataRecords = 0;
    bool ended = false;
    LineReader lines(text);
    std::string_view line;
    std::vector<uint8_t> r;
    while (!ended && lines.next(line)) {
        const int64_t number = lines.number();
        if (line.empty())
            continue;
        if (line.size() < 2 || (line[0] != 'S' && line[0] != 's') || line[1] < '0' || line[1] > '9')
            throw FormatError(number, "a record must start with S0 to S9");
        const int type = line[1] - '0';
        DecodeRecord(line.substr(2), number, r);
        // Address length in bytes per record type; 0 marks a type that does not exist.
        static constexpr int AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
        const int addressBytes = AddressBytes[type];
        if (addressBytes == 0)
            throw FormatError(number, "S4 is not a record type");
        if (r.size() < 2 || r.size() != 1u + r[0] || r[0] < addressBytes + 1)
            throw FormatError(number, "the record's length does not match its byte count");
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < r.size(); ++i)
            sum = static_cast<uint8_t>(sum + r[i]);
        CheckChecksum(static_cast<uint8_t>(sum + r.back()), 0xFF, r.back(), number);

        const uint32_t address = BigEndian(&r[1], addressBytes);
        const int dataBytes = r[0] - addressBytes - 1;
        const uint8_t* data = &r[1 + addressBytes];
        switch (type) {
        case 0:
            break;
        case 1:
        case 2:
        case 3:
            pieces.add(address, data, dataBytes, number);
            ++dataRecords;
            break;
        case 5:
        case 6:
            if (dataBytes != 0)
                throw FormatError(number, "a count record holds no data");
            if (address != dataRecords)
                throw FormatError(number, "the count record says " + std::to_string(address) +
                                              " data records, the file has " +
                                              std::to_string(dataRecords));
            break;
        default:
            if (dataBytes != 0)
                throw FormatError(number, "a termination record holds no data");
            entry = address;
            ended = true;
            break;
        }
    }
    if (!ended)
        throw FormatError(0, "the termination record (S7, S8 or S9) is missing");
    AddressedImage image = pieces.build(fill);
    image.entry = entry;
    return image;
}

std::string WriteIntelHex(const AddressedImage& image, int records) {
    const uint64_t end = static_cast<uint64_t>(image.origin) + image.bytes.size();
    if (records == 0)
        records = end <= 0x10000 && (!image.entry || *image.entry <= 0xFFFF) ? 8 : 32;
    CheckFits(image,
              records == 8    ? 0x10000
              : records == 16 ? 0x100000
                              : uint64_t{1} << 32,
              "Intel HEX " + std::to_string(records) + "-bit records");

    std::string out;
    auto record = [&out](int type, uint32_t offset, const uint8_t* data, int count) {
        uint8_t sum = static_cast<uint8_t>(count + (offset >> 8) + offset + type);
        out += ':';
        AppendHex(out, count, 2);
        AppendHex(out, offset & 0xFFFF, 4);
        AppendHex(out, type, 2);
        for (int i = 0; i < count; ++i) {
            AppendHex(out, data[i], 2);
            sum = static_cast<uint8_t>(sum + data[i]);
        }
        AppendHex(out, static_cast<uint8_t>(-sum), 2);
        out += '\n';
    };

    out.reserve(image.bytes.size() * 44 / BytesPerRecord + 64);
    uint32_t upper = 0;
    const int64_t size = static_cast<int64_t>(image.bytes.size());
    for (int64_t i = 0; i < size;) {
        const uint64_t address = static_cast<uint64_t>(image.origin + i);
        const int count = static_cast<int>(
            std::min<uint64_t>({uint64_t{BytesPerRecord}, static_cast<uint64_t>(size - i),
                                0x10000 - (address & 0xFFFF)}));
        if ((address >> 16) != upper) {
            upper = static_cast<uint32_t>(address >> 16);
            // A segment record gives the segment, whose 16-fold is the 64 KiB block's start.
            const uint32_t value = records == 16 ? upper << 12 : upper;
            const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8),
                                      static_cast<uint8_t>(value)};
            record(records == 16 ? 0x02 : 0x04, 0, bytes, 2);
        }
        record(0x00, static_cast<uint32_t>(address), image.bytes.data() + i, count);
        i += count;
    }
    if (image.entry) {
        const uint32_t e = *image.entry;
        if (records == 32) {
            const uint8_t bytes[4] = {static_cast<uint8_t>(e >> 24), static_cast<uint8_t>(e >> 16),
                                      static_cast<uint8_t>(e >> 8), static_cast<uint8_t>(e)};
            record(0x05, 0, bytes, 4);
        } else {
            const uint32_t segment = (e >> 4) & 0xF000;
            const uint32_t pointer = e - (segment << 4);
            const uint8_t bytes[4] = {
                static_cast<uint8_t>(segment >> 8), static_cast<uint8_t>(segment),
                static_cast<uint8_t>(pointer >> 8), static_cast<uint8_t>(pointer)};
            record(0x03, 0, bytes, 4);
        }
    }
    record(0x01, 0, nullptr, 0);
    return out;
}

std::string WriteSRecord(const AddressedImage& image, int records) {
    const uint64_t end = static_cast<uint64_t>(image.origin) + image.bytes.size();
    const uint64_t highest = std::max<uint64_t>(end, image.entry ? *image.entry + uint64_t{1} : 0);
    if (records == 0)
        records = highest <= 0x10000 ? 1 : highest <= 0x1000000 ? 2 : 3;
    CheckFits(image, uint64_t{1} << (8 * (records + 1)),
              "S" + std::to_string(records) + " records");

    std::string out;
    auto record = [&out](int type, uint32_t address, int addressBytes, const uint8_t* data,
                         int count) {
        const int length = addressBytes + count + 1;
        uint8_t sum = static_cast<uint8_t>(length);
        out += 'S';
        out += static_cast<char>('0' + type);
        AppendHex(out, length, 2);
        AppendHex(out, address, 2 * addressBytes);
        for (int i = 0; i < addressBytes; ++i)
            sum = static_cast<uint8_t>(sum + (address >> (8 * i)));
        for (int i = 0; i < count; ++i) {
            AppendHex(out, data[i], 2);
            sum = static_cast<uint8_t>(sum + data[i]);
        }
        AppendHex(out, static_cast<uint8_t>(~sum), 2);
        out += '\n';
    };

    out.reserve(image.bytes.size() * 46 / BytesPerRecord + 64);
    record(0, 0, 2, nullptr, 0);
    int64_t dataRecords = 0;
    const int64_t size = static_cast<int64_t>(image.bytes.size());
    for (int64_t i = 0; i < size; i += BytesPerRecord, ++dataRecords) {
        const int count = static_cast<int>(std::min<int64_t>(BytesPerRecord, size - i));
        record(records, static_cast<uint32_t>(image.origin + i), records + 1,
               image.bytes.data() + i, count);
    }
    if (dataRecords <= 0xFFFF)
        record(5, static_cast<uint32_t>(dataRecords), 2, nullptr, 0);
    else if (dataRecords <= 0xFFFFFF)
        record(6, static_cast<uint32_t>(dataRecords), 3, nullptr, 0);
    record(10 - records, image.entry.value_or(0), records + 1, nullptr, 0);
    return out;
}

AddressedImage ParseImage(std::string_view content, FileFormat format, uint8_t fill) {
    switch (format) {
    case FileFormat::IntelHex:
        return ParseIntelHex(content, fill);
    case FileFormat::SRecord:
        return ParseSRecord(content, fill);
    case FileFormat::Binary:
        break;
    }
    if (static_cast<int64_t>(content.size()) > MaxImageSize)
        throw FormatError(0, "the file is longer than the " + std::to_string(MaxImageSize >> 20) +
                                 " MiB an image may hold");
    AddressedImage image;
    image.bytes.assign(content.begin(), content.end());
    return image;
}

std::string WriteImage(const AddressedImage& image, const FormatChoice& format) {
    switch (format.format) {
    case FileFormat::IntelHex:
        return WriteIntelHex(image, format.records);
    case FileFormat::SRecord:
        return WriteSRecord(image, format.records);
    case FileFormat::Binary:
        break;
    }
    return std::string(image.bytes.begin(), image.bytes.end());
}

} // namespace tool
