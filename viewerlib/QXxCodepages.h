// QXxCodepages.h — encodings of the viewer: the code page list by index, and bytes to UTF-16.
#pragma once

#include "QXBinHexExport.h"

#include "QXxCodepageList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// -2 and -1 are UTF-16 (decoded by the viewer itself); 0..131 index CodepageList.
using TQXEncoding = int32_t;

inline constexpr TQXEncoding EncodingUnicodeBE = -2;
inline constexpr TQXEncoding EncodingUnicodeLE = -1;
inline constexpr TQXEncoding EncodingANSI = 0;
inline constexpr TQXEncoding EncodingOEM = 1;
inline constexpr TQXEncoding EncodingMac = 2;

inline constexpr char InvalidCodepageText[] = "Invalid codepage specified: CodepageID";
inline constexpr char UnicodeEncodingText[] =
    "Unicode encodings can't be passed to CodepageToUnicode";

// CodepageList[encoding].ID. Throws EAssertionFailed(InvalidCodepageText) outside 0..131.
QXBINHEX_EXPORT int32_t CodepageID(TQXEncoding encoding);

// "Unicode (UTF-16 BE)" for -2, "Unicode (UTF-16 LE)" for -1, the row's caption for 0..131; empty
// outside -2..131.
QXBINHEX_EXPORT QByteArray CodepageName(TQXEncoding encoding);

// True when the converter decodes SupportTestText in the row's code page to at least one character.
// Throws like CodepageID outside 0..131. The answer cannot change while the program runs.
QXBINHEX_EXPORT bool IsCodepageSupported(TQXEncoding encoding);

// The bytes as UTF-16 in the encoding; empty input gives an empty result. Encoding 0 converts with
// the ANSI page without a support test; a page without a converter, or a conversion that fails,
// gives "?" for the whole input. Invalid sequences become the converter's substitute character.
// Throws EAssertionFailed(UnicodeEncodingText) for a negative encoding, and like CodepageID above
// 131.
QXBINHEX_EXPORT QString CodepageToUnicode(QByteArrayView bytes, TQXEncoding encoding);

// As CodepageToUnicode, and offsets receives for every UTF-16 unit of the result the index of the
// first byte it came from (0 for the "?" of an unsupported page). The bytes are decoded as one
// piece, so a stateful or multi-byte page must be given them from a character boundary on.
QXBINHEX_EXPORT QString CodepageToUnicode(QByteArrayView bytes, TQXEncoding encoding,
                                          std::vector<int64_t>& offsets);

// The conversion behind CodepageToUnicode for encodings other than 0 and the Mac page on older
// systems: "?" when the page is unsupported or the result would be empty (so also for no bytes).
QXBINHEX_EXPORT QString ConvertWithCodepage(QByteArrayView bytes, TQXEncoding encoding);

// Bytes 0x80..0xFF replaced by table[b - 0x80]; the length never changes. Text without such bytes
// is returned as the same shared string, without a copy.
QXBINHEX_EXPORT QByteArray TranslateHighBytes(const QByteArray& bytes,
                                              const std::array<unsigned char, 128>& table);

// TranslateHighBytes(bytes, MacToAnsiTable).
QXBINHEX_EXPORT QByteArray MacToAnsi(const QByteArray& bytes);

// How systems outside the NT family read Mac text: MacToAnsi, then the ANSI conversion.
QXBINHEX_EXPORT QString MacToUnicodeThroughAnsi(const QByteArray& bytes);
