// CodepageTest.cpp — the code page converter: spot mappings that tell converters apart, the Windows
// meanings kept over the libraries' tables, byte offsets, encoding and the locale table.
#include "Codepage.h"

#include "TestSupport.h"
#include <QStringDecoder>

#include <gtest/gtest.h>
#include <ostream>
#include <string>

using platform::CodepagesForLocale;
using platform::DecodeCodepage;
using platform::LocaleCodepages;

namespace {

QString Decode(int codepage, const QByteArray& bytes, std::vector<int64_t>* offsets = nullptr) {
    QString out;
    EXPECT_TRUE(DecodeCodepage(codepage, bytes, out, offsets)) << "code page " << codepage;
    return out;
}

std::vector<char16_t> Units(const QString& s) {
    return {s.utf16(), s.utf16() + s.size()};
}

struct Spot {
    int codepage;
    QByteArray bytes;
    std::u16string expected;
};

void PrintTo(const Spot& spot, std::ostream* os) {
    *os << "code page " << spot.codepage;
}

class CodepageSpot : public testing::TestWithParam<Spot> {};

} // namespace

TEST_P(CodepageSpot, DecodesAsWindows) {
    const Spot& spot = GetParam();
    EXPECT_EQ(Decode(spot.codepage, spot.bytes), QString::fromStdU16String(spot.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Codepage, CodepageSpot,
    testing::Values(
        Spot{1251, "\xC0", u"\u0410"}, Spot{866, "\x80", u"\u0410"},
        // Windows keeps 1A, 1C and 7F where IBM's PC tables exchange them.
        Spot{866, "\x1A\x1C\x7F", u"\x1A\x1C\x7F"},
        Spot{437, "\x1A\x1C\x7F\xE6", u"\x1A\x1C\x7F\u00B5"}, Spot{850, "\x1A\x7F", u"\x1A\x7F"},
        Spot{20866, "\xE1", u"\u0410"}, Spot{10000, "\x80\xBD", u"\u00C4\u2126"},
        Spot{1140, "\xC1", u"A"}, Spot{870, "\xC1\xF0", u"A0"}, Spot{932, "\x82\xA0", u"\u3042"},
        Spot{932, "\x1A\x7F", u"\x1A\x7F"}, Spot{932, "a\x80\xA0\xFF", u"a\u0080\uF8F0\uF8F3"},
        Spot{65001, "\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u20AC\U0001F600"},
        Spot{65000, "+AKM-", u"\u00A3"}, Spot{1252, "\x80\x81", u"\u20AC\u0081"},
        Spot{10007, "\xA2\xB6\xFF", u"\u00A2\u2202\u00A4"},
        Spot{21866, "\xAE\xBE", u"\u045E\u040E"}, Spot{1125, "\xFA\xFB", u"\u00B7\u221A"},
        Spot{869, "\x80\x88", u"\u0080\u00B7"}, Spot{20127, "\xC1", u"A"}, Spot{50225, "\\", u"\\"},
        Spot{50222, "\x0E\x31\x0F", u"\uFF71"}, Spot{936, "\xB0\xA1", u"\u554A"},
        Spot{949, "\xB0\xA1", u"\uAC00"}, Spot{950, "\xA4\x40", u"\u4E00"},
        Spot{51932, "\xA4\xA2", u"\u3042"}, Spot{28597, "\xA1", u"\u02BD"},
        Spot{1257, "\xA1", u"\uF8FC"}, Spot{852, "\xAA", u"\u00AC"},
        Spot{864, "\xD7\xD8\xF1", u"\uFEC1\uFEC5\u0651"},
        Spot{20949, "\xA2\xE6\xA2\xE7\xB0\xA1", u"\u20AC\u00AE\uAC00"}));

TEST(Codepage, IconvOnlyPagesDecode) {
    EXPECT_EQ(Decode(20106, "[\\]~"), QStringLiteral("ÄÖÜß"));
    EXPECT_EQ(Decode(20108, "[\\]"), QStringLiteral("ÆØÅ"));
    EXPECT_EQ(Decode(20107, "[\\]"), QStringLiteral("ÄÖÅ"));
    // The 7-bit pages read a byte with bit 7 set as the byte without it.
    EXPECT_EQ(Decode(20106, "\xDB"), QStringLiteral("Ä"));
    EXPECT_EQ(Decode(20880, "\xC1"), QStringLiteral("A"));
    EXPECT_EQ(Decode(20905, "\xC1"), QStringLiteral("A"));
    EXPECT_EQ(Decode(20423, "\xC1"), QStringLiteral("A"));
}

TEST(Codepage, AccentPrefixPagesKeepOneCharacterPerByte) {
    for (int codepage : {20269, 20261}) {
        // Acute accent, then "e": two cells, the second a plain letter.
        EXPECT_EQ(Units(Decode(codepage, "\xC2"
                                         "e")),
                  (std::vector<char16_t>{0x0301, 'e'}))
            << codepage;
        EXPECT_EQ(Decode(codepage, "\xC8").front().unicode(), 0x0308) << codepage;
    }
}

TEST(Codepage, JohabDecodesPairsAndResynchronisesAfterABadLead) {
    // 0x8861 is the syllable GA; 5C stays the backslash.
    EXPECT_EQ(Decode(1361, "\x88\x61\\"), QStringLiteral("가\\"));
    std::vector<int64_t> offsets;
    EXPECT_EQ(Decode(1361,
                     "\x88\x61\xFF"
                     "A",
                     &offsets),
              QStringLiteral("가\uFFFDA"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 2, 3}));
    // A lead at the end has no trail.
    EXPECT_EQ(Decode(1361, "A\x88"), QStringLiteral("A\uFFFD"));
}

TEST(Codepage, JohabFinalConsonantCodesAreOneCharacterEach) {
    // 0x8452 is no code at all; every other pair of the row is one compatibility jamo.
    for (int trail = 0x41; trail <= 0x5D; ++trail) {
        if (trail == 0x52)
            continue;
        const QByteArray pair{"\x84", 1};
        const QString text = Decode(1361, pair + static_cast<char>(trail));
        ASSERT_EQ(text.size(), 1) << std::hex << trail;
        EXPECT_TRUE(text[0].unicode() == 0x3000 ||
                    (text[0].unicode() >= 0x3131 && text[0].unicode() <= 0x314E))
            << std::hex << trail << " " << int{text[0].unicode()};
    }
    EXPECT_EQ(Decode(1361, "\x84\x42\x84\x5D"), QStringLiteral("\u3131\u314E"));
}

TEST(Codepage, IsciiConsonantBeforeAHalantKeepsItsPlace) {
    struct Case {
        QByteArray bytes;
        std::u16string units;
        std::vector<int64_t> offsets;
    };
    const Case cases[] = {
        {"\xA4\xB3\xE8", u"\u0A05\u0A15\u0A4D", {0, 1, 2}},
        {"\xB3\xE8 ", u"\u0A15\u0A4D ", {0, 1, 2}},
        {"\xB3\xE8\xE8", u"\u0A15\u0A4D\u200C", {0, 1, 2}},
        {"A\xA4\xB3\xE8\xB3", u"A\u0A05\u0A71\u0A15", {0, 1, 2, 2}},
    };
    for (const Case& c : cases) {
        std::vector<int64_t> offsets;
        EXPECT_EQ(Units(Decode(57011, c.bytes, &offsets)),
                  std::vector<char16_t>(c.units.begin(), c.units.end()))
            << c.bytes.toHex().constData();
        EXPECT_EQ(offsets, c.offsets) << c.bytes.toHex().constData();
    }
}

TEST(Codepage, IsciiOffsetsStayInOrderAndInRange) {
    // Inputs where the converter's state (held consonants, halants, nuktas) once gave offsets of
    // -1 or out of order.
    const QByteArray inputs[] = {"\xEF\x42\xB3\xE8\xB3\xF0\xD6\xB8", "\xA4\xB3\xE8",
                                 "\xB3\xE8\xE8\xE9\xB3", "\xEF\xE8\xE9\xA1\xE9",
                                 "\xCF\xEF\x42\xB3\xE8"};
    for (int codepage = 57002; codepage <= 57011; ++codepage) {
        for (const QByteArray& bytes : inputs) {
            std::vector<int64_t> offsets;
            const QString text = Decode(codepage, bytes, &offsets);
            ASSERT_EQ(offsets.size(), size_t(text.size()));
            int64_t previous = 0;
            for (int64_t offset : offsets) {
                EXPECT_GE(offset, previous) << codepage << " " << bytes.toHex().constData();
                EXPECT_LT(offset, bytes.size()) << codepage << " " << bytes.toHex().constData();
                previous = offset;
            }
        }
    }
}

TEST(Codepage, BuiltInMacTablesUseWindowsCells) {
    EXPECT_EQ(Decode(10082, "\xA9\xAE\xC8\xF0\xBD\xDB"), QStringLiteral("ŠŽČđ\u2126¤"));
    EXPECT_EQ(Decode(10079, "\xA0\xDC\xDD"), QStringLiteral("ÝÐð"));
    EXPECT_EQ(Decode(10010, "\xAF\xBF"), QStringLiteral("Şş"));
}

TEST(Codepage, PagesWithoutAConverterAreRefused) {
    for (int codepage :
         {20000, 20001, 20003, 20004, 20005, 10001, 10004, 10005, 20932, 708, 12345}) {
        QString out = QStringLiteral("stale");
        EXPECT_FALSE(DecodeCodepage(codepage, "pppp", out)) << codepage;
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(platform::DecodedLength(codepage, "pppp"), 0) << codepage;
        EXPECT_FALSE(platform::IsCodepageAvailable(codepage)) << codepage;
    }
}

TEST(Codepage, InvalidSequencesBecomeSubstitutesNotErrors) {
    EXPECT_EQ(Decode(65001, "a\xE2\x82"
                            "b"),
              QStringLiteral("a\uFFFD"
                             "b"));
    EXPECT_EQ(Decode(1253, "a\xD2"
                           "b"),
              QStringLiteral("a\uF8FA"
                             "b"));
    EXPECT_EQ(Decode(28593, "\xA5"), QStringLiteral("\uFFFD"));
    // The library's SUB substitute in 932 must not be mistaken for the 1A it un-swaps.
    EXPECT_EQ(Decode(932, "\x81\x20"), QStringLiteral("\x1A "));
}

TEST(Codepage, OffsetsPointAtTheFirstByteOfEachCharacter) {
    std::vector<int64_t> offsets;
    EXPECT_EQ(Decode(932,
                     "A\x82\xA0"
                     "B\x88\x9F",
                     &offsets),
              QStringLiteral("AあB亜"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 1, 3, 4}));

    EXPECT_EQ(Decode(65001,
                     "A\xF0\x9F\x98\x80"
                     "B",
                     &offsets)
                  .size(),
              4);
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 1, 1, 5}));

    // Stateful: the escape sequences produce nothing; each character points at its own bytes.
    EXPECT_EQ(Decode(50220, "A\x1B$B$\"0!\x1B(BC", &offsets), QStringLiteral("Aあ亜C"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 4, 6, 11}));

    EXPECT_EQ(Decode(52936, "A~{0!0\"~}B", &offsets), QStringLiteral("A啊阿B"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 3, 5, 9}));

    EXPECT_EQ(Decode(1251, "\xC0\xC1", &offsets), QStringLiteral("АБ"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 1}));
}

