// Codepage.h — the system code page converter: Windows code page IDs to UTF-16 and back, and the
// ANSI, OEM and Mac code pages that the user's locale stands for.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

// Selectors for the current ANSI, OEM and Mac code page, accepted wherever an ID is.
inline constexpr int CP_ACP = 0;
inline constexpr int CP_OEMCP = 1;
inline constexpr int CP_MACCP = 2;

struct LocaleCodepages {
    int ansi;
    int oem;
    int mac;
    friend bool operator==(const LocaleCodepages&, const LocaleCodepages&) = default;
};

// The code pages Windows uses for a POSIX locale name ("ru_RU.UTF-8", "sr_RS@latin", "C"). The
// codeset is ignored, the modifier only selects a script; "C", "POSIX" and "" count as en_US. A
// locale without legacy code pages gives 1252 / 437 / 10000, and a Mac page outside the converter's
// reach (Thai's 10021) is replaced by the ANSI one.
LocaleCodepages CodepagesForLocale(std::string_view locale);

// CodepagesForLocale of the first non-empty of LC_ALL, LC_CTYPE, LANG.
LocaleCodepages CodepagesFromEnvironment();

// The pages of the locale the program started in, determined on first use and then fixed.
const LocaleCodepages& SystemCodepages();

// Replaces the selectors 0, 1 and 2 by the system's code pages; other IDs are returned unchanged.
int ResolveCodepage(int codepage);

// True when the converter decodes this code page exactly (selectors resolved).
bool IsCodepageAvailable(int codepage);

// The number of UTF-16 units the bytes decode to; 0 for empty input or a code page without a
// converter. Invalid sequences count as the substitute character they decode to.
int64_t DecodedLength(int codepage, QByteArrayView bytes);

// Decodes the bytes into out as one complete piece of text (the converter starts in its initial
// state and flushes at the end). Invalid sequences become the converter's substitute character.
// When offsets is given it receives, for every UTF-16 unit, the index of the first byte of the
// sequence that produced it. Returns false, with out empty, when the code page has no converter.
bool DecodeCodepage(int codepage, QByteArrayView bytes, QString& out,
                    std::vector<int64_t>* offsets = nullptr);

// What DecodeCodepage has handed to the converter on this thread so far, for tests that bound the
// cost of decoding. A converter may read the rest of its input again after each invalid sequence:
// reread adds up, per conversion call, the bytes given times the invalid sequences met.
struct DecodeWork {
    int64_t bytes = 0;
    int64_t reread = 0;
};
DecodeWork ThreadDecodeWork();

// Encodes text in a code page; characters it lacks become "?" (or a close look-alike where the
// converter knows one). Empty for a code page without a converter.
QByteArray EncodeCodepage(int codepage, QStringView text);

// The MIME charset name of a code page ("windows-1251", "IBM866"), selectors resolved.
QByteArray CodepageCharsetName(int codepage);

// The operating system is always of the NT family here: Unicode clipboard, per-ID Mac conversion.
inline constexpr bool IsNTFamily = true;

} // namespace platform
