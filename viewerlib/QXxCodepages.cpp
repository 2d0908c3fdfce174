// QXxCodepages.cpp — encodings of the viewer: the code page list by index, and bytes to UTF-16.
#include "QXxCodepages.h"

#include "Codepage.h"
#include "QXxAssert.h"

#include <algorithm>
#include <atomic>

namespace {

enum Support : int8_t { SupportUnknown, SupportYes, SupportNo };

std::array<std::atomic<int8_t>, CodepageCount> supportCache{};

bool InList(TQXEncoding encoding) {
    return encoding >= 0 && encoding < CodepageCount;
}

QString AnsiToUnicode(QByteArrayView bytes, std::vector<int64_t>* offsets) {
    QString result;
    platform::DecodeCodepage(platform::CP_ACP, bytes, result, offsets);
    return result;
}

QString Unsupported(std::vector<int64_t>* offsets) {
    if (offsets)
        offsets->assign(1, 0);
    return QStringLiteral("?");
}

QString Convert(QByteArrayView bytes, TQXEncoding encoding, std::vector<int64_t>* offsets) {
    if (!IsCodepageSupported(encoding))
        return Unsupported(offsets);
    if (encoding == EncodingANSI)
        return AnsiToUnicode(bytes, offsets);
    QString result;
    if (!platform::DecodeCodepage(CodepageID(encoding), bytes, result, offsets) || result.isEmpty())
        return Unsupported(offsets);
    return result;
}

QString ToUnicode(QByteArrayView bytes, TQXEncoding encoding, std::vector<int64_t>* offsets) {
    if (encoding < 0)
        throw EAssertionFailed(UnicodeEncodingText);
    if (!InList(encoding))
        throw EAssertionFailed(InvalidCodepageText);
    if (offsets)
        offsets->clear();
    if (bytes.isEmpty())
        return {};
    if (encoding == EncodingANSI)
        return AnsiToUnicode(bytes, offsets);
    if (encoding == EncodingMac && !platform::IsNTFamily) {
        // Translating keeps every byte in place, so the ANSI offsets hold for the Mac bytes too.
        const QByteArray translated = MacToAnsi(bytes.toByteArray());
        return AnsiToUnicode(translated, offsets);
    }
    return Convert(bytes, encoding, offsets);
}

} // namespace

int32_t CodepageID(TQXEncoding encoding) {
    if (!InList(encoding))
        throw EAssertionFailed(InvalidCodepageText);
    return CodepageList[encoding].ID;
}

QByteArray CodepageName(TQXEncoding encoding) {
    if (encoding == EncodingUnicodeBE)
        return "Unicode (UTF-16 BE)";
    if (encoding == EncodingUnicodeLE)
        return "Unicode (UTF-16 LE)";
    if (!InList(encoding))
        return {};
    return CodepageList[encoding].Name;
}

bool IsCodepageSupported(TQXEncoding encoding) {
    const int32_t id = CodepageID(encoding);
    std::atomic<int8_t>& cached = supportCache[encoding];
    int8_t answer = cached.load(std::memory_order_relaxed);
    if (answer == SupportUnknown) {
        answer = platform::DecodedLength(id, SupportTestText) > 0 ? SupportYes : SupportNo;
        cached.store(answer, std::memory_order_relaxed);
    }
    return answer == SupportYes;
}

QString CodepageToUnicode(QByteArrayView bytes, TQXEncoding encoding) {
    return ToUnicode(bytes, encoding, nullptr);
}

QString CodepageToUnicode(QByteArrayView bytes, TQXEncoding encoding,
                          std::vector<int64_t>& offsets) {
    return ToUnicode(bytes, encoding, &offsets);
}

QString ConvertWithCodepage(QByteArrayView bytes, TQXEncoding encoding) {
    return Convert(bytes, encoding, nullptr);
}

QByteArray TranslateHighBytes(const QByteArray& bytes,
                              const std::array<unsigned char, 128>& table) {
    const auto isHigh = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    const auto first = std::find_if(bytes.begin(), bytes.end(), isHigh);
    if (first == bytes.end())
        return bytes;
    QByteArray result = bytes;
    char* data = result.data();
    for (qsizetype i = first - bytes.begin(); i < result.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (b >= 0x80)
            data[i] = static_cast<char>(table[b - 0x80]);
    }
    return result;
}

QByteArray MacToAnsi(const QByteArray& bytes) {
    return TranslateHighBytes(bytes, MacToAnsiTable);
}

QString MacToUnicodeThroughAnsi(const QByteArray& bytes) {
    return AnsiToUnicode(MacToAnsi(bytes), nullptr);
}
