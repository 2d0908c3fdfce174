// QXStreamSearch.cpp — TQXStreamSearch: the source, the remembered search and the block loops.
#include "QXStreamSearch.h"

#include "Codepage.h"
#include "QXStreamSearchBlock.h"
#include "QXxAssert.h"
#include "QXxFProc.h"

#include <QIODevice>
#include <bit>
#include <limits>
#include <memory>

namespace {

QString ReadErrorText(int64_t offset) {
    return QStringLiteral("Read error at offset %1").arg(offset);
}

// Whether the units from at on fold to the comparison forms of the text.
bool FoldedEqual(const QString& keys, const std::function<char16_t(qsizetype)>& unitAt,
                 qsizetype at) {
    const qxsearch::FoldTable& fold = qxsearch::WideFold();
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (fold[unitAt(at + k)] != keys[k].unicode())
            return false;
    }
    return true;
}

} // namespace

TQXStreamSearch::TQXStreamSearch(QObject* AOwner) : QObject(AOwner) {}

TQXStreamSearch::~TQXStreamSearch() {
    FreeStream();
}

void TQXStreamSearch::SetFileName(const QString& Name) {
    FreeStream();
    if (Name.isEmpty())
        return;
    ClearSavedSearch();
    FFileName = Name;
    FStreamOwner = true;
    FStream = nullptr;
    FFileHandle.reset(FFileOpen(Name));
    if (!FFileHandle)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\"").arg(Name).toStdString());
}

void TQXStreamSearch::SetStream(QIODevice* S) {
    FreeStream();
    ClearSavedSearch();
    FFileName.clear();
    FStreamOwner = false;
    FStream = S;
}

void TQXStreamSearch::FreeStream() {
    if (FStreamOwner)
        FFileHandle.reset();
}

void TQXStreamSearch::ClearSavedSearch() {
    FSavedText.clear();
    FSavedEncoding = 0;
    FSavedOptions = {};
}

bool TQXStreamSearch::HasSource() const {
    return FFileHandle || FStream;
}

int64_t TQXStreamSearch::SourceSize() const {
    const int64_t size = FFileHandle ? platform::FileSizeOf(FFileHandle.get()) : FStream->size();
    return std::max<int64_t>(size, 0);
}

int64_t TQXStreamSearch::ReadBlock(int64_t offset, char* buffer, int64_t count) {
    if (FFileHandle) {
        std::size_t read = 0;
        if (!platform::ReadFileAt(FFileHandle.get(), buffer, static_cast<std::size_t>(count),
                                  offset, &read))
            throw EReadError(ReadErrorText(offset).toStdString());
        return static_cast<int64_t>(read);
    }
    if (!FStream->seek(offset))
        throw EReadError(ReadErrorText(offset).toStdString());
    int64_t total = 0;
    while (total < count) {
        const qint64 n = FStream->read(buffer + total, count - total);
        if (n < 0)
            throw EReadError(ReadErrorText(offset).toStdString());
        if (n == 0)
            break;
        total += n;
    }
    return total;
}

bool TQXStreamSearch::InitSearch(TQXEncoding Encoding) {
    FStreamSize = SourceSize();
    FCharSize = CharSizeOf(Encoding);
    return FStreamSize >= FCharSize;
}

bool TQXStreamSearch::DoProgress(int64_t Pos) {
    bool continueSearching = true;
    if (OnProgress)
        OnProgress(this, Pos, FStreamSize, continueSearching);
    return continueSearching;
}

bool TQXStreamSearch::FindFirst(const QString& Text, TQXEncoding Encoding, TQXSearchOptions Options,
                                int64_t StartPos) {
    ClearSavedSearch();
    FSavedText = Text;
    FSavedEncoding = Encoding;
    FSavedOptions = Options;
    return Find(Text, Encoding, Options, StartPos);
}

bool TQXStreamSearch::Find(const QString& Text, TQXEncoding Encoding, TQXSearchOptions Options,
                           int64_t StartPos) {
    if (Options.testFlag(soBackward) && StartPos == 0)
        StartPos = std::numeric_limits<int64_t>::max();
    const int64_t start = SearchFrom(Text, Encoding, Options, StartPos);
    SetFound(start, static_cast<int>(Text.size()));
    return start >= 0;
}

bool TQXStreamSearch::FindNext(bool FindPrevious) {
    if (FSavedText.isEmpty())
        throw EAssertionFailed(SearchTextEmptyText);
    const int32_t charSize = CharSizeOf(FSavedEncoding);
    const bool backward = FSavedOptions.testFlag(soBackward) != FindPrevious;
    // Both steps skip exactly the current match, so matches overlapping it are found.
    const int64_t startPos =
        backward ? FFoundMatch.LastCharStart - charSize : FFoundStart + FFoundMatch.FirstCharLength;
    TQXSearchOptions options = FSavedOptions;
    if (FindPrevious)
        options ^= soBackward;
    const int64_t start = SearchFrom(FSavedText, FSavedEncoding, options, startPos);
    SetFound(start, static_cast<int>(FSavedText.size()));
    return start >= 0;
}

