// QXStreamSearchTest.cpp — the stream search engine: directions and start offsets, overlapping
// matches, block boundaries, whole words, progress and cancel, sources and their failures, byte
// offsets in multi-byte code pages, and characters the ANSI code page lacks.
#include "QXStreamSearch.h"
#include "QXxAssert.h"
#include "QXxCodepages.h"

#include "Codepage.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr TQXEncoding Windows1251 = 45;
constexpr TQXEncoding Windows1253 = 56;
constexpr TQXEncoding Utf8 = 130;

class StreamSource {
public:
    explicit StreamSource(const QByteArray& bytes) : data_(bytes), buffer_(&data_) {
        buffer_.open(QIODevice::ReadOnly);
    }
    QBuffer* device() { return &buffer_; }

private:
    QByteArray data_;
    QBuffer buffer_;
};

// A stream whose reads fail when they reach past a given offset.
class FailingDevice : public QIODevice {
public:
    FailingDevice(int64_t size, int64_t failFrom) : size_(size), failFrom_(failFrom) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min(maxSize, size_ - pos());
        if (pos() + n > failFrom_)
            return -1;
        std::fill(data, data + n, 'z');
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int64_t size_;
    int64_t failFrom_;
};

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        bytes.append(bigEndian ? hi : lo);
        bytes.append(bigEndian ? lo : hi);
    }
    return bytes;
}

struct ProgressLog {
    std::vector<int64_t> positions;
    int cancelAtCall = -1;

    TQXStreamSearchProgress Handler() {
        return [this](QObject*, int64_t current, int64_t, bool& continueSearching) {
            positions.push_back(current);
            if (static_cast<int>(positions.size()) == cancelAtCall)
                continueSearching = false;
        };
    }
};

const TQXSearchOptions CaseSensitive = soCaseSensitive;

} // namespace

TEST(QXStreamSearch, SmallOperations) {
    EXPECT_EQ(CharSizeOf(-2), 2);
    EXPECT_EQ(CharSizeOf(-1), 2);
    EXPECT_EQ(CharSizeOf(130), 1);
    EXPECT_EQ(AlignDown(5, 2), 4);
    EXPECT_EQ(AlignDown(-3, 2), -2);
    EXPECT_EQ(LastCharPos(7, 2), 4);
    EXPECT_EQ(LastCharPos(1, 2), 0);
}

TEST(QXStreamSearch, WordSeparatorsAreTheSixtyFivePunctuationAndControlCharacters) {
    EXPECT_EQ(WordSeparators.size(), 65u);
    int count = 0;
    for (char16_t c = 0; c < 0x100; ++c)
        count += IsWordSeparator(c);
    EXPECT_EQ(count, 65);
    EXPECT_TRUE(IsWordSeparator(u'-'));
    EXPECT_TRUE(IsWordSeparator(u'`'));
    EXPECT_FALSE(IsWordSeparator(u'_'));
    EXPECT_FALSE(IsWordSeparator(u'9'));
    EXPECT_FALSE(IsWordSeparator(u'\u00A0'));
}

TEST(QXStreamSearch, WholeWordMatchAtTheBlockEdgeWaitsForTheNextBlock) {
    const QString block = QStringLiteral("x ab");
    EXPECT_EQ(SearchInBlock(u"ab"_qs, block, true, true, true, false), 0);
    EXPECT_EQ(SearchInBlock(u"ab"_qs, block, true, true, true, true), 3);
    EXPECT_EQ(SearchInBlock(u"x"_qs, block, false, true, true, false), 0);
    EXPECT_EQ(SearchInBlock(u"x"_qs, block, false, true, true, true), 1);
    EXPECT_EQ(SearchInBlockWide(u"AB"_qs, block, false, false, false, false), 3);
}

TEST(QXStreamSearch, BackwardFromZeroSearchesFromTheEnd) {
    StreamSource source("ab--ab--ab--");
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"ab"_qs, 0, soBackward, 0));
    EXPECT_EQ(search.FoundStart(), 8);
    ASSERT_TRUE(search.FindNext(false));
    EXPECT_EQ(search.FoundStart(), 4);
}

TEST(QXStreamSearch, BeyondTheLastCharacterForwardFailsAndBackwardStartsThere) {
    StreamSource source("xxab");
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(u"ab"_qs, 0, {}, 4));
    EXPECT_EQ(search.FoundStart(), -1);
    EXPECT_EQ(search.FoundLength(), 0);
    ASSERT_TRUE(search.FindFirst(u"ab"_qs, 0, soBackward, 1000));
    EXPECT_EQ(search.FoundStart(), 2);
}

