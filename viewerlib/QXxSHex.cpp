// QXxSHex.cpp — bytes as hexadecimal text.
#include "QXxSHex.h"

QByteArray BytesToHexText(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return {};
    static constexpr char Digits[] = "0123456789ABCDEF";
    QByteArray text(bytes.size() * 3 - 1, ' ');
    char* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[3 * i] = Digits[b >> 4];
        out[3 * i + 1] = Digits[b & 0xF];
    }
    return text;
}