int64_t TQXStreamSearch::CharStartAtOrBefore(int64_t Pos, TQXEncoding Encoding) {
    if (!HasSource())
        throw EAssertionFailed(StreamNotInitializedText);
    if (!InitSearch(Encoding))
        return 0;
    Pos = std::clamp<int64_t>(Pos, 0, FStreamSize);
    if (FCharSize == 2)
        return AlignDown(Pos, FCharSize);
    if (qxsearch::BytePageOf(Encoding))
        return Pos;
    SearchRun run;
    run.encoding = Encoding;
    return CharStartsAround(run, Pos).before;
}

void TQXStreamSearch::SetFound(int64_t start, int charCount) {
    FFoundStart = start;
    if (start >= 0) {
        FFoundLength = FMatch.Length;
        FFoundMatch = FMatch;
        return;
    }
    // Nothing found: the next step starts where it would after a match at -1.
    FFoundLength = 0;
    FFoundMatch.Length = 0;
    FFoundMatch.FirstCharLength = FCharSize;
    FFoundMatch.LastCharStart = start + static_cast<int64_t>(charCount - 1) * FCharSize;
}

int64_t TQXStreamSearch::SearchFrom(const QString& Text, TQXEncoding Encoding,
                                    TQXSearchOptions Options, int64_t StartPos) {
    if (Text.isEmpty())
        return -1;
    if (!HasSource())
        throw EAssertionFailed(StreamNotInitializedText);
    if (!InitSearch(Encoding))
        return -1;
    SearchRun run;
    run.text = Text;
    run.encoding = Encoding;
    run.forward = !Options.testFlag(soBackward);
    run.wholeWords = Options.testFlag(soWholeWords);
    run.caseSensitive = Options.testFlag(soCaseSensitive);
    run.maxPos = LastCharPos(FStreamSize, FCharSize);
    run.pos = AlignDown(StartPos, FCharSize);
    if (run.pos > run.maxPos) {
        if (run.forward)
            return -1;
        run.pos = run.maxPos;
    }
    if (run.pos < 0) {
        if (!run.forward)
            return -1;
        run.pos = 0;
    }
    // Such a text plus its one character of context never fits a block, and the blocks would not
    // advance.
    if ((static_cast<int64_t>(Text.size()) + 1) * FCharSize >= SearchBlockSize)
        return -1;
    if (run.caseSensitive && qxsearch::IsUtf8(Encoding)) {
        run.utf8Needle = qxsearch::Utf8Needle(Text);
        if (run.utf8Needle.size() + 1 >= SearchBlockSize)
            run.utf8Needle.clear();
    }
    if (!run.utf8Needle.isEmpty() && !run.forward) {
        // A backward match's last character starts at or before pos: its last byte may lie after.
        const QString last = Text.right(Text.back().isLowSurrogate() && Text.size() > 1 ? 2 : 1);
        run.pos = std::min<int64_t>(run.pos + last.toUtf8().size() - 1, run.maxPos);
    }
    if (!DoProgress(run.pos))
        return -1;
    if (FCharSize == 2 || qxsearch::BytePageOf(Encoding) || !run.utf8Needle.isEmpty())
        return SearchFixed(run);
    if (qxsearch::DoubleBytePageOf(Encoding)) {
        const int64_t found = SearchDoubleByte(run);
        if (found != qxsearch::NotSearched)
            return found;
    }
    if (!run.caseSensitive && qxsearch::IsUtf8(Encoding)) {
        const int64_t found = SearchUtf8Folded(run);
        if (found != qxsearch::NotSearched)
            return found;
    }
    return run.forward ? SearchVariableForward(run) : SearchVariableBackward(run);
}

