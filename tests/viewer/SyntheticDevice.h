// SyntheticDevice.h — seekable streams for viewer tests: bytes computed from the offset (no
// storage, any size), and a stream whose reads fail.
#pragma once

#include <QIODevice>
#include <cstdint>

// byte(offset) = (offset * 31 + (offset >> 16)) & 0xFF, for a source of any size.
class SyntheticDevice : public QIODevice {
public:
    explicit SyntheticDevice(int64_t size) : size_(size) { open(QIODevice::ReadOnly); }
    static uint8_t ByteAt(int64_t offset) {
        // Unsigned, so that offsets near 2^63 wrap instead of overflowing; the low byte is the
        // same.
        const auto u = static_cast<uint64_t>(offset);
        return static_cast<uint8_t>((u * 31 + (u >> 16)) & 0xFF);
    }
    qint64 size() const override { return size_; }
    bool isSequential() const override { return false; }
    int reads = 0;
    qint64 largestRead = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        ++reads;
        largestRead = std::max(largestRead, maxSize);
        const int64_t at = pos();
        const qint64 n = std::max<qint64>(0, std::min<qint64>(maxSize, size_ - at));
        for (qint64 i = 0; i < n; ++i)
            data[i] = static_cast<char>(ByteAt(at + i));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int64_t size_;
};

// A stream of the given size whose reads fail while failing is true.
class FailingDevice : public SyntheticDevice {
public:
    using SyntheticDevice::SyntheticDevice;
    bool failing = true;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (failing)
            return -1;
        return SyntheticDevice::readData(data, maxSize);
    }
};