TEST(Codepage, StatefulPagesStartFromTheInitialStateEachCall) {
    // A shift left open by one call must not change how the next call reads plain bytes.
    Decode(50220, "\x1B$B$\"");
    EXPECT_EQ(Decode(50220, "$\""), QStringLiteral("$\""));
    Decode(65000, "+AKM");
    EXPECT_EQ(Decode(65000, "AB"), QStringLiteral("AB"));
}

// Long ISO-2022-KR text reads as its lines do one by one: lines that leave the shift closed
// give, together, the units of each alone (behind the designator) at their byte offsets, whatever
// the lines hold: runs of pairs or letters of a kilobyte without a space, bad pairs,
// escapes, spaces and line ends.
TEST(Codepage, Iso2022KrTextReadsAsItsLinesDoAlone) {
    const QByteArray designator = "\x1B$)C";
    const struct {
        const char* name;
        QByteArray line;
    } lines[] = {
        {"Words", "Hangul \x0E\x30\x21\x30\x22\x0F words\r\n"},
        {"LongRunOfPairs", "\x0E" + QByteArray("\x30\x21\x43\x4F").repeated(301) + "\x0F\n"},
        {"OddRunOfPairs", "\x0E" + QByteArray("\x30\x21").repeated(150) + "\x30\x0F"},
        {"BadPairs", "\x0E\x7F\x21\xFF\x30\x21\x80\x0F\t"},
        {"Escapes", "\x1B$)C\x0E\x30\x21\x0F\x1B(B ok\n"},
        {"PlainLongLine", QByteArray("x").repeated(1100) + "\n"},
    };
    for (const int repeat : {1, 7}) {
        QByteArray text = designator;
        QString expected;
        std::vector<int64_t> expectedOffsets;
        for (int r = 0; r < repeat; ++r) {
            for (const auto& l : lines) {
                std::vector<int64_t> offsets;
                expected += Decode(50225, designator + l.line, &offsets);
                for (const int64_t offset : offsets)
                    expectedOffsets.push_back(offset - designator.size() + text.size());
                text += l.line;
            }
        }
        std::vector<int64_t> offsets;
        EXPECT_EQ(Decode(50225, text, &offsets), expected) << "repeat " << repeat;
        EXPECT_EQ(offsets, expectedOffsets) << "repeat " << repeat;
    }
}

