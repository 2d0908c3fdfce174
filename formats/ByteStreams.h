// ByteStreams.h — the block interfaces the readers, writers and comparison run over: images read
// at any offset and outputs appended to, so that no command of the tool needs a whole input in
// memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tool {

// The largest input the tool takes: a raw file's size or the span of a HEX or S-record file.
inline constexpr int64_t MaxInputSize = int64_t{4} << 30;

// A value in upper-case hex with at least digits digits, without a prefix: "00FF".
std::string HexDigits(uint64_t value, int digits);
// An address as messages show it: "0x" and at least eight hex digits.
std::string AddressText(int64_t address);

// A range of offsets of a source that holds given bytes.
struct DataRange {
    int64_t offset;
    int64_t length;
    bool operator==(const DataRange&) const = default;
};

// A byte image of a fixed size from which any range can be read.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int64_t size() const = 0;
    // Copies the bytes [offset, offset + n) to to; the range must lie within size(). Throws the
    // caller's own error when the underlying file cannot be read (the tool's ToolError, the
    // window's EInOutError).
    virtual void read(int64_t offset, uint8_t* to, int64_t n) = 0;
    // The ranges that hold given bytes, in order, disjoint and not adjacent; the rest of the image
    // is fill where no record of a HEX or S-record file gave a byte. A raw image is one range.
    virtual std::vector<DataRange> ranges() const {
        if (size() == 0)
            return {};
        return {{0, size()}};
    }
};

// Bytes appended in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const uint8_t* bytes, int64_t n) = 0;
};

// A source over bytes held by someone else.
class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* bytes, int64_t n) : bytes_(bytes), size_(n) {}
    int64_t size() const override { return size_; }
    void read(int64_t offset, uint8_t* to, int64_t n) override;

private:
    const uint8_t* bytes_;
    int64_t size_;
};

// A source of size bytes: lead pad bytes, another source's bytes, and pad up to size: a first and
// a last partial word completed.
class PaddedSource : public ByteSource {
public:
    PaddedSource(ByteSource& inner, int64_t size, uint8_t pad)
        : PaddedSource(inner, 0, size, pad) {}
    PaddedSource(ByteSource& inner, int64_t lead, int64_t size, uint8_t pad)
        : inner_(inner), lead_(lead), size_(size), pad_(pad) {}
    int64_t size() const override { return size_; }
    void read(int64_t offset, uint8_t* to, int64_t n) override;

private:
    ByteSource& inner_;
    int64_t lead_;
    int64_t size_;
    uint8_t pad_;
};

// A sink that collects everything in a string.
class StringSink : public ByteSink {
public:
    void write(const uint8_t* bytes, int64_t n) override {
        text.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
    }
    std::string text;
};

} // namespace tool
