// QXUrlScan.h — the viewer's URL table and the search of a page of text for web and file URLs and
// e-mail addresses.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// One URL of the page: its text (ASCII) and the source offset of its first character. An entry
// with an empty Url ends the table.
struct TQXUrl {
    QByteArray Url;
    int64_t Pos = 0;
};

inline constexpr int MaxUrls = 500;
using TQXUrlArray = std::array<TQXUrl, MaxUrls>;

// The characters that end a URL; every control code, DEL and every non-ASCII character end it too.
inline constexpr std::string_view UrlDelimiters = " ()<>{}\"'\r\n\t";

// Every URL of a text, in offset order. Recognised are:
// - "http://", "https://", "ftp://" and "file://" in any letter case, not preceded by a letter or
//   digit and followed by at least one URL character;
// - "www." in lower case, not preceded by a letter, digit, "." or "/", followed by a letter or
//   digit (a run that holds "@" before any "/" is an e-mail address instead);
// - bare e-mail addresses: local part of letters, digits and "._%+-" (not starting with "."), "@",
//   and a domain of letters, digits, "-" and "." with at least one inner dot and a last label of at
//   least two letters.
// A URL runs to the next delimiter; trailing ".,;:!?" are not part of it. URLs do not overlap.
// The scan is linear in the text's length whatever its content; charReads, when given, receives
// the number of characters it examined.
// bytes: one character per byte, character i at offset base + i.
std::vector<TQXUrl> FindUrls(QByteArrayView bytes, int64_t base, int64_t* charReads = nullptr);
// units: UTF-16 code units, unit i at offset base + 2i.
std::vector<TQXUrl> FindUrls(std::u16string_view units, int64_t base, int64_t* charReads = nullptr);

// How many of the URLs before pos FillUrlTable keeps when not all fit.
inline constexpr int UrlsKeptBefore = 100;

// Moves found (in offset order) into table and empties the entries after them. When more than
// MaxUrls were found, the table takes MaxUrls consecutive ones: UrlsKeptBefore before the first at
// or after pos and the rest from there on, moved back where the list ends earlier. Returns the
// number of entries filled.
int FillUrlTable(std::vector<TQXUrl>&& found, int64_t pos, TQXUrlArray& table);

// FindUrls and FillUrlTable for the text's first offset.
int ScanUrls(QByteArrayView bytes, int64_t base, TQXUrlArray& table);
int ScanUrls(std::u16string_view units, int64_t base, TQXUrlArray& table);
