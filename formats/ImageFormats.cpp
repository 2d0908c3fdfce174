// ImageFormats.cpp — format names and extensions, the Intel HEX, S-record and raw writers, and
// whole images in memory.
#include "ImageFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace tool {

namespace {

constexpr int BytesPerRecord = 16;

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

FileFormat FormatFromContent(std::string_view head) {
    const size_t start = head.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || start + 1 >= head.size())
        return FileFormat::Binary;
    auto hexRunTo = [&](size_t from, size_t least) {
        size_t end = from;
        while (end < head.size() && std::isxdigit(static_cast<unsigned char>(head[end])))
            ++end;
        const size_t digits = end - from;
        const bool lineEnds = end == head.size() || head[end] == '\r' || head[end] == '\n';
        return lineEnds && digits >= least && digits % 2 == 0;
    };
    if (head[start] == ':' && hexRunTo(start + 1, 10))
        return FileFormat::IntelHex;
    if (head[start] == 'S' && std::isdigit(static_cast<unsigned char>(head[start + 1])) &&
        hexRunTo(start + 2, 6))
        return FileFormat::SRecord;
    return FileFormat::Binary;
}

namespace {

// Formats records into a text buffer handed to the sink in large pieces.
class RecordText {
public:
    explicit RecordText(ByteSink& sink)
        : sink_(sink), text_(std::make_unique<char[]>(FlushSize + MaxRecordText)) {}

    void start(char mark) {
        text_[used_++] = mark;
        sum_ = 0;
    }
    void character(char c) { text_[used_++] = c; }
    void byte(uint8_t value) {
        std::memcpy(&text_[used_], HexPairs()[value].data(), 2);
        used_ += 2;
        sum_ = static_cast<uint8_t>(sum_ + value);
    }
    void bytes(const uint8_t* data, int count) {
        // The hot loop of the writers: one table entry of two digits per byte.
        const auto& pairs = HexPairs();
        char* to = &text_[used_];
        uint8_t sum = sum_;
        for (int i = 0; i < count; ++i) {
            std::memcpy(to + 2 * i, pairs[data[i]].data(), 2);
            sum = static_cast<uint8_t>(sum + data[i]);
        }
        used_ += 2 * static_cast<size_t>(count);
        sum_ = sum;
    }
    uint8_t sum() const { return sum_; }
    void end() {
        text_[used_++] = '\n';
        if (used_ >= FlushSize)
            flush();
    }
    void flush() {
        sink_.write(reinterpret_cast<const uint8_t*>(text_.get()), static_cast<int64_t>(used_));
        used_ = 0;
    }

private:
    static const std::array<std::array<char, 2>, 256>& HexPairs() {
        static const auto pairs = [] {
            static constexpr char Digits[] = "0123456789ABCDEF";
            std::array<std::array<char, 2>, 256> t{};
            for (int v = 0; v < 256; ++v)
                t[v] = {Digits[v >> 4], Digits[v & 0xF]};
            return t;
        }();
        return pairs;
    }

    static constexpr size_t FlushSize = size_t{1} << 20;
    // More than the longest record: mark, type, 255 bytes as digits, line end.
    static constexpr size_t MaxRecordText = 2 + 2 * 256 + 2;
    ByteSink& sink_;
    std::unique_ptr<char[]> text_;
    size_t used_ = 0;
    uint8_t sum_ = 0;
};

// Gathers appended bytes into data records of at most 16 bytes that a format may end early
// (Intel HEX at every 64 KiB boundary); whole records are taken straight from the caller's block.
class RecordWriter : public ImageWriter {
public:
    RecordWriter(int64_t origin, ByteSink& sink) : text_(sink), address_(origin) {}

    void append(const uint8_t* data, int64_t n) override {
        while (n > 0) {
            const int limit = recordLimit(address_);
            const int take = static_cast<int>(std::min<int64_t>(limit - pendingCount_, n));
            if (pendingCount_ == 0 && take == limit) {
                dataRecord(address_, data, limit);
                address_ += limit;
            } else {
                std::copy(data, data + take, pending_ + pendingCount_);
                pendingCount_ += take;
                if (pendingCount_ == limit) {
                    dataRecord(address_, pending_, limit);
                    address_ += limit;
                    pendingCount_ = 0;
                }
            }
            data += take;
            n -= take;
        }
    }

