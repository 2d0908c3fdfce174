// QXStreamSearch.h — TQXStreamSearch: finds a text in a file or stream of any size, block by block,
// forward or backward, in any encoding of the viewer, and remembers the last search.
#pragma once

#include "QXBinHexExport.h"

#include "FileIo.h"
#include "QXxCodepages.h"

#include <QFlags>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

class QIODevice;

enum TQXSearchOption : uint8_t {
    soCaseSensitive = 0x01, // compare case-sensitively; otherwise both sides are lower-cased
    soWholeWords = 0x02,    // accept only matches bounded by word separators
    soBackward = 0x04,      // search towards the start of the stream
    soHighlightAll = 0x20   // read by the viewer from SavedOptions; the engine ignores it
};
Q_DECLARE_FLAGS(TQXSearchOptions, TQXSearchOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TQXSearchOptions)

// Called once before the first block and once after every block without a match; clearing
// AContinueSearching (true on entry) ends the search as not found.
using TQXStreamSearchProgress = std::function<void(QObject* ASender, int64_t ACurrentPos,
                                                   int64_t AMaximalPos, bool& AContinueSearching)>;

// Bytes read at a time, and the size of the one block buffer of a search.
inline constexpr int64_t SearchBlockSize = 65536;

inline constexpr char StreamNotInitializedText[] = "Stream object not initialized";
inline constexpr char SearchTextEmptyText[] = "Search text is empty";

// A failure to position or read the source: "Read error at offset <block start>".
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that SetFileName cannot open: "Cannot open file "<name>"".
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The 65 characters that end a word: 0x00..0x2F, 0x3A..0x40, 0x5B..0x60 except the underscore,
// 0x7B..0x7F. Letters, digits, "_" and everything from 0x80 up are word characters.
extern QXBINHEX_EXPORT const std::array<char16_t, 65> WordSeparators;
QXBINHEX_EXPORT bool IsWordSeparator(char16_t c);

// 2 for the UTF-16 encodings -2 and -1, else 1.
QXBINHEX_EXPORT int32_t CharSizeOf(TQXEncoding encoding);
// x div size × size, the division truncating towards zero.
QXBINHEX_EXPORT int64_t AlignDown(int64_t x, int32_t size);
// The offset of the last whole character of a source of that size; 0 when there is none.
QXBINHEX_EXPORT int64_t LastCharPos(int64_t size, int32_t charSize);

// Lower-cases every UTF-16 unit in place by its simple Unicode mapping; the length never changes
// and a unit without a lower-case form (a surrogate among them) stays.
QXBINHEX_EXPORT void WideLowerCase(QString& s);

// The lower-cased comparison form of a unit in one-byte searches: a character that the ANSI code
// page holds is lower-cased as that page does (kept when its lower-case form is missing from the
// page); any other character is compared as UTF-16, lower-cased like WideLowerCase.
QXBINHEX_EXPORT char16_t AnsiFoldUnit(char16_t c);

// The 1-based index of the first (forward) or last (backward) match of pattern in block, or 0;
// block holds the decoded characters of a one-byte search. Characters are compared as UTF-16,
// without soCaseSensitive through AnsiFoldUnit on both sides, so that characters the ANSI code page
// lacks never stand for each other. With wholeWords a match needs a word separator before it
// (unless it starts the block) and after it (unless it ends the block); a match touching the
// block's edge in the search direction is refused unless lastBlock, because its neighbour lies in
// the next block.
QXBINHEX_EXPORT int SearchInBlock(const QString& pattern, const QString& block, bool forward,
                                  bool wholeWords, bool caseSensitive, bool lastBlock);

// SearchInBlock over UTF-16 text, lower-cased with WideLowerCase unless caseSensitive.
QXBINHEX_EXPORT int SearchInBlockWide(const QString& pattern, const QString& block, bool forward,
                                      bool wholeWords, bool caseSensitive, bool lastBlock);

// A search engine over one source: a file it opens itself or a caller's seekable stream. The source
// is read in blocks of SearchBlockSize bytes into one buffer, so memory use does not depend on its
// size; its size is taken anew at each search. Everything runs on the calling thread.
//
// Offsets are bytes. In a one-byte search with a multi-byte code page (UTF-8, Shift-JIS,
// GB18030...) FoundStart is the offset of the match's first byte and FoundLength its length in
// bytes; elsewhere FoundLength is the text's length in characters times 1 or 2. Such a search must
// start at a character boundary; backward blocks find their first character boundary themselves.
class QXBINHEX_EXPORT TQXStreamSearch : public QObject {
public:
    explicit TQXStreamSearch(QObject* AOwner = nullptr);
    ~TQXStreamSearch() override;
    TQXStreamSearch(const TQXStreamSearch&) = delete;
    TQXStreamSearch& operator=(const TQXStreamSearch&) = delete;

