// MixedText.h — reproducible lines of text mixing scripts, marks, surrogates, controls and tabs,
// as UTF-16 LE or as one-byte text, for the text layouts' drawing tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace test {

// Phrases the lines are made of, each a kind of text the layouts draw differently.
inline std::vector<QString> MixedPhrases() {
    return {
        QStringLiteral("plain Latin words"),
        QStringLiteral("Кириллица и слова"),
        QStringLiteral("Ελληνικά γράμματα"),
        QStringLiteral("漢字と仮名のテキスト"),
        QStringLiteral("한국어 문장"),
        QStringLiteral("العربية نص"),
        QStringLiteral("עברית"),
        QStringLiteral("हिन्दी पाठ"),
        QStringLiteral("ภาษาไทย"),
        QStringLiteral("e\u0301 a\u0308 o\u0302\u0323 combining"),
        QStringLiteral("emoji \U0001F600 \U0001F44D\U0001F3FD \U0001F1E9\U0001F1EA"),
        QStringLiteral("\U00020000\U0002A6D6 ext"),
        QString(QChar(0xD800)) + QStringLiteral(" lone ") + QChar(0xDC00),
        QStringLiteral("ctl \u0001\u0002\u001B\u007F end"),
        QStringLiteral("\ttab\tstops\t"),
        QStringLiteral("punct \u2014 \u2018q\u2019 \u2026 \u20AC 12,5%"),
        QStringLiteral("stacked a\u0301\u0301\u0301\u0300\u0300 o\u0323\u0323\u0323\u0323"),
    };
}

// Lines of onlyKinds (indexes into MixedPhrases; all when empty) joined by spaces, from 1 to 12
// phrases each, ended by LF or CR LF, until size characters.
inline QString MixedLines(int size, unsigned seed, const std::vector<int>& onlyKinds = {}) {
    const std::vector<QString> phrases = MixedPhrases();
    uint32_t x = seed;
    auto next = [&x](uint32_t n) {
        x = x * 1103515245u + 12345u;
        return static_cast<int>((x >> 16) % n);
    };
    QString text;
    while (text.size() < size) {
        for (int k = 1 + next(12); k > 0; --k) {
            const int kind =
                onlyKinds.empty()
                    ? next(static_cast<uint32_t>(phrases.size()))
                    : onlyKinds[static_cast<size_t>(next(static_cast<uint32_t>(onlyKinds.size())))];
            text += phrases[static_cast<size_t>(kind)] + QLatin1Char(' ');
        }
        text += next(2) == 0 ? QStringLiteral("\n") : QStringLiteral("\r\n");
    }
    return text;
}

// text as UTF-16 LE bytes.
inline QByteArray Utf16Le(const QString& text) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text.at(i).unicode() & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text.at(i).unicode() >> 8);
    }
    return bytes;
}

// text as one byte a character: each character's low byte.
inline QByteArray LowBytes(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text.at(i).unicode() & 0xFF);
    return bytes;
}

} // namespace test