    void gap(int64_t n, uint8_t) override {
        if (pendingCount_ > 0)
            dataRecord(address_, pending_, pendingCount_);
        address_ += pendingCount_ + n;
        pendingCount_ = 0;
    }

    void finish() override {
        if (pendingCount_ > 0)
            dataRecord(address_, pending_, pendingCount_);
        pendingCount_ = 0;
        ending();
        text_.flush();
    }

protected:
    virtual int recordLimit(int64_t address) const = 0;
    virtual void dataRecord(int64_t address, const uint8_t* data, int count) = 0;
    virtual void ending() = 0;

    RecordText text_;

private:
    int64_t address_;
    uint8_t pending_[BytesPerRecord] = {};
    int pendingCount_ = 0;
};

class IntelHexWriter : public RecordWriter {
public:
    IntelHexWriter(int records, int64_t origin, std::optional<uint32_t> entry, ByteSink& sink)
        : RecordWriter(origin, sink), records_(records), entry_(entry) {}

private:
    int recordLimit(int64_t address) const override {
        return static_cast<int>(std::min<int64_t>(BytesPerRecord, 0x10000 - (address & 0xFFFF)));
    }

    void record(int type, uint32_t offset, const uint8_t* data, int count) {
        text_.start(':');
        text_.byte(static_cast<uint8_t>(count));
        text_.byte(static_cast<uint8_t>(offset >> 8));
        text_.byte(static_cast<uint8_t>(offset));
        text_.byte(static_cast<uint8_t>(type));
        text_.bytes(data, count);
        text_.byte(static_cast<uint8_t>(-text_.sum()));
        text_.end();
    }

    void dataRecord(int64_t address, const uint8_t* data, int count) override {
        if (static_cast<uint32_t>(address >> 16) != upper_) {
            upper_ = static_cast<uint32_t>(address >> 16);
            // A segment record gives the segment, whose 16-fold is the 64 KiB block's start.
            const uint32_t value = records_ == 16 ? upper_ << 12 : upper_;
            const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8),
                                      static_cast<uint8_t>(value)};
            record(records_ == 16 ? 0x02 : 0x04, 0, bytes, 2);
        }
        record(0x00, static_cast<uint32_t>(address), data, count);
    }

    void ending() override {
        if (entry_) {
            const uint32_t e = *entry_;
            if (records_ == 32) {
                const uint8_t bytes[4] = {static_cast<uint8_t>(e >> 24),
                                          static_cast<uint8_t>(e >> 16),
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
    }

    int records_;
    std::optional<uint32_t> entry_;
    uint32_t upper_ = 0;
};

class SRecordWriter : public RecordWriter {
public:
    SRecordWriter(int records, int64_t origin, std::optional<uint32_t> entry, ByteSink& sink)
        : RecordWriter(origin, sink), records_(records), entry_(entry) {
        record(0, 0, 2, nullptr, 0);
    }

private:
    int recordLimit(int64_t) const override { return BytesPerRecord; }

    void record(int type, uint32_t address, int addressBytes, const uint8_t* data, int count) {
        text_.start('S');
        text_.character(static_cast<char>('0' + type));
        text_.byte(static_cast<uint8_t>(addressBytes + count + 1));
        for (int i = addressBytes - 1; i >= 0; --i)
            text_.byte(static_cast<uint8_t>(address >> (8 * i)));
        text_.bytes(data, count);
        text_.byte(static_cast<uint8_t>(~text_.sum()));
        text_.end();
    }

    void dataRecord(int64_t address, const uint8_t* data, int count) override {
        record(records_, static_cast<uint32_t>(address), records_ + 1, data, count);
        ++dataRecords_;
    }

    void ending() override {
        if (dataRecords_ <= 0xFFFF)
            record(5, static_cast<uint32_t>(dataRecords_), 2, nullptr, 0);
        else if (dataRecords_ <= 0xFFFFFF)
            record(6, static_cast<uint32_t>(dataRecords_), 3, nullptr, 0);
        record(10 - records_, entry_.value_or(0), records_ + 1, nullptr, 0);
    }

    int records_;
    std::optional<uint32_t> entry_;
    int64_t dataRecords_ = 0;
};

class RawWriter : public ImageWriter {
public:
    explicit RawWriter(ByteSink& sink) : sink_(sink) {}
    void append(const uint8_t* data, int64_t n) override { sink_.write(data, n); }
    void finish() override {}

private:
    ByteSink& sink_;
};

void CheckFits(int64_t origin, int64_t size, std::optional<uint32_t> entry, uint64_t limit,
               const std::string& records) {
    const uint64_t end = static_cast<uint64_t>(origin) + static_cast<uint64_t>(size);
    if (origin < 0 || end > limit)
        throw FormatError(0, "addresses 0x" + HexDigits(origin, 8) + " to 0x" +
                                 HexDigits(end == 0 ? 0 : end - 1, 8) + " do not fit " + records);
    if (entry && *entry >= limit)
        throw FormatError(0, "the start address 0x" + HexDigits(*entry, 8) + " does not fit " +
                                 records);
}

AddressedImage Dense(SparseImage sparse) {
    if (sparse.size() > MaxImageSize)
        throw FormatError(0, "the records span more than the " +
                                 std::to_string(MaxImageSize >> 20) + " MiB an image may hold");
    AddressedImage image;
    image.origin = sparse.origin;
    image.entry = sparse.entry;
    image.bytes.resize(static_cast<size_t>(sparse.size()));
    sparse.read(0, image.bytes.data(), sparse.size());
    return image;
}

} // namespace

void ImageWriter::gap(int64_t n, uint8_t fill) {
    const std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(n, 1 << 16)), fill);
    for (int64_t left = n; left > 0;) {
        const int64_t take = std::min<int64_t>(left, static_cast<int64_t>(block.size()));
        append(block.data(), take);
        left -= take;
    }
}