    // Frees an owned source; an empty name stops there and keeps the remembered search. Otherwise
    // forgets the search and opens the file for reading with full sharing; throws EFOpenError when
    // it cannot, leaving no source.
    void SetFileName(const QString& Name);
    // Frees an owned source, forgets the search and searches S (none allowed) from now on. S stays
    // the caller's and must stay alive and open while it is searched.
    void SetStream(QIODevice* S);

    // Remembers text, encoding and options, then searches from StartPos (a byte offset); a backward
    // search from 0 starts at the end. Sets FoundStart and FoundLength; true when found. Throws
    // EAssertionFailed(StreamNotInitializedText) without a source (unless Text is empty) and
    // EReadError when the source fails; the previous results then stay.
    bool FindFirst(const QString& Text, TQXEncoding Encoding, TQXSearchOptions Options,
                   int64_t StartPos);
    // Continues the remembered search past the last match: in the remembered direction, or the
    // other one when FindPrevious. Matches overlapping the last one are found. Throws
    // EAssertionFailed(SearchTextEmptyText) when nothing is remembered.
    bool FindNext(bool FindPrevious);

    // The offset of the character that holds the byte at Pos, as read from the start of the source:
    // Pos itself in single-byte pages, Pos rounded down to even in UTF-16, the first byte of the
    // character in multi-byte pages. Pos is clamped to the source. Throws like FindFirst.
    int64_t CharStartAtOrBefore(int64_t Pos, TQXEncoding Encoding);

    // The byte offset of the last match, -1 after a search that found nothing.
    int64_t FoundStart() const { return FFoundStart; }
    // The byte length of the last match, 0 after a search that found nothing.
    int64_t FoundLength() const { return FFoundLength; }

    const QString& FileName() const { return FFileName; }
    const QString& SavedText() const { return FSavedText; }
    TQXEncoding SavedEncoding() const { return FSavedEncoding; }
    TQXSearchOptions SavedOptions() const { return FSavedOptions; }

    TQXStreamSearchProgress OnProgress;

protected:
    // The search of FindFirst without remembering it.
    bool Find(const QString& Text, TQXEncoding Encoding, TQXSearchOptions Options,
              int64_t StartPos);
    // The byte offset of the match nearest to StartPos in the search direction, or -1. Forward, a
    // match may start at StartPos; backward, its last character starts at or before StartPos. A
    // text whose (length + 1) × CharSize reaches SearchBlockSize is never found.
    int64_t SearchFrom(const QString& Text, TQXEncoding Encoding, TQXSearchOptions Options,
                       int64_t StartPos);
    // Takes the source's size and the character size; false when the source holds no character.
    bool InitSearch(TQXEncoding Encoding);
    // Reports pos to OnProgress (when assigned); false when the handler cancels.
    bool DoProgress(int64_t Pos);
    void FreeStream();
    void ClearSavedSearch();

private:
    struct MatchBytes {
        int64_t Length = 0;          // bytes of the whole match
        int64_t FirstCharLength = 0; // bytes of its first character
        int64_t LastCharStart = 0;   // offset of its last character
    };
    struct SearchRun;
    // Character starts on either side of an offset; both equal it when a character starts there.
    struct CharStarts {
        int64_t before = 0;
        int64_t after = 0;
    };

    bool HasSource() const;
    int64_t SourceSize() const;
    int64_t ReadBlock(int64_t offset, char* buffer, int64_t count);
    void SetFound(int64_t start, int charCount);
    int64_t SearchFixed(SearchRun& run);
    int64_t SearchVariableForward(SearchRun& run);
    int64_t SearchVariableBackward(SearchRun& run);
    // The case-insensitive UTF-8 search on the bytes as read; qxsearch::NotSearched for a text it
    // does not suit, which the decoding search then looks for.
    int64_t SearchUtf8Folded(SearchRun& run);
    // The search of a stateless double-byte page on the bytes as read; qxsearch::NotSearched for a
    // text it does not suit, which the decoding search then looks for.
    int64_t SearchDoubleByte(SearchRun& run);
    CharStarts CharStartsAround(SearchRun& run, int64_t offset);

    QIODevice* FStream = nullptr;
    // The file SetFileName opened; the source instead of FStream while open.
    platform::UniqueFile FFileHandle;
    bool FStreamOwner = false;
    QString FFileName;
    int64_t FStreamSize = 0;
    int64_t FFoundStart = -1;
    int64_t FFoundLength = 0;
    int32_t FCharSize = 1;
    QString FSavedText;
    TQXEncoding FSavedEncoding = 0;
    TQXSearchOptions FSavedOptions;
    MatchBytes FMatch;      // the byte extent of the match SearchFrom found last
    MatchBytes FFoundMatch; // the byte extent behind FoundStart, which FindNext steps from
};
