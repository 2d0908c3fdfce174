// Checksums.cpp — the programmer's report and the sums and CRCs written into images by name.
#include "Checksums.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace tool {

namespace {

// Copies share one engine; its tables are built once.
const Crc& Crc32Prototype() {
    static const Crc crc(*FindCrc("CRC-32"));
    return crc;
}

const Crc& Crc16Prototype() {
    static const Crc crc(*FindCrc("CRC-16/CCITT-FALSE"));
    return crc;
}

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

uint32_t Crc32(const uint8_t* bytes, int64_t n) {
    Crc crc = Crc32Prototype();
    crc.add(bytes, n);
    return static_cast<uint32_t>(crc.value());
}

uint16_t Crc16CcittFalse(const uint8_t* bytes, int64_t n) {
    Crc crc = Crc16Prototype();
    crc.add(bytes, n);
    return static_cast<uint16_t>(crc.value());
}

uint32_t ByteSum(const uint8_t* bytes, int64_t n) {
    uint32_t sum = 0;
    for (int64_t i = 0; i < n; ++i)
        sum += bytes[i];
    return sum;
}

uint16_t WordSum(const uint8_t* bytes, int64_t n, WordOrder order) {
    uint32_t sum = 0;
    for (int64_t i = 0; i < n; i += 2) {
        const uint32_t first = bytes[i];
        const uint32_t second = i + 1 < n ? bytes[i + 1] : 0;
        sum += order == WordOrder::LittleEndian ? first | second << 8 : first << 8 | second;
    }
    return static_cast<uint16_t>(sum);
}

ChecksumAccumulator::ChecksumAccumulator() : crc32_(Crc32Prototype()), crc16_(Crc16Prototype()) {}

void ChecksumAccumulator::add(const uint8_t* bytes, int64_t n) {
    crc32_.add(bytes, n);
    crc16_.add(bytes, n);
    byteSum_ += ByteSum(bytes, n);
    int64_t i = 0;
    if (inWord_ && n > 0) {
        wordSumLe_ += uint32_t{bytes[0]} << 8;
        wordSumBe_ += bytes[0];
        i = 1;
        inWord_ = false;
    }
    const int64_t whole = i + (n - i) / 2 * 2;
    wordSumLe_ += WordSum(bytes + i, whole - i, WordOrder::LittleEndian);
    wordSumBe_ += WordSum(bytes + i, whole - i, WordOrder::BigEndian);
    if (whole < n) {
        // A word's first byte; WordSum counts it as if its second byte were 0.
        wordSumLe_ += bytes[whole];
        wordSumBe_ += uint32_t{bytes[whole]} << 8;
        inWord_ = true;
    }
}

std::string ChecksumAccumulator::report() const {
    char text[256];
    std::snprintf(text, sizeof text,
                  "CRC-32             %08X\n"
                  "CRC-16/CCITT-FALSE %04X\n"
                  "Sum-8              %02X\n"
                  "Sum-16             %04X\n"
                  "Word sum LE        %04X\n"
                  "Word sum BE        %04X\n",
                  static_cast<unsigned>(crc32_.value()), static_cast<unsigned>(crc16_.value()),
                  byteSum_ & 0xFF, byteSum_ & 0xFFFF, wordSumLe_ & 0xFFFF, wordSumBe_ & 0xFFFF);
    return text;
}

std::string ChecksumReport(const uint8_t* bytes, int64_t n) {
    ChecksumAccumulator sums;
    sums.add(bytes, n);
    return sums.report();
}

std::optional<ChecksumAlgorithm> FindChecksumAlgorithm(std::string_view name) {
    ChecksumAlgorithm algorithm;
    algorithm.name = std::string(name);
    if (SameText(name, "crc")) {
        algorithm.kind = ChecksumAlgorithm::Kind::Crc;
        algorithm.crc.name = "crc";
        return algorithm;
    }
    if (auto crc = FindCrc(name)) {
        algorithm.kind = ChecksumAlgorithm::Kind::Crc;
        algorithm.name = std::string(crc->name);
        algorithm.crc = *crc;
        algorithm.bytes = (crc->width + 7) / 8;
        return algorithm;
    }
    struct Suffix {
        std::string_view text;
        Complement complement;
    };
    for (const Suffix& suffix :
         {Suffix{"-ones", Complement::Ones}, Suffix{"-twos", Complement::Twos}})
        if (name.size() > suffix.text.size() &&
            SameText(name.substr(name.size() - suffix.text.size()), suffix.text)) {
            algorithm.complement = suffix.complement;
            name.remove_suffix(suffix.text.size());
        }
    struct Sum {
        std::string_view name;
        int bytes;
        int wordBytes;
        WordOrder order;
    };
    constexpr Sum Sums[] = {
        {"sum8", 1, 1, WordOrder::LittleEndian},  {"sum16", 2, 1, WordOrder::LittleEndian},
        {"sum32", 4, 1, WordOrder::LittleEndian}, {"wsum16le", 2, 2, WordOrder::LittleEndian},
        {"wsum16be", 2, 2, WordOrder::BigEndian}, {"wsum32le", 4, 4, WordOrder::LittleEndian},
        {"wsum32be", 4, 4, WordOrder::BigEndian},
    };
    for (const Sum& sum : Sums)
        if (SameText(name, sum.name)) {
            algorithm.bytes = sum.bytes;
            algorithm.wordBytes = sum.wordBytes;
            algorithm.order = sum.order;
            return algorithm;
        }
    return std::nullopt;
}

RunningChecksum::RunningChecksum(const ChecksumAlgorithm& algorithm) : algorithm_(algorithm) {
    if (algorithm.kind == ChecksumAlgorithm::Kind::Crc)
        crc_.emplace(algorithm.crc);
}

void RunningChecksum::add(const uint8_t* bytes, int64_t n) {
    if (crc_) {
        crc_->add(bytes, n);
        return;
    }
    const int size = algorithm_.wordBytes;
    const bool little = algorithm_.order == WordOrder::LittleEndian;
    auto single = [&](uint8_t byte) {
        sum_ += uint64_t{byte} << (8 * (little ? position_ : size - 1 - position_));
        position_ = (position_ + 1) % size;
    };
    int64_t i = 0;
    for (; i < n && position_ != 0; ++i)
        single(bytes[i]);
    // Whole words, with partial sums in 32 bits that cannot overflow within a stretch.
    const int64_t whole = i + (n - i) / size * size;
    constexpr int64_t Stretch = 1 << 14;
    for (int64_t from = i; from < whole; from += Stretch * size) {
        const int64_t to = std::min(whole, from + Stretch * size);
        uint64_t partial = 0;
        if (size == 1) {
            uint32_t s = 0;
            for (int64_t k = from; k < to; ++k)
                s += bytes[k];
            partial = s;
        } else if (size == 2) {
            uint32_t s = 0;
            for (int64_t k = from; k < to; k += 2) {
                const uint32_t first = bytes[k], second = bytes[k + 1];
                s += little ? first | second << 8 : first << 8 | second;
            }
            partial = s;
        } else {
            for (int64_t k = from; k < to; k += 4) {
                uint32_t word;
                std::memcpy(&word, bytes + k, 4);
                partial += little ? word : __builtin_bswap32(word);
            }
        }
        sum_ += partial;
    }
    for (i = whole; i < n; ++i)
        single(bytes[i]);
}

uint64_t RunningChecksum::value() const {
    const int bits = 8 * algorithm_.bytes;
    const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    if (crc_)
        return crc_->value() & mask;
    switch (algorithm_.complement) {
    case Complement::Ones:
        return ~sum_ & mask;
    case Complement::Twos:
        return (0 - sum_) & mask;
    case Complement::None:
        break;
    }
    return sum_ & mask;
}

} // namespace tool
