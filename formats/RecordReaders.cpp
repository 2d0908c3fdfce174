// RecordReaders.cpp — the Intel HEX and S-record readers: lines split in large blocks, records
// decoded by table, and their data handed to a sparse image.
#include "ImageFormats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace tool {

namespace {

// A character of a record as C would write it: a stray CR or a byte of UTF-8 in a message must
// not end the message's line or garble the terminal.
std::string Escaped(char c) {
    switch (c) {
    case '\r':
        return "\\r";
    case '\n':
        return "\\n";
    case '\t':
        return "\\t";
    case '\'':
        return "\\'";
    case '\\':
        return "\\\\";
    default:
        break;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string(1, c);
    return "\\x" + HexDigits(byte, 2);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Splits a text read in large blocks into lines, each a view into the block valid until the next
// call, without its trailing white space. No record is longer than about 520 characters, so a line
// longer than MaxLineLength is refused rather than held.
class LineReader {
public:
    explicit LineReader(ByteSource& source)
        : source_(source), buffer_(std::make_unique_for_overwrite<char[]>(
                               static_cast<size_t>(ReadBlock + MaxLineLength))) {}

    bool next(std::string_view& line) {
        const char* begin = nullptr;
        const char* end = nullptr;
        for (;;) {
            begin = buffer_.get() + pos_;
            end = static_cast<const char*>(std::memchr(begin, '\n', filled_ - pos_));
            if (end) {
                pos_ = static_cast<size_t>(end - buffer_.get()) + 1;
                break;
            }
            if (read_ == source_.size()) {
                if (pos_ == filled_)
                    return false;
                end = buffer_.get() + filled_;
                pos_ = filled_;
                break;
            }
            if (filled_ - pos_ >= static_cast<size_t>(MaxLineLength))
                throw FormatError(number_ + 1, "the line is longer than any record");
            refill();
        }
        ++number_;
        if (end - begin > MaxLineLength)
            throw FormatError(number_, "the line is longer than any record");
        while (end > begin && IsBlank(end[-1]))
            --end;
        line = std::string_view(begin, static_cast<size_t>(end - begin));
        return true;
    }

    // The next line that is not empty, as next; a line that does not start with one of the
    // characters in starts is refused, the message naming what a record starts with.
    bool nextRecord(std::string_view& line, std::string_view starts, const char* startsWith) {
        do {
            if (!next(line))
                return false;
        } while (line.empty());
        if (starts.find(line[0]) == std::string_view::npos)
            throw FormatError(number_, std::string("a record must start with ") + startsWith +
                                           ", not '" + Escaped(line[0]) + "'");
        return true;
    }

    // Whether nothing but white space follows the last line returned.
    bool restIsBlank() {
        for (;;) {
            if (!std::all_of(buffer_.get() + pos_, buffer_.get() + filled_, IsBlank))
                return false;
            pos_ = filled_;
            if (read_ == source_.size())
                return true;
            refill();
        }
    }

    int64_t number() const { return number_; }

private:
    static constexpr int64_t ReadBlock = int64_t{1} << 20;
    static constexpr int64_t MaxLineLength = 64 * 1024;

    // Moves the unread rest, shorter than a line, to the front and reads the next block after it.
    void refill() {
        std::memmove(buffer_.get(), buffer_.get() + pos_, filled_ - pos_);
        filled_ -= pos_;
        pos_ = 0;
        const int64_t n = std::min(ReadBlock, source_.size() - read_);
        source_.read(read_, reinterpret_cast<uint8_t*>(buffer_.get() + filled_), n);
        read_ += n;
        filled_ += static_cast<size_t>(n);
    }

    ByteSource& source_;
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0;
    size_t filled_ = 0;
    int64_t read_ = 0;
    int64_t number_ = 0;
};

// The value of each character as a hex digit; 0xFF for any other.
constexpr std::array<uint8_t, 256> DigitValues = [] {
    std::array<uint8_t, 256> values{};
    values.fill(0xFF);
    for (int c = '0'; c <= '9'; ++c)
        values[c] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        values[c] = static_cast<uint8_t>(c - 'A' + 10);
        values[c + 'a' - 'A'] = static_cast<uint8_t>(c - 'A' + 10);
    }
    return values;
}();

// The most bytes a record's digits hold: an Intel HEX record's count, offset, type, 255 data bytes
// and checksum.
constexpr size_t MaxRecordBytes = 5 + 255;

// The bytes of a record's hex digits into bytes (MaxRecordBytes long); their number.
size_t Decode(std::string_view digits, int64_t line, uint8_t* bytes) {
    if (digits.size() % 2 != 0)
        throw FormatError(line, "the record has an odd number of hex digits");
    const size_t n = digits.size() / 2;
    if (n > MaxRecordBytes)
        throw FormatError(line, "the record's length does not match its byte count");
    const auto* d = reinterpret_cast<const unsigned char*>(digits.data());
    // One table look-up per digit, and one test for the whole record: any character that is not a
    // digit sets the high bits.
    uint8_t invalid = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t high = DigitValues[d[2 * i]];
        const uint8_t low = DigitValues[d[2 * i + 1]];
        invalid |= high | low;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    if (invalid & 0xF0) {
        const char bad = *std::find_if(digits.begin(), digits.end(), [](char c) {
            return DigitValues[static_cast<unsigned char>(c)] == 0xFF;
        });
        throw FormatError(line, "'" + Escaped(bad) + "' is not a hex digit");
    }
    return n;
}

uint32_t BigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

void CheckChecksum(uint8_t sum, uint8_t expected, uint8_t given, int64_t line) {
    if (sum != expected)
        throw FormatError(line, "bad checksum 0x" + HexDigits(given, 2) +
                                    ", the record's bytes need 0x" +
                                    HexDigits(static_cast<uint8_t>(given + expected - sum), 2));
}

// Where a reader's data records go while the image is built.
struct BuildSink {
    SparseImageBuilder& builder;
    void add(int64_t address, const uint8_t* bytes, int64_t n, int64_t) {
        builder.add(address, bytes, n);
    }
};

// Where they go when the built image found a conflict at address: the first record, in file
// order, that gives it a byte other than the first record's is the one at fault.
struct ConflictSink {
    int64_t address;
    std::optional<uint8_t> first;
    void add(int64_t at, const uint8_t* bytes, int64_t n, int64_t line) {
        if (address < at || address >= at + n)
            return;
        const uint8_t byte = bytes[address - at];
        if (!first)
            first = byte;
        else if (byte != *first)
            throw FormatError(line, "address 0x" + HexDigits(static_cast<uint64_t>(address), 8) +
                                        " was already given a different byte");
    }
};

template <class Sink>
std::optional<uint32_t> ReadIntelHex(ByteSource& text, Sink& sink, const RecordWarning& warn) {
    LineReader lines(text);
    std::string_view line;
    uint8_t r[MaxRecordBytes];
    std::optional<uint32_t> entry;
    // The extended address: a segment times 16, or the upper 16 bits of a linear address.
    int64_t extended = 0;
    bool segmented = false;
    while (lines.nextRecord(line, ":", "':'")) {
        const int64_t number = lines.number();
        const size_t size = Decode(line.substr(1), number, r);
        if (size < 5 || size != 5u + r[0])
            throw FormatError(number, "the record's length does not match its byte count");
        uint8_t sum = 0;
        for (size_t i = 0; i < size; ++i)
            sum = static_cast<uint8_t>(sum + r[i]);
        CheckChecksum(sum, 0, r[size - 1], number);

        const int count = r[0];
        const uint32_t offset = BigEndian(&r[1], 2);
        const uint8_t* data = &r[4];
        auto expectCount = [&](int wanted) {
            if (count != wanted)
                throw FormatError(number, "record type 0" + std::to_string(r[3]) + " must hold " +
                                              std::to_string(wanted) + " bytes");
        };
        switch (r[3]) {
        case 0x00:
            if (segmented) {
                const int first = static_cast<int>(std::min<uint32_t>(count, 0x10000 - offset));
                sink.add(extended + offset, data, first, number);
                sink.add(extended, data + first, count - first, number);
            } else {
                const int64_t address = extended + offset;
                const int first =
                    static_cast<int>(std::min<int64_t>(count, (int64_t{1} << 32) - address));
                sink.add(address, data, first, number);
                sink.add(0, data + first, count - first, number);
            }
            break;
        case 0x01:
            expectCount(0);
            if (warn && !lines.restIsBlank())
                warn(number, "the text after this end-of-file record is ignored");
            return entry;
        case 0x02:
        case 0x04:
            expectCount(2);
            segmented = r[3] == 0x02;
            extended = int64_t{BigEndian(data, 2)} << (segmented ? 4 : 16);
            break;
        case 0x03:
            expectCount(4);
            entry = (BigEndian(data, 2) << 4) + BigEndian(data + 2, 2);
            break;
        case 0x05:
            expectCount(4);
            entry = BigEndian(data, 4);
            break;
        default:
            throw FormatError(number, "unknown record type 0x" + HexDigits(r[3], 2));
        }
    }
    throw FormatError(0, "the end-of-file record (:00000001FF) is missing");
}

template <class Sink>
std::optional<uint32_t> ReadSRecords(ByteSource& text, Sink& sink, const RecordWarning& warn) {
    std::optional<uint32_t> entry;
    int64_t dataRecords = 0;
    // Whether the last record other than a header was a count or termination record: a file
    // written without a start address may end with its count, which still proves that no data
    // record is missing.
    bool closed = false;
    int64_t terminated = 0;
    bool warned = false;
    LineReader lines(text);
    std::string_view line;
    uint8_t r[MaxRecordBytes];
    while (lines.nextRecord(line, "Ss", "S0 to S9")) {
        const int64_t number = lines.number();
        if (line.size() < 2 || line[1] < '0' || line[1] > '9')
            throw FormatError(number, "a record must start with S0 to S9");
        if (terminated != 0 && !warned) {
            if (warn)
                warn(number, "records follow the termination record on line " +
                                 std::to_string(terminated) + "; they are read as well");
            warned = true;
        }
        const int type = line[1] - '0';
        const size_t size = Decode(line.substr(2), number, r);
        // Address length in bytes per record type; 0 marks a type that does not exist.
        static constexpr int AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
        const int addressBytes = AddressBytes[type];
        if (addressBytes == 0)
            throw FormatError(number, "S4 is not a record type");
        if (size < 2 || size != 1u + r[0] || r[0] < addressBytes + 1)
            throw FormatError(number, "the record's length does not match its byte count");
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < size; ++i)
            sum = static_cast<uint8_t>(sum + r[i]);
        CheckChecksum(static_cast<uint8_t>(~sum), r[size - 1], r[size - 1], number);

        const uint32_t address = BigEndian(&r[1], addressBytes);
        const uint8_t* data = &r[1 + addressBytes];
        const int dataBytes = r[0] - addressBytes - 1;
        switch (type) {
        case 0:
            dataRecords = 0;
            break;
        case 1:
        case 2:
        case 3:
            sink.add(address, data, dataBytes, number);
            ++dataRecords;
            closed = false;
            break;
        case 5:
        case 6:
            if (dataBytes != 0)
                throw FormatError(number, "a count record holds no data");
            if (address != dataRecords)
                throw FormatError(number, "the count record says " + std::to_string(address) +
                                              " data records, the file has " +
                                              std::to_string(dataRecords));
            closed = true;
            break;
        default:
            if (dataBytes != 0)
                throw FormatError(number, "a termination record holds no data");
            entry = address;
            closed = true;
            terminated = number;
            dataRecords = 0;
            break;
        }
    }
    if (!closed)
        throw FormatError(0, "the file ends without a termination record (S7, S8 or S9) or a "
                             "count record (S5, S6) after the last data record");
    return entry;
}

// Reads the file with read into a sparse image; on a conflict, reads it again to name the line.
template <class Read>
SparseImage Parse(ByteSource& text, uint8_t fill, const RecordWarning& warn, Read read) {
    SparseImageBuilder builder(fill);
    BuildSink sink{builder};
    const std::optional<uint32_t> entry = read(text, sink, warn);
    try {
        SparseImage image = builder.take();
        image.entry = entry;
        return image;
    } catch (const SparseImageBuilder::Conflict& conflict) {
        ConflictSink probe{conflict.address, std::nullopt};
        read(text, probe, {});
        throw FormatError(0, "address 0x" + HexDigits(static_cast<uint64_t>(conflict.address), 8) +
                                 " is given different bytes");
    }
}

} // namespace

SparseImage ParseIntelHexFrom(ByteSource& text, uint8_t fill, const RecordWarning& warn) {
    return Parse(text, fill, warn, [](ByteSource& t, auto& sink, const RecordWarning& w) {
        return ReadIntelHex(t, sink, w);
    });
}

SparseImage ParseSRecordFrom(ByteSource& text, uint8_t fill, const RecordWarning& warn) {
    return Parse(text, fill, warn, [](ByteSource& t, auto& sink, const RecordWarning& w) {
        return ReadSRecords(t, sink, w);
    });
}

} // namespace tool