// Blocks of fixed size that overlap by the text's length plus one character: UTF-16, and code pages
// with one byte per character, which are searched in their bytes as read. A byte stands for its
// comparison form's first byte, so one memory search finds exactly the characters that compare
// equal.
int64_t TQXStreamSearch::SearchFixed(SearchRun& run) {
    const int32_t charSize = FCharSize;
    const bool utf8 = !run.utf8Needle.isEmpty();
    const auto length = static_cast<qsizetype>(utf8 ? run.utf8Needle.size() : run.text.size());
    const qxsearch::BytePage* page =
        charSize == 1 && !utf8 ? qxsearch::BytePageOf(run.encoding) : nullptr;

    QByteArray needle;
    bool possible = true;
    bool translate = false;
    qxsearch::ByteClasses canonical{};
    const bool bigEndian = run.encoding == EncodingUnicodeBE;
    // Without case, UTF-16 is searched for the case variants of a run of the text's units, and
    // each candidate is folded and compared whole; its needle lies window units into the match.
    QString wideKeys;
    qxsearch::CaseVariants variants;
    if (page) {
        const qxsearch::FoldTable& fold = qxsearch::AnsiFold();
        const auto key = [&](char16_t c) { return run.caseSensitive ? c : fold[c]; };
        std::array<int, 256> classSize{};
        for (int b = 0; b < 256; ++b) {
            int first = 0;
            while (key(page->units[first]) != key(page->units[b]))
                ++first;
            canonical[b] = static_cast<unsigned char>(first);
            ++classSize[first];
        }
        for (QChar c : run.text) {
            int b = 0;
            while (b < 256 && key(page->units[b]) != key(c.unicode()))
                ++b;
            if (b == 256) {
                possible = false;
                break;
            }
            needle.append(static_cast<char>(canonical[b]));
            translate = translate || classSize[canonical[b]] > 1;
        }
    } else if (utf8) {
        needle = run.utf8Needle;
    } else if (run.caseSensitive) {
        needle = qxsearch::StreamUnitBytes(run.text, bigEndian);
    } else {
        wideKeys = qxsearch::Folded(run.text, qxsearch::WideFold());
        variants = qxsearch::WideCaseVariants(wideKeys, bigEndian);
    }
    const std::unique_ptr<const qxsearch::NeedleFinder> finder =
        variants.spellings.empty()
            ? std::make_unique<const qxsearch::NeedleFinder>(needle, charSize,
                                                             translate ? &canonical : nullptr)
            : std::make_unique<const qxsearch::NeedleFinder>(variants.spellings, charSize);
    const qsizetype window = variants.start;
    const bool swap = bigEndian != (std::endian::native == std::endian::big);

    bool continuation = false;
    for (;;) {
        int64_t blockStart = run.pos;
        int64_t count = SearchBlockSize;
        if (!run.forward) {
            blockStart = std::max<int64_t>(0, run.pos - (SearchBlockSize - charSize));
            count = std::min(run.pos - blockStart + charSize, SearchBlockSize);
        }
        const int64_t read = ReadBlock(blockStart, run.buffer.data(), count);
        const bool lastBlock = read < SearchBlockSize;

        qxsearch::BlockRules rules;
        rules.units = static_cast<qsizetype>(read / charSize);
        rules.length = length;
        rules.forward = run.forward;
        rules.wholeWords = run.wholeWords;
        rules.lastBlock = lastBlock;
        rules.continuation = continuation;
        qsizetype j = -1;
        if (possible && rules.Candidates() > 0) {
            const char* raw = run.buffer.data();
            QByteArrayView hay(raw, rules.units * charSize);
            std::function<bool(qsizetype)> separatorAt;
            std::function<char16_t(qsizetype)> unitAt;
            if (page) {
                separatorAt = [&](qsizetype i) {
                    return page->separator[static_cast<unsigned char>(raw[i])];
                };
            } else if (utf8) {
                separatorAt = [raw](qsizetype i) { return qxsearch::Utf8SeparatorByte(raw[i]); };
            } else {
                const auto* units = reinterpret_cast<const char16_t*>(raw);
                unitAt = [units, swap](qsizetype i) {
                    return swap ? static_cast<char16_t>(units[i] << 8 | units[i] >> 8) : units[i];
                };
                separatorAt = [&](qsizetype i) { return IsWordSeparator(unitAt(i)); };
            }
            const qsizetype c =
                finder->Find(hay, run.forward, rules.First() + window, rules.Last() + window,
                             [&](qsizetype candidate) {
                                 const qsizetype at = candidate - window;
                                 return (wideKeys.isEmpty() || FoldedEqual(wideKeys, unitAt, at)) &&
                                        rules.Accepts(at, separatorAt);
                             });
            j = c < 0 ? -1 : c - window;
        }
        if (j >= 0) {
            const int64_t start = blockStart + static_cast<int64_t>(j) * charSize;
            FMatch.Length = static_cast<int64_t>(length) * charSize;
            FMatch.FirstCharLength = charSize;
            FMatch.LastCharStart = start + static_cast<int64_t>(length - 1) * charSize;
            if (utf8) {
                const auto second =
                    std::find_if(needle.cbegin() + 1, needle.cend(), qxsearch::Utf8StartByte);
                const auto last =
                    std::find_if(needle.crbegin(), needle.crend(), qxsearch::Utf8StartByte);
                FMatch.FirstCharLength = second - needle.cbegin();
                FMatch.LastCharStart = start + (needle.crend() - last - 1);
            }
            return start;
        }
        if (!DoProgress(run.pos))
            return -1;
        const int64_t dir = run.forward ? 1 : -1;
        run.pos = AlignDown(run.pos + dir * count - dir * (length + 1) * charSize, charSize);
        if (run.pos < 0 || run.pos > run.maxPos || lastBlock)
            return -1;
        continuation = true;
    }
}