TEST(Codepage, DecodedLengthCountsUnits) {
    EXPECT_EQ(platform::DecodedLength(1252, "pppp"), 4);
    EXPECT_EQ(platform::DecodedLength(932, "\x82\xA0pp"), 3);
    EXPECT_EQ(platform::DecodedLength(65001, "\xF0\x9F\x98\x80"), 2);
    EXPECT_EQ(platform::DecodedLength(1252, ""), 0);
    // EBCDIC: four characters, none of them "p".
    EXPECT_EQ(platform::DecodedLength(20880, "pppp"), 4);
}

TEST(Codepage, SingleBytePagesAgreeWithQtWhereBothAreExact) {
    // Qt's decoders go through the same library for these names but without the Windows patches;
    // pages where no patch applies must agree byte for byte.
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    for (auto [codepage, name] : {std::pair{1251, "windows-1251"},
                                  {28592, "ISO-8859-2"},
                                  {20866, "KOI8-R"},
                                  {1250, "windows-1250"}}) {
        QStringDecoder qt(name);
        ASSERT_TRUE(qt.isValid()) << name;
        EXPECT_EQ(Decode(codepage, all), QString(qt.decode(all))) << name;
    }
}

TEST(Codepage, EncodeUsesQuestionMarkForMissingCharacters) {
    EXPECT_EQ(platform::EncodeCodepage(1251, u"Аб€"), QByteArray("\xC0\xE1\x88"));
    EXPECT_EQ(platform::EncodeCodepage(1252, u"aЖb"), QByteArray("a?b"));
    EXPECT_EQ(platform::EncodeCodepage(932, u"あ"), QByteArray("\x82\xA0"));
    EXPECT_EQ(platform::EncodeCodepage(932, u"aЖ\u0E01"), QByteArray("a\x84G?"));
    EXPECT_EQ(platform::EncodeCodepage(437, u"\u00B5"), QByteArray("\xE6"));
    EXPECT_TRUE(platform::EncodeCodepage(20000, u"a").isEmpty());
}

