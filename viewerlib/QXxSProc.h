// QXxSProc.h — small number and string helpers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// Starts from fmt and replaces, for each argument in order, the first remaining "%s" by it. Surplus
// arguments are dropped, surplus "%s" stay; no other placeholder is interpreted. An argument that
// itself contains "%s" is inserted unchanged (the search goes on after the inserted text).
QString FormatW(const QString& fmt, const QStringList& args);

int32_t Min32(int32_t a, int32_t b);
int32_t Max32(int32_t a, int32_t b);
int64_t Min64(int64_t a, int64_t b);
int64_t Max64(int64_t a, int64_t b);

// Raise value to bound when below it / lower it to bound when above it. Clamping into a range calls
// ClampLow first and ClampHigh second, so when the bounds cross the upper one wins.
void ClampLow(int32_t& value, int32_t bound);
void ClampHigh(int32_t& value, int32_t bound);
void ClampLow64(int64_t& value, int64_t bound);
void ClampHigh64(int64_t& value, int64_t bound);

// Replaces the first occurrence of from in s by to; no change when there is none (or from is
// empty).
void ReplaceFirstW(QString& s, const QString& from, const QString& to);

// Replaces first occurrences of from until none is left, as if each search started at the beginning
// of s. When to contains from (which would never end), every occurrence is replaced once instead.
// Replacements that keep creating occurrences from their neighbours may otherwise never end, so
// each replacement counts the length of s at that moment as work, and once the work would pass
// ReplaceAllWorkLimit characters the occurrences left are replaced once each. Every chain that
// ends within that work gives the exact result. Always returns.
inline constexpr qsizetype ReplaceAllWorkLimit = qsizetype{32} << 20;
void ReplaceAllW(QString& s, const QString& from, const QString& to);

// 1-based position of the last character of s that occurs in delims; 0 when none does.
int LastDelimiterPos(const QString& delims, const QString& s);

// The extension of a file name with its dot (".txt"); empty when the last of ".", "\", ":" and "/"
// in the name is not a dot, so a dot in a folder name is no extension.
QString ExtractFileExtW(const QString& fileName);

// True when the name's extension (without the dot, non-empty) is one of the entries of the
// comma-separated list, compared with A-Z folded to a-z. Empty entries match nothing, and an
// extension holding a comma matches no entry. False for an empty name or list.
bool IsFileExtInList(const QString& fileName, const QByteArray& list);

// Every zero character becomes a space.
void ZerosToSpaces(QByteArray& s);
void ZerosToSpacesW(QString& s);

// Removes one trailing space or tab, if there is one.
void TrimLastBlank(QString& s);

// n copies of ch; empty for n <= 0.
QString RepeatCharW(QChar ch, int n);

struct TabExpandOptions {
    int32_t TabSize = 8;        // width of a tab stop in characters, at least 1
    int32_t TabPos = 0;         // 1-based position of the tab in the line (set by ExpandTabs)
    bool AlignToStops = false;  // expand to the next multiple of TabSize instead of TabSize
    bool ShowMark = false;      // put MarkChar in the middle of the expansion
    char16_t MarkChar = 0x00BB; // the mark
};

inline constexpr char TabSizeTooSmallText[] = "Tab size too small";

// The spaces that stand for a tab at options.TabPos: up to the next stop when AlignToStops (a
// TabPos below 1 counts as 1), else TabSize. With ShowMark the space at (count div 2) + 1 is
// MarkChar; that position is stored in *markPos when given. Throws
// EAssertionFailed(TabSizeTooSmallText) when TabSize <= 0.
QString TabSpaces(const TabExpandOptions& options, int* markPos = nullptr);

// Replaces every tab of s, left to right, by TabSpaces of its position in the partly expanded s.
// options.TabPos is left at the position of the last tab replaced.
void ExpandTabs(QString& s, TabExpandOptions& options);

// The byte order of a UTF-16 source.
enum class TByteOrder { LittleEndian, BigEndian };

// One UTF-16 unit from its two bytes as they stand in the source.
constexpr char16_t Utf16Unit(uint8_t first, uint8_t second, TByteOrder order) {
    return order == TByteOrder::BigEndian ? static_cast<char16_t>(first << 8 | second)
                                          : static_cast<char16_t>(second << 8 | first);
}

// count div 2 UTF-16 units from bytes (a last odd byte is dropped), each unit's two bytes exchanged
// when swap (big-endian source); empty when count < 2.
QString BytesToWide(const void* bytes, int32_t count, bool swap);

// True for carriage return and line feed only.
bool IsLineBreakChar(char16_t c);
