// BenchViewer.h — a shown viewer with a page of a chosen size, and the patterned 1 MiB source,
// prose and mixed-script text, for the widget benchmarks. Only the control's public API is used
// (bench.sh builds these benchmarks against an older tree too).
#pragma once

#include "QXBinHex.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <iterator>

namespace bench {

// Shows viewer in mode with a page (its viewport) of width × height pixels.
inline void ShowPage(TQXBinHex& viewer, int width, int height,
                     TQXBinHex::TQXBinHexMode mode = TQXBinHex::vbmodeHex) {
    viewer.setMode(mode);
    viewer.show();
    const QSize frame = viewer.size() - viewer.viewport()->size();
    viewer.resize(width + frame.width(), height + frame.height());
}

// 1 MiB whose byte i is i × 7 (mod 256).
inline QByteArray PatternMiB() {
    QByteArray data(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    return data;
}

// Prose of words from 2 to 11 letters in lines of 20 to 400 characters, with a tab, and with a URL
// and an address now and then when links.
inline QByteArray Prose(int size, bool links = true) {
    QByteArray data;
    data.reserve(size + 512);
    uint32_t x = 12345;
    auto next = [&x](uint32_t n) {
        x = x * 1103515245u + 12345u;
        return (x >> 16) % n;
    };
    while (data.size() < size) {
        const int lineLength = 20 + static_cast<int>(next(380));
        const qsizetype start = data.size();
        while (data.size() - start < lineLength) {
            switch (links ? next(40) : 2 + next(38)) {
            case 0:
                data += "http://example.com/page?id=42 ";
                break;
            case 1:
                data += "someone@example.org ";
                break;
            case 2:
                data += '\t';
                break;
            default:
                for (uint32_t k = 2 + next(10); k > 0; --k)
                    data += static_cast<char>('a' + next(26));
                data += ' ';
            }
        }
        data += "\r\n";
    }
    return data;
}

// size bytes of UTF-16 LE text in lines of 1 to 8 phrases of Latin, Cyrillic, Greek, CJK, Arabic,
// Hebrew, Devanagari, combining marks and emoji, with a tab now and then.
inline QByteArray MixedUtf16(int size) {
    static const char16_t* const Phrases[] = {u"plain Latin words", u"Кириллица и слова",
                                              u"Ελληνικά γράμματα", u"漢字と仮名のテキスト",
                                              u"العربية نص",        u"עברית",
                                              u"हिन्दी पाठ",         u"e\u0301 a\u0308 combining",
                                              u"emoji \U0001F600",  u"\tcolumn\t",
                                              u"numbers 12,345.67", u"более длинный текст"};
    uint32_t x = 2024;
    auto next = [&x](uint32_t n) {
        x = x * 1103515245u + 12345u;
        return (x >> 16) % n;
    };
    QString text;
    while (text.size() * 2 < size) {
        for (uint32_t k = 1 + next(8); k > 0; --k)
            text += QString::fromUtf16(Phrases[next(std::size(Phrases))]) + QLatin1Char(' ');
        text += QStringLiteral("\r\n");
    }
    QByteArray data(size, '\0');
    for (int i = 0; i + 1 < size; i += 2) {
        data[i] = static_cast<char>(text.at(i / 2).unicode() & 0xFF);
        data[i + 1] = static_cast<char>(text.at(i / 2).unicode() >> 8);
    }
    return data;
}

} // namespace bench
