// Codepage_iconv.cpp — byte and byte-pair tables dumped from the C library's iconv, for the pages
// only it decodes.
#include "Codepage_p.h"

#include <QString>
#include <cerrno>
#include <iconv.h>

namespace platform::detail {

namespace {

class Iconv {
public:
    explicit Iconv(const char* from) : cd_(iconv_open("UTF-16LE", from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Decodes a complete sequence; the result is empty when iconv rejects it or leaves it
    // unfinished.
    QString decode(const unsigned char* bytes, size_t count) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char16_t out[8];
        char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
        size_t inLeft = count;
        char* target = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        if (iconv(cd_, &in, &inLeft, &target, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return {};
        // Flush: a pending accent or shift state left over means the sequence was incomplete.
        if (iconv(cd_, nullptr, nullptr, &target, &outLeft) == static_cast<size_t>(-1))
            return {};
        return QString::fromUtf16(out, (sizeof out - outLeft) / sizeof(char16_t));
    }

private:
    iconv_t cd_;
};

} // namespace

bool IconvByteTable(const char* iconvName, ByteTable& table) {
    Iconv cd(iconvName);
    if (!cd.ok())
        return false;
    for (int b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        const QString unit = cd.decode(&byte, 1);
        table[b] = unit.size() == 1 ? unit.front().unicode() : ReplacementUnit;
    }
    return true;
}

bool IconvAccentPrefixTable(const char* iconvName, ByteTable& table) {
    if (!IconvByteTable(iconvName, table))
        return false;
    Iconv cd(iconvName);
    // An accent alone is rejected; combined with a letter it gives a precomposed character whose
    // canonical decomposition names the mark. Not every accent combines with every letter.
    static const char bases[] = "aeouicnsgzyrklthdwAEOUICNSGZYRKLTHDW";
    for (int accent = 0xC1; accent <= 0xCF; ++accent) {
        if (table[accent] != ReplacementUnit)
            continue;
        for (const char* base = bases; *base; ++base) {
            const unsigned char pair[2] = {static_cast<unsigned char>(accent),
                                           static_cast<unsigned char>(*base)};
            const QString decomposed = cd.decode(pair, 2).normalized(QString::NormalizationForm_D);
            if (decomposed.size() == 2 && decomposed.front() == QLatin1Char(*base)) {
                table[accent] = decomposed.back().unicode();
                break;
            }
        }
    }
    return true;
}

std::unique_ptr<PairTable> IconvPairTable(const char* iconvName) {
    Iconv cd(iconvName);
    if (!cd.ok())
        return nullptr;
    auto pairs = std::make_unique<PairTable>();
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail = 0x21; trail < 0x100; ++trail) {
            const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                           static_cast<unsigned char>(trail)};
            const QString unit = cd.decode(pair, 2);
            if (unit.size() == 1)
                pairs->units[(lead - 0x80) * 256 + trail] = unit.front().unicode();
        }
    }
    return pairs;
}

} // namespace platform::detail