TEST(Codepage, CharsetNamesNameThePage) {
    EXPECT_EQ(platform::CodepageCharsetName(1251), "windows-1251");
    EXPECT_EQ(platform::CodepageCharsetName(866), "IBM866");
    EXPECT_EQ(platform::CodepageCharsetName(65001), "UTF-8");
    EXPECT_EQ(platform::CodepageCharsetName(20106), "cp20106");
}

TEST(CodepageLocale, ChoosesThePagesWindowsWould) {
    EXPECT_EQ(CodepagesForLocale("ru_RU.UTF-8"), (LocaleCodepages{1251, 866, 10007}));
    EXPECT_EQ(CodepagesForLocale("en_US.UTF-8"), (LocaleCodepages{1252, 437, 10000}));
    EXPECT_EQ(CodepagesForLocale("en_GB"), (LocaleCodepages{1252, 850, 10000}));
    EXPECT_EQ(CodepagesForLocale("en_AU.ISO-8859-1"), (LocaleCodepages{1252, 850, 10000}));
    EXPECT_EQ(CodepagesForLocale("en_IN"), (LocaleCodepages{1252, 437, 10000}));
    EXPECT_EQ(CodepagesForLocale("ja_JP.eucJP"), (LocaleCodepages{932, 932, 10001}));
    EXPECT_EQ(CodepagesForLocale("zh_TW.UTF-8"), (LocaleCodepages{950, 950, 10002}));
    EXPECT_EQ(CodepagesForLocale("zh_CN"), (LocaleCodepages{936, 936, 10008}));
    EXPECT_EQ(CodepagesForLocale("uk_UA"), (LocaleCodepages{1251, 866, 10017}));
    EXPECT_EQ(CodepagesForLocale("sr_RS"), (LocaleCodepages{1251, 855, 10007}));
    EXPECT_EQ(CodepagesForLocale("sr_RS@latin"), (LocaleCodepages{1250, 852, 10029}));
    EXPECT_EQ(CodepagesForLocale("uz_UZ.UTF-8@cyrillic"), (LocaleCodepages{1251, 866, 10007}));
    EXPECT_EQ(CodepagesForLocale("ro_RO"), (LocaleCodepages{1250, 852, 10029}));
    EXPECT_EQ(CodepagesForLocale("is_IS"), (LocaleCodepages{1252, 850, 10079}));
    EXPECT_EQ(CodepagesForLocale("th_TH"), (LocaleCodepages{874, 874, 874}));
    EXPECT_EQ(CodepagesForLocale("fr_CA"), (LocaleCodepages{1252, 850, 10000}));
}

TEST(CodepageLocale, CPosixAndUnicodeOnlyLocalesFallBack) {
    for (const char* locale : {"C", "POSIX", "", "C.UTF-8", "hi_IN", "ka_GE.UTF-8", "xx"})
        EXPECT_EQ(CodepagesForLocale(locale), (LocaleCodepages{1252, 437, 10000})) << locale;
}

TEST(CodepageLocale, SelectorsResolveToTheSystemPages) {
    const LocaleCodepages& system = platform::SystemCodepages();
    EXPECT_EQ(platform::ResolveCodepage(platform::CP_ACP), system.ansi);
    EXPECT_EQ(platform::ResolveCodepage(platform::CP_OEMCP), system.oem);
    EXPECT_EQ(platform::ResolveCodepage(platform::CP_MACCP), system.mac);
    EXPECT_EQ(platform::ResolveCodepage(1251), 1251);
    EXPECT_EQ(system, platform::CodepagesFromEnvironment());
}