TEST(QXStreamSearch, Utf16StartOffsetIsAlignedDown) {
    StreamSource source(Utf16(u"xxQxxQ"_qs, false));
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"Q"_qs, -1, {}, 5));
    EXPECT_EQ(search.FoundStart(), 4);
    EXPECT_EQ(search.FoundLength(), 2);
    ASSERT_TRUE(search.FindNext(false));
    EXPECT_EQ(search.FoundStart(), 10);
}

TEST(QXStreamSearch, OverlappingMatchesAreSteppedOneCharacterAtATime) {
    StreamSource source("aaaa");
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"aaa"_qs, 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), 0);
    ASSERT_TRUE(search.FindNext(false));
    EXPECT_EQ(search.FoundStart(), 1);
    ASSERT_TRUE(search.FindNext(true));
    EXPECT_EQ(search.FoundStart(), 0);
    EXPECT_FALSE(search.FindNext(true));
}

TEST(QXStreamSearch, TextStraddlingTheFirstBlockBoundaryIsFoundInTheSecondBlock) {
    QByteArray bytes(3 * SearchBlockSize, '.');
    const int64_t at = SearchBlockSize - 3;
    bytes.replace(at, 10, "0123456789");
    StreamSource source(bytes);
    TQXStreamSearch search;
    ProgressLog log;
    search.OnProgress = log.Handler();
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"0123456789"_qs, 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), at);
    // Once before the first block and once after it; the second block holds the match.
    EXPECT_EQ(log.positions, (std::vector<int64_t>{0, 0}));

    // Backward, the block boundary falls at the same place seen from the other side.
    ASSERT_TRUE(search.FindFirst(u"0123456789"_qs, 0, soBackward, at + 9 + SearchBlockSize - 4));
    EXPECT_EQ(search.FoundStart(), at);
}

TEST(QXStreamSearch, WholeWordsTreatUnderscoreAsALetterAndHyphenAsASeparator) {
    StreamSource source("ab_ x ab-");
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"ab"_qs, 0, soWholeWords, 0));
    EXPECT_EQ(search.FoundStart(), 6);
    ASSERT_TRUE(search.FindFirst(u"ab"_qs, 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), 0);
}

TEST(QXStreamSearch, WholeWordsLookAcrossTheBlockBoundary) {
    // "ab" sits at the start of the second block; the letter before it lies in the first block.
    const QString text = u"ab"_qs;
    const int64_t secondBlock = SearchBlockSize - (text.size() + 1);
    QByteArray bytes(2 * SearchBlockSize, ' ');
    bytes.replace(secondBlock - 1, 4, "xab-");
    StreamSource source(bytes);
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(text, 0, soWholeWords, 0));
    bytes[static_cast<qsizetype>(secondBlock - 1)] = ' ';
    StreamSource spaced(bytes);
    search.SetStream(spaced.device());
    ASSERT_TRUE(search.FindFirst(text, 0, soWholeWords, 0));
    EXPECT_EQ(search.FoundStart(), secondBlock);
}

TEST(QXStreamSearch, CaseInsensitiveUnlessAsked) {
    StreamSource source("xx HeLLo");
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(u"hello"_qs, 0, CaseSensitive, 0));
    ASSERT_TRUE(search.FindFirst(u"hello"_qs, 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), 3);
    EXPECT_EQ(search.FoundLength(), 5);

    StreamSource wide(Utf16(u"xx HeLLo"_qs, true));
    search.SetStream(wide.device());
    ASSERT_TRUE(search.FindFirst(u"hello"_qs, -2, {}, 0));
    EXPECT_EQ(search.FoundStart(), 6);
    EXPECT_EQ(search.FoundLength(), 10);
}

TEST(QXStreamSearch, CancelFromTheProgressHandlerEndsAsNotFound) {
    QByteArray bytes(2 * SearchBlockSize, '.');
    bytes.replace(SearchBlockSize + 100, 3, "abc");
    StreamSource source(bytes);
    TQXStreamSearch search;
    ProgressLog log;
    log.cancelAtCall = 2;
    search.OnProgress = log.Handler();
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(u"abc"_qs, 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), -1);
    EXPECT_EQ(log.positions.size(), 2u);

    log.cancelAtCall = 1;
    log.positions.clear();
    EXPECT_FALSE(search.FindFirst(u"..."_qs, 0, {}, 0));
    EXPECT_EQ(log.positions.size(), 1u);
}

