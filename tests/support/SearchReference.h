// SearchReference.h — the plain search the stream search is held to: the whole stream decoded
// once with byte offsets, every match looked at in order.
#pragma once

#include "Codepage.h"
#include "QXStreamSearch.h"
#include "QXxSProc.h"

#include <QString>
#include <cstdint>
#include <ostream>
#include <vector>

namespace test {

// The engine with its search of one direction open to tests.
class ProbeSearch : public TQXStreamSearch {
public:
    using TQXStreamSearch::SearchFrom;
};

struct Decoded {
    QString units;
    std::vector<int64_t> offsets;
    int64_t size = 0;

    int64_t EndOf(qsizetype i) const {
        return i < units.size() ? offsets[static_cast<std::size_t>(i)] : size;
    }
};

inline Decoded DecodeAll(const QByteArray& data, TQXEncoding encoding) {
    Decoded d;
    d.size = data.size();
    if (CharSizeOf(encoding) == 2) {
        d.units = BytesToWide(data.constData(), static_cast<int32_t>(data.size()),
                              encoding == EncodingUnicodeBE);
        for (qsizetype i = 0; i < d.units.size(); ++i)
            d.offsets.push_back(2 * i);
    } else {
        d.units = CodepageToUnicode(data, encoding, d.offsets);
    }
    return d;
}

struct Found {
    int64_t start = -1;
    int64_t length = 0;
    friend bool operator==(const Found&, const Found&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Found& f) {
    return os << "{start " << f.start << ", length " << f.length << "}";
}

// Every match is looked at in order; a whole word needs separators around it, except before a
// forward match at the start position and after a backward match ending at it.
inline Found Reference(const Decoded& d, const QString& text, TQXEncoding encoding,
                       TQXSearchOptions options, int64_t startPos) {
    const int32_t charSize = CharSizeOf(encoding);
    const bool forward = !options.testFlag(soBackward);
    if (d.size < charSize)
        return {};
    const int64_t maxPos = LastCharPos(d.size, charSize);
    int64_t pos = AlignDown(startPos, charSize);
    if (pos > maxPos) {
        if (forward)
            return {};
        pos = maxPos;
    }
    if (pos < 0) {
        if (!forward)
            return {};
        pos = 0;
    }
    const auto key = [&](QChar c) {
        if (options.testFlag(soCaseSensitive))
            return c.unicode();
        if (charSize == 2) {
            QString s(c);
            WideLowerCase(s);
            return s[0].unicode();
        }
        return AnsiFoldUnit(c.unicode());
    };
    const qsizetype m = text.size();
    const qsizetype units = d.units.size();
    const auto matchesAt = [&](qsizetype i) {
        for (qsizetype k = 0; k < m; ++k) {
            if (key(d.units[i + k]) != key(text[k]))
                return false;
        }
        return true;
    };
    const auto separatorAt = [&](qsizetype i) { return IsWordSeparator(d.units[i].unicode()); };
    const auto offset = [&](qsizetype i) { return d.offsets[static_cast<std::size_t>(i)]; };
    const auto result = [&](qsizetype i) { return Found{offset(i), d.EndOf(i + m) - offset(i)}; };
    const bool whole = options.testFlag(soWholeWords);
    if (forward) {
        for (qsizetype i = 0; i + m <= units; ++i) {
            if (offset(i) < pos || !matchesAt(i))
                continue;
            if (whole && offset(i) != pos && i > 0 && !separatorAt(i - 1))
                continue;
            if (whole && i + m < units && !separatorAt(i + m))
                continue;
            return result(i);
        }
    } else {
        for (qsizetype i = units - m; i >= 0; --i) {
            if (offset(i + m - 1) > pos || !matchesAt(i))
                continue;
            if (whole && i > 0 && !separatorAt(i - 1))
                continue;
            if (whole && offset(i + m - 1) != pos && i + m < units && !separatorAt(i + m))
                continue;
            return result(i);
        }
    }
    return {};
}

// The text's bytes in an encoding: UTF-16 by hand, UTF-8 (130) by Qt, code pages by the converter.
inline QByteArray Bytes(const QString& text, TQXEncoding encoding) {
    switch (encoding) {
    case EncodingUnicodeLE:
    case EncodingUnicodeBE: {
        QByteArray bytes;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            const char hi = static_cast<char>(u >> 8);
            const char lo = static_cast<char>(u & 0xFF);
            bytes.append(encoding == EncodingUnicodeBE ? hi : lo);
            bytes.append(encoding == EncodingUnicodeBE ? lo : hi);
        }
        return bytes;
    }
    case 130:
        return text.toUtf8();
    default:
        return platform::EncodeCodepage(CodepageID(encoding), text);
    }
}

} // namespace test