std::unique_ptr<ImageWriter> ImageWriter::Make(const FormatChoice& format, int64_t origin,
                                               int64_t size, std::optional<uint32_t> entry,
                                               ByteSink& sink) {
    const uint64_t end = static_cast<uint64_t>(origin) + static_cast<uint64_t>(size);
    int records = format.records;
    switch (format.format) {
    case FileFormat::IntelHex:
        if (records == 0)
            records = end <= 0x10000 && (!entry || *entry <= 0xFFFF) ? 8 : 32;
        CheckFits(origin, size, entry,
                  records == 8    ? 0x10000
                  : records == 16 ? 0x100000
                                  : uint64_t{1} << 32,
                  "Intel HEX " + std::to_string(records) + "-bit records");
        return std::make_unique<IntelHexWriter>(records, origin, entry, sink);
    case FileFormat::SRecord: {
        const uint64_t highest = std::max<uint64_t>(end, entry ? *entry + uint64_t{1} : 0);
        if (records == 0)
            records = highest <= 0x10000 ? 1 : highest <= 0x1000000 ? 2 : 3;
        CheckFits(origin, size, entry, uint64_t{1} << (8 * (records + 1)),
                  "S" + std::to_string(records) + " records");
        return std::make_unique<SRecordWriter>(records, origin, entry, sink);
    }
    case FileFormat::Binary:
        break;
    }
    return std::make_unique<RawWriter>(sink);
}

AddressedImage ParseIntelHex(std::string_view text, uint8_t fill) {
    MemorySource source(reinterpret_cast<const uint8_t*>(text.data()),
                        static_cast<int64_t>(text.size()));
    return Dense(ParseIntelHexFrom(source, fill));
}

AddressedImage ParseSRecord(std::string_view text, uint8_t fill) {
    MemorySource source(reinterpret_cast<const uint8_t*>(text.data()),
                        static_cast<int64_t>(text.size()));
    return Dense(ParseSRecordFrom(source, fill));
}

std::string WriteIntelHex(const AddressedImage& image, int records) {
    return WriteImage(image, {FileFormat::IntelHex, records});
}

std::string WriteSRecord(const AddressedImage& image, int records) {
    return WriteImage(image, {FileFormat::SRecord, records});
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
    StringSink sink;
    const auto writer = ImageWriter::Make(
        format, image.origin, static_cast<int64_t>(image.bytes.size()), image.entry, sink);
    writer->append(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
    writer->finish();
    return std::move(sink.text);
}

} // namespace tool