TEST(QXStreamSearch, GrowingFileIsSearchedToItsCurrentEnd) {
    test::ScratchDir dir;
    const QString name = dir.write(u"grow.bin"_qs, QByteArray(1000, 'x'));
    TQXStreamSearch search;
    search.SetFileName(name);
    EXPECT_FALSE(search.FindFirst(u"tail"_qs, 0, {}, 0));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("tail");
    file.close();
    ASSERT_TRUE(search.FindNext(false));
    EXPECT_EQ(search.FoundStart(), 1000);
}

TEST(QXStreamSearch, ReadFailureRaisesTheErrorWithTheBlockOffsetAndKeepsTheResult) {
    StreamSource source("abc");
    FailingDevice failing(3 * SearchBlockSize, SearchBlockSize);
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"bc"_qs, 0, {}, 0));
    search.SetStream(&failing);
    try {
        search.FindFirst(u"needle"_qs, 0, {}, 0);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Read error at offset 65529");
    }
    EXPECT_EQ(search.FoundStart(), 1);
    EXPECT_EQ(search.FoundLength(), 2);
    EXPECT_EQ(search.SavedText(), u"needle"_qs);
}

TEST(QXStreamSearch, EmptyTextIsNotFoundWithoutTouchingTheSource) {
    TQXStreamSearch search;
    ProgressLog log;
    search.OnProgress = log.Handler();
    EXPECT_FALSE(search.FindFirst(QString(), 0, {}, 0));
    EXPECT_EQ(search.FoundStart(), -1);
    EXPECT_TRUE(log.positions.empty());
}

TEST(QXStreamSearch, ContractBreachesRaiseTheirAssertions) {
    TQXStreamSearch search;
    try {
        search.FindFirst(u"a"_qs, 0, {}, 0);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Stream object not initialized");
    }
    StreamSource source("a");
    search.SetStream(source.device());
    try {
        search.FindNext(false);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Search text is empty");
    }
}

TEST(QXStreamSearch, StreamShorterThanOneCharacterFindsNothing) {
    StreamSource source("a");
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(u"a"_qs, -1, {}, 0));
    EXPECT_TRUE(search.FindFirst(u"a"_qs, 0, {}, 0));
}

TEST(QXStreamSearch, TextThatCannotFitABlockEndsAsNotFound) {
    const QString longest(SearchBlockSize - 2, u'a');
    const QString tooLong(SearchBlockSize - 1, u'a');
    StreamSource source(QByteArray(SearchBlockSize + 10, 'a'));
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_TRUE(search.FindFirst(longest, 0, {}, 0));
    EXPECT_FALSE(search.FindFirst(tooLong, 0, {}, 0));
    EXPECT_FALSE(search.FindFirst(tooLong, 0, soBackward, 0));
    EXPECT_FALSE(search.FindFirst(QString(SearchBlockSize / 2 - 1, u'a'), -1, {}, 0));
}

TEST(QXStreamSearch, FileSourceKeepsTheSearchOnAnEmptyNameAndAStreamForgetsIt) {
    test::ScratchDir dir;
    const QString name = dir.write(u"a.txt"_qs, "one two");
    TQXStreamSearch search;
    search.SetFileName(name);
    EXPECT_EQ(search.FileName(), name);
    ASSERT_TRUE(search.FindFirst(u"two"_qs, 0, soHighlightAll, 0));
    EXPECT_EQ(search.FoundStart(), 4);
    search.SetFileName(QString());
    EXPECT_EQ(search.SavedText(), u"two"_qs);
    EXPECT_EQ(search.SavedOptions(), TQXSearchOptions(soHighlightAll));
    search.SetStream(nullptr);
    EXPECT_TRUE(search.SavedText().isEmpty());
    EXPECT_TRUE(search.FileName().isEmpty());
    EXPECT_THROW(search.SetFileName(dir.path(u"missing"_qs)), EFOpenError);
    EXPECT_THROW(search.FindFirst(u"x"_qs, 0, {}, 0), EAssertionFailed);
}

