// QXxSHex.h — bytes as hexadecimal text.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Each byte as two upper-case hex digits, separated by single spaces: "abc" gives "61 62 63".
QByteArray BytesToHexText(QByteArrayView bytes);
