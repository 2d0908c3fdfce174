// QXxCodepagesTest.cpp — encodings by list index: which rows convert, the "?" fallback, the
// assertion failures, and the Mac-to-ANSI translation.
#include "QXxCodepages.h"
#include "Codepage.h"
#include "QXxAssert.h"

#include "TestSupport.h"
#include <QSet>

#include <gtest/gtest.h>
#include <ostream>

namespace {

// Rows whose code page no converter here decodes as Windows does: look-alike tables are refused.
const QSet<int> UnsupportedRows = {14,  25,  82,  83,  86,  93,  101, 103, 104,
                                   106, 108, 109, 110, 111, 118, 119, 122, 125};

template <typename F> std::string ThrownMessage(F&& f) {
    try {
        f();
    } catch (const EAssertionFailed& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

int RowOf(int codepage) {
    for (int row = 3; row < CodepageCount; ++row) {
        if (CodepageList[row].ID == codepage)
            return row;
    }
    return -1;
}

} // namespace

TEST(QXxCodepages, ConcreteRowsAreSupportedExactlyWhenAConverterExists) {
    int supported = 0;
    for (int row = 3; row < CodepageCount; ++row) {
        const bool expected = !UnsupportedRows.contains(row);
        EXPECT_EQ(IsCodepageSupported(row), expected) << row << " " << CodepageList[row].Name;
        const QString text = CodepageToUnicode(SupportTestText, row);
        if (expected) {
            EXPECT_EQ(text.size(), 4) << row;
            ++supported;
        } else {
            EXPECT_EQ(text, QStringLiteral("?")) << row;
        }
    }
    EXPECT_EQ(supported, 111);
}

TEST(QXxCodepages, SelectorRowsFollowTheSystemPages) {
    EXPECT_TRUE(IsCodepageSupported(EncodingANSI));
    EXPECT_TRUE(IsCodepageSupported(EncodingOEM));
    EXPECT_EQ(IsCodepageSupported(EncodingMac),
              platform::IsCodepageAvailable(platform::SystemCodepages().mac));
    // The OEM row converts exactly as the row of the system's OEM page.
    const QByteArray bytes("\x80\x9F\xB0\xE6\x1A", 5);
    const int oemRow = RowOf(platform::SystemCodepages().oem);
    if (oemRow > 0) {
        EXPECT_EQ(CodepageToUnicode(bytes, EncodingOEM), CodepageToUnicode(bytes, oemRow));
    }
    const int ansiRow = RowOf(platform::SystemCodepages().ansi);
    ASSERT_GT(ansiRow, 0);
    EXPECT_EQ(CodepageToUnicode(bytes, EncodingANSI), CodepageToUnicode(bytes, ansiRow));
    EXPECT_EQ(ConvertWithCodepage(bytes, EncodingANSI), CodepageToUnicode(bytes, ansiRow));
}

TEST(QXxCodepages, SpotMappingsThroughTheList) {
    EXPECT_EQ(CodepageToUnicode("\xC0", 45), QStringLiteral("А"));         // Windows-1251
    EXPECT_EQ(CodepageToUnicode("\x80\x1A", 53), QStringLiteral("А\x1A")); // DOS Russian
    EXPECT_EQ(CodepageToUnicode("\xE1", 49), QStringLiteral("А"));         // KOI8-R
    EXPECT_EQ(CodepageToUnicode("\x80", 32), QStringLiteral("Ä"));         // Mac Roman
    EXPECT_EQ(CodepageToUnicode("\xC1", 24), QStringLiteral("A"));         // EBCDIC US-Canada
    EXPECT_EQ(CodepageToUnicode("\x82\xA0", 112), QStringLiteral("あ"));
    EXPECT_EQ(CodepageToUnicode("\xD0\x96\xE2\x82\xAC", 130), QStringLiteral("Ж€"));
    EXPECT_EQ(CodepageToUnicode("+AKM-", 131), QStringLiteral("£"));
}

TEST(QXxCodepages, EmptyInputGivesEmptyTextForEveryEncoding) {
    for (int row = 0; row < CodepageCount; ++row)
        EXPECT_TRUE(CodepageToUnicode(QByteArray(), row).isEmpty()) << row;
}

TEST(QXxCodepages, UnsupportedPageGivesOneQuestionMarkForAnyLength) {
    const QByteArray bytes(1000, 'x');
    EXPECT_EQ(CodepageToUnicode(bytes, 103), QStringLiteral("?"));
    EXPECT_EQ(ConvertWithCodepage(bytes, 111), QStringLiteral("?"));
    std::vector<int64_t> offsets{7, 8};
    EXPECT_EQ(CodepageToUnicode(bytes, 109, offsets), QStringLiteral("?"));
    EXPECT_EQ(offsets, std::vector<int64_t>{0});
}

TEST(QXxCodepages, ConvertWithCodepageOfNoBytesIsAQuestionMark) {
    EXPECT_EQ(ConvertWithCodepage(QByteArray(), 45), QStringLiteral("?"));
}

TEST(QXxCodepages, OffsetsFollowMultiByteAndStatefulPages) {
    std::vector<int64_t> offsets;
    EXPECT_EQ(CodepageToUnicode("A\x82\xA0"
                                "B",
                                112, offsets),
              QStringLiteral("AあB"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{0, 1, 3}));
    // ISO-2022-KR with its header: the Hangul syllable points at its two data bytes after SO.
    EXPECT_EQ(CodepageToUnicode("\x1B$)CA\x0E"
                                "0!\x0F"
                                "B",
                                123, offsets),
              QStringLiteral("A가B"));
    EXPECT_EQ(offsets, (std::vector<int64_t>{4, 6, 9}));
    EXPECT_TRUE(CodepageToUnicode(QByteArray(), 123, offsets).isEmpty());
    EXPECT_TRUE(offsets.empty());
}

TEST(QXxCodepages, NamesAndIds) {
    EXPECT_EQ(CodepageName(EncodingUnicodeBE), "Unicode (UTF-16 BE)");
    EXPECT_EQ(CodepageName(EncodingUnicodeLE), "Unicode (UTF-16 LE)");
    EXPECT_EQ(CodepageName(49), "KOI8-R");
    EXPECT_EQ(CodepageID(49), 20866);
    EXPECT_EQ(CodepageID(EncodingMac), 2);
    EXPECT_TRUE(CodepageName(-3).isEmpty());
    EXPECT_TRUE(CodepageName(CodepageCount).isEmpty());
}

TEST(QXxCodepages, ContractBreachesFailWithTheirMessages) {
    EXPECT_EQ(ThrownMessage([] { CodepageID(-1); }), "Invalid codepage specified: CodepageID");
    EXPECT_EQ(ThrownMessage([] { CodepageID(CodepageCount); }),
              "Invalid codepage specified: CodepageID");
    EXPECT_EQ(ThrownMessage([] { IsCodepageSupported(-2); }),
              "Invalid codepage specified: CodepageID");
    EXPECT_EQ(ThrownMessage([] { CodepageToUnicode("abc", EncodingUnicodeBE); }),
              "Unicode encodings can't be passed to CodepageToUnicode");
    // The check comes before the empty-input shortcut.
    EXPECT_EQ(ThrownMessage([] { CodepageToUnicode(QByteArray(), EncodingUnicodeLE); }),
              "Unicode encodings can't be passed to CodepageToUnicode");
    EXPECT_EQ(ThrownMessage([] { CodepageToUnicode("abc", 500); }),
              "Invalid codepage specified: CodepageID");
}

TEST(QXxCodepages, DuplicateGreekMacRowsConvertAlike) {
    EXPECT_STREQ(CodepageList[60].Name, CodepageList[63].Name);
    EXPECT_STREQ(CodepageList[60].Group, CodepageList[63].Group);
    EXPECT_EQ(CodepageID(60), CodepageID(63));
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    EXPECT_TRUE(IsCodepageSupported(63));
    EXPECT_EQ(CodepageToUnicode(all, 60), CodepageToUnicode(all, 63));
    EXPECT_EQ(CodepageToUnicode(all, 60).size(), 256);
}

TEST(QXxCodepages, GroupsStandTogetherInMenuOrder) {
    QSet<QByteArray> finished;
    QByteArray current;
    for (int row = 0; row < CodepageCount; ++row) {
        const QByteArray group = CodepageList[row].Group;
        if (group == current)
            continue;
        EXPECT_FALSE(finished.contains(group)) << "group reappears at row " << row;
        finished.insert(current);
        current = group;
    }
    EXPECT_STREQ(CodepageList[118].Name, "JIS X 0208-1990 && 0121-1990");
    EXPECT_EQ(current, "Unicode");
}

TEST(QXxCodepages, MacToAnsiTranslatesOnlyHighBytes) {
    EXPECT_EQ(MacToAnsi("\x80"
                        "A\xFF"),
              QByteArray("\xC4"
                         "A\xAF"));
    const QByteArray ascii("plain text");
    const QByteArray same = MacToAnsi(ascii);
    EXPECT_TRUE(same.isSharedWith(ascii));
    const QByteArray high("ab\x80", 3);
    const QByteArray translated = MacToAnsi(high);
    EXPECT_FALSE(translated.isSharedWith(high));
    EXPECT_EQ(high, QByteArray("ab\x80", 3));
}

TEST(QXxCodepages, TranslateHighBytesUsesTheGivenTable) {
    std::array<unsigned char, 128> table{};
    for (int k = 0; k < 128; ++k)
        table[k] = static_cast<unsigned char>(0xFF - k);
    EXPECT_EQ(TranslateHighBytes(QByteArray("\x00\x7F\x80\xFF", 4), table),
              QByteArray("\x00\x7F\xFF\x80", 4));
}

TEST(QXxCodepages, MacTextOnOlderSystemsReadsThroughAnsi) {
    // 80 is Mac's A-umlaut, C4 in ANSI; the A stays.
    const QByteArray mac("\x80\x41");
    const QByteArray ansi("\xC4\x41");
    EXPECT_EQ(MacToUnicodeThroughAnsi(mac), CodepageToUnicode(ansi, EncodingANSI));
    EXPECT_NE(MacToUnicodeThroughAnsi(mac), CodepageToUnicode(mac, EncodingANSI));
}