TEST(QXStreamSearch, MultiByteCodePageGivesByteOffsetsAndLengths) {
    const QByteArray bytes = u"Привет, мир! hello мир"_qs.toUtf8();
    StreamSource source(bytes);
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"hello"_qs, Utf8, {}, 0));
    EXPECT_EQ(search.FoundStart(), bytes.indexOf("hello"));
    EXPECT_EQ(search.FoundLength(), 5);
    ASSERT_TRUE(search.FindFirst(u"МИР"_qs, Utf8, {}, 0));
    EXPECT_EQ(search.FoundStart(), 14);
    EXPECT_EQ(search.FoundLength(), 6);
    ASSERT_TRUE(search.FindNext(false));
    EXPECT_EQ(search.FoundStart(), bytes.size() - 6);
    ASSERT_TRUE(search.FindNext(true));
    EXPECT_EQ(search.FoundStart(), 14);
    ASSERT_TRUE(search.FindFirst(u"при"_qs, Utf8, soBackward, 0));
    EXPECT_EQ(search.FoundStart(), 0);
}

TEST(QXStreamSearch, MultiByteMatchesAcrossBlocksKeepTheirByteOffsets) {
    QByteArray bytes = QString(40000, u'ж').toUtf8();
    const int64_t at = bytes.size() - 1;
    bytes.append(u"д слово д"_qs.toUtf8());
    bytes.append(QString(40000, u'ж').toUtf8());
    StreamSource source(bytes);
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"слово"_qs, Utf8, soWholeWords, 0));
    EXPECT_EQ(search.FoundStart(), at + 4);
    EXPECT_EQ(search.FoundLength(), 10);
    ASSERT_TRUE(search.FindFirst(u"слово"_qs, Utf8, soWholeWords | soBackward, 0));
    EXPECT_EQ(search.FoundStart(), at + 4);
}

TEST(QXStreamSearch, CharactersMissingFromTheAnsiPageDoNotStandForEachOther) {
    // Greek text in its own code page; a Cyrillic pattern has the same length and shape.
    const QByteArray greek("\xE1\xE2\xE3 \xC1\xC2\xC3"); // "αβγ ΑΒΓ" in windows-1253
    StreamSource source(greek);
    TQXStreamSearch search;
    search.SetStream(source.device());
    EXPECT_FALSE(search.FindFirst(u"абв"_qs, Windows1253, {}, 0));
    EXPECT_FALSE(search.FindFirst(u"???"_qs, Windows1253, {}, 0));
    ASSERT_TRUE(search.FindFirst(u"ΑΒΓ"_qs, Windows1253, CaseSensitive, 0));
    EXPECT_EQ(search.FoundStart(), 4);
    ASSERT_TRUE(search.FindFirst(u"ΑΒΓ"_qs, Windows1253, {}, 0));
    EXPECT_EQ(search.FoundStart(), 0);

    const QByteArray cyrillic("\xE0\xE1\xE2"); // "абв" in windows-1251
    StreamSource other(cyrillic);
    search.SetStream(other.device());
    EXPECT_FALSE(search.FindFirst(u"αβγ"_qs, Windows1251, {}, 0));
    EXPECT_TRUE(search.FindFirst(u"АБВ"_qs, Windows1251, {}, 0));
}

TEST(QXStreamSearch, AnsiCharactersCompareAsTheAnsiPageDoes) {
    // Latin text, which every ANSI page shown to the user holds, keeps the byte comparison.
    StreamSource source("Firmware IMAGE v2");
    TQXStreamSearch search;
    search.SetStream(source.device());
    ASSERT_TRUE(search.FindFirst(u"image"_qs, 0, soWholeWords, 0));
    EXPECT_EQ(search.FoundStart(), 9);
    EXPECT_EQ(AnsiFoldUnit(u'A'), u'a');
    EXPECT_EQ(AnsiFoldUnit(u'Ж'), u'ж');
}

TEST(QXStreamSearch, BackwardFindsWhatForwardFindsInDoubleByteTextWithoutLowBytes) {
    // GBK: runs of 0xB0A1, where a block that starts on a trail byte reads it as a lead and stays
    // out of step up to the match; the blocks start at both parities.
    constexpr TQXEncoding Gbk = 97;
    QByteArray run;
    for (int i = 0; i < 40000; ++i)
        run.append("\xB0\xA1");
    for (const QByteArray& suffix : {QByteArray(), QByteArray("x")}) {
        QBuffer buffer;
        buffer.setData(run + "ab" + run + run + suffix);
        buffer.open(QIODevice::ReadOnly);
        TQXStreamSearch search;
        search.SetStream(&buffer);
        ASSERT_TRUE(search.FindFirst(QStringLiteral("ab"), Gbk, soCaseSensitive, 0));
        const int64_t forwardStart = search.FoundStart();
        EXPECT_EQ(forwardStart, run.size());
        ASSERT_TRUE(search.FindFirst(QStringLiteral("ab"), Gbk, soCaseSensitive | soBackward, 0))
            << "suffix " << suffix.size();
        EXPECT_EQ(search.FoundStart(), forwardStart);
        EXPECT_EQ(search.FoundLength(), 2);
    }
}

TEST(QXStreamSearch, AMatchOfUnitsSharingOneByteCoversThatByte) {
    // ISCII pages decode some bytes into more than one unit (a letter and a sign, or a consonant
    // held back for a conjunct): a match of only some of them still stands for the whole byte.
    QByteArray bytes;
    for (int b = 0xA1; b <= 0xFA; ++b) {
        for (const char* tail : {"\xE8", "\xE8\xE8", "\xE8\xE9", "\xE9", "\xE8\xB3"})
            bytes += QByteArray(1, char(b)) + tail + "x ";
    }
    int sharedUnits = 0;
    for (TQXEncoding encoding = 71; encoding <= 80; ++encoding) {
        std::vector<int64_t> offsets;
        const QString units = CodepageToUnicode(bytes, encoding, offsets);
        StreamSource source(bytes);
        TQXStreamSearch search;
        search.SetStream(source.device());
        for (qsizetype i = 0; i + 1 < units.size(); ++i) {
            if (offsets[size_t(i)] != offsets[size_t(i + 1)])
                continue;
            ++sharedUnits;
            const QString pattern = units.mid(i, 1);
            ASSERT_TRUE(search.FindFirst(pattern, encoding, {}, offsets[size_t(i)]))
                << encoding << " " << i;
            EXPECT_EQ(search.FoundStart(), offsets[size_t(i)]);
            EXPECT_GE(search.FoundLength(), 1) << encoding << " " << i;
            const int64_t first = search.FoundStart();
            if (search.FindNext(false)) {
                EXPECT_GT(search.FoundStart(), first) << "FindNext moves past the match";
            }
        }
    }
    EXPECT_GT(sharedUnits, 0) << "the pages must give such units for the test to mean anything";
}

// After a shift-out without its designator, ISO-2022-KR text reads as invalid pairs up to the next
// shift-in. Searching through such text hands every byte to the converter a bounded number of
// times, and the bytes it may read again after each invalid sequence stay proportional to the
// source: a piece of text between a stray shift and a far match costs no more than valid text.
TEST(QXStreamSearch, StrayShiftsInIso2022KrCostWorkProportionalToTheSource) {
    constexpr TQXEncoding Iso2022Kr = 123;
    // Bytes handed to the converter per byte of the source, and bytes it may read again: a few
    // hundred when no call is given more than a short piece, thousands when a call takes a block.
    constexpr int64_t BytesPerSourceByte = 4;
    constexpr int64_t RereadPerSourceByte = 1024;
    struct Case {
        const char* name;
        QByteArray line;
    };
    const Case cases[] = {
        {"OneShiftNearTheStart", "plain ASCII text of one line\n"},
        {"ShiftOnEveryLine", "\x0Eshifted text without its designator\n"},
        {"LinesOfShiftsAndInvalidBytes", "\x0E\x0F\x0E\xFF\x80\x0E ~~ \x0E\x1B\x0E\r\n"},
        {"OneLongLineWithoutSpaces", QByteArray(97, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = "first \x0E";
        while (bytes.size() < 3 * SearchBlockSize)
            bytes += c.line;
        bytes += "\x0Flast";
        StreamSource source(bytes);
        TQXStreamSearch search;
        search.SetStream(source.device());
        const auto size = static_cast<int64_t>(bytes.size());
        const struct {
            QString text;
            TQXSearchOptions options;
            int64_t at;
        } searches[] = {{u"last"_qs, {}, size - 4}, {u"first"_qs, soBackward, 0}};
        for (const auto& s : searches) {
            const platform::DecodeWork before = platform::ThreadDecodeWork();
            ASSERT_TRUE(search.FindFirst(s.text, Iso2022Kr, s.options, 0));
            EXPECT_EQ(search.FoundStart(), s.at);
            EXPECT_EQ(search.FoundLength(), s.text.size());
            const platform::DecodeWork after = platform::ThreadDecodeWork();
            EXPECT_GE(after.bytes - before.bytes, size);
            EXPECT_LE(after.bytes - before.bytes, BytesPerSourceByte * size);
            EXPECT_LE(after.reread - before.reread, RereadPerSourceByte * size);
        }
    }
}
