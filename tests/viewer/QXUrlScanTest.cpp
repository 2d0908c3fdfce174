// QXUrlScanTest.cpp — finding URLs and addresses in a page, the viewer's URL table, its drawing
// and the click event.
#include "QXUrlScan.h"
#include "DrawFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Found = std::pair<QByteArray, int64_t>;

std::vector<Found> Entries(const TQXUrlArray& table) {
    std::vector<Found> found;
    for (const TQXUrl& e : table) {
        if (e.Url.isEmpty())
            break;
        found.emplace_back(e.Url, e.Pos);
    }
    return found;
}

std::vector<Found> Scan(const QByteArray& text, int64_t base = 0) {
    auto table = std::make_unique<TQXUrlArray>();
    ScanUrls(text, base, *table);
    return Entries(*table);
}

// Each expected URL with its offset in text.
std::vector<Found> At(const QByteArray& text, std::initializer_list<const char*> urls) {
    std::vector<Found> want;
    for (const char* u : urls)
        want.emplace_back(QByteArray(u), text.indexOf(u));
    return want;
}

const QByteArray
    Page("See http://example.com/a?b=1, mail bob.smith@mail.example.org or www.test.org.\r\n"
         "(ftp://files.example.net/x) <https://secure.example.com> 'file:///etc/hosts'\r\n"
         "not: xhttp://bad.com wwww.bad.com user@localhost a@b.c http:// mailto:ann@x.io\r\n");

} // namespace

TEST(UrlScan, FindsEveryKindInOrderAndStopsAtDelimiters) {
    EXPECT_EQ(Scan(Page),
              At(Page, {"http://example.com/a?b=1", "bob.smith@mail.example.org", "www.test.org",
                        "ftp://files.example.net/x", "https://secure.example.com",
                        "file:///etc/hosts", "ann@x.io"}));
}

TEST(UrlScan, CraftedPagesAreScannedInLinearWork) {
    // Runs of candidate starts inside one long run of URL characters, each once made the scan
    // measure the rest of the run again.
    const std::pair<const char*, const char*> pieces[] = {
        {"", "www.a@"}, {"", "www.a-"}, {"x ", "wwww."}, {"", "http://."}, {"", "a.b@c.d"},
        {"", "@a"},     {"", "www.a/"}, {"www.", "a."},  {"", "a@www.b-"}, {"http://", "www.a@"},
    };
    for (const auto& [head, piece] : pieces) {
        QByteArray page(head);
        while (page.size() < 135000)
            page += piece;
        page += "@x";
        int64_t reads = 0;
        FindUrls(page, 0, &reads);
        EXPECT_LE(reads, 16 * int64_t(page.size())) << head << piece;
        const QString wide = QString::fromLatin1(page);
        FindUrls(std::u16string_view(reinterpret_cast<const char16_t*>(wide.utf16()),
                                     size_t(wide.size())),
                 0, &reads);
        EXPECT_LE(reads, 16 * int64_t(page.size())) << head << piece << " (UTF-16)";
    }
}

TEST(UrlScan, SchemesInAnyCaseAndOffsetsFromTheBase) {
    const QByteArray text("go HTTPS://A.B/c now");
    EXPECT_EQ(Scan(text, 1000), (std::vector<Found>{{"HTTPS://A.B/c", 1003}}));
}

TEST(UrlScan, AddressInsideAUrlIsPartOfTheUrl) {
    EXPECT_EQ(Scan("http://user@host.com/p x"),
              (std::vector<Found>{{"http://user@host.com/p", 0}}));
}

TEST(UrlScan, NonAsciiAndControlCodesEndAUrl) {
    EXPECT_EQ(Scan("http://a.org/\xE9t"), (std::vector<Found>{{"http://a.org/", 0}}));
    EXPECT_EQ(Scan(QByteArray("http://a.org/x\0y", 16)),
              (std::vector<Found>{{"http://a.org/x", 0}}));
}

TEST(UrlScan, Utf16UnitsCountTwoBytesEach) {
    auto table = std::make_unique<TQXUrlArray>();
    EXPECT_EQ(ScanUrls(std::u16string_view(u"\u0416 www.x.ru \u0416 a@b.org"), 10, *table), 2);
    EXPECT_EQ(Entries(*table),
              (std::vector<Found>{{"www.x.ru", 10 + 2 * 2}, {"a@b.org", 10 + 2 * 13}}));
}

TEST(UrlScan, AtMostFiveHundredAndStaleEntriesCleared) {
    auto table = std::make_unique<TQXUrlArray>();
    QByteArray text;
    for (int i = 0; i < 600; ++i)
        text += "a@b.cd ";
    EXPECT_EQ(ScanUrls(text, 0, *table), MaxUrls);
    EXPECT_EQ((*table)[MaxUrls - 1].Pos, 7 * (MaxUrls - 1));
    EXPECT_EQ(ScanUrls("www.one.org", 0, *table), 1);
    EXPECT_TRUE((*table)[1].Url.isEmpty());
    EXPECT_TRUE((*table)[MaxUrls - 1].Url.isEmpty());
}

TEST(UrlScan, TooManyKeepsTheUrlsAroundThePosition) {
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "a@b.cd ";
    auto table = std::make_unique<TQXUrlArray>();
    EXPECT_EQ(FillUrlTable(FindUrls(text, 0), 7 * 1000, *table), MaxUrls);
    EXPECT_EQ((*table)[0].Pos, 7 * (1000 - UrlsKeptBefore));
    EXPECT_EQ((*table)[MaxUrls - 1].Pos, 7 * (1000 - UrlsKeptBefore + MaxUrls - 1));
    FillUrlTable(FindUrls(text, 0), 7 * 1990, *table);
    EXPECT_EQ((*table)[MaxUrls - 1].Pos, 7 * 1999) << "the window ends with the list";
    FillUrlTable(FindUrls(text, 0), 7 * 20, *table);
    EXPECT_EQ((*table)[0].Pos, 0) << "the window starts with the list";
}

TEST(ViewerUrls, DenseListHighlightsTheRequestedPage) {
    DrawFixture f(TQXBinHex::vbmodeText);
    QByteArray data;
    for (int i = 0; i < 10000; ++i)
        data += QByteArray("http://h.org/") + QByteArray::number(10000 + i) + "\n";
    f.Show(data);
    const TOffset pos = 19 * 5000; // line 5000 of 19-byte lines
    f.viewer.ReadBuffer(pos);
    ASSERT_GT(pos, f.viewer.BufferPos() + 600 * 19)
        << "far more URLs before it than the table holds";
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(pos), QByteArray("http://h.org/15000"));
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(pos + 150 * 19),
              QByteArray("http://h.org/15150"));
}

TEST(ViewerUrls, PageReadFillsTheTableAndUrlAtCoversEachUrl) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(Page);
    const QByteArray address("bob.smith@mail.example.org");
    const TOffset at = Page.indexOf(address);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(at), address);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(at + address.size() - 1), address);
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).UrlAt(at + address.size()).isEmpty());
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).UrlAt(at - 1).isEmpty());
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).UrlAt(-1).isEmpty());
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(Page.indexOf("ftp:")),
              QByteArray("ftp://files.example.net/x"));

    f.viewer.setTextUrlHilight(false);
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).UrlAt(at).isEmpty());
    f.viewer.setTextUrlHilight(true);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(at), address);
}

TEST(ViewerUrls, Utf16PageGivesEvenOffsets) {
    DrawFixture f(TQXBinHex::vbmodeUnicode);
    QByteArray data;
    for (char16_t c : std::u16string(u"go http://a.org/x now"))
        data.append(static_cast<char>(c)).append('\0');
    f.Show(data);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).TextModel.UrlTable[0].Pos, 6);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(6 + 2 * 13), QByteArray("http://a.org/x"));
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).UrlAt(6 + 2 * 14).isEmpty());
}

TEST(ViewerUrls, UrlsAreDrawnInTheUrlColour) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show("plain www.example.org plain");
    const auto& rec = f.viewer.StrPositions();
    int x0 = 0, x1 = 0, y = 0;
    const QFont font = f.viewer.TextFont();
    ASSERT_TRUE(rec.PointFromPos(font, f.viewer.OutputOptions(false), 6, x0, y));
    ASSERT_TRUE(rec.PointFromPos(font, f.viewer.OutputOptions(false), 21, x1, y));
    auto blue = [](QColor c) { return c.blue() > 150 && c.red() < 100 && c.green() < 100; };
    EXPECT_GT(f.CountPixels(QRect(x0, 0, x1 - x0, f.LH()), blue), 0);
    EXPECT_EQ(f.CountPixels(QRect(f.Left(), 0, x0 - f.Left(), f.LH()), blue), 0);
    EXPECT_EQ(f.CountPixels(QRect(x1, 0, f.Page().width() - x1, f.LH()), blue), 0);
}

TEST(ViewerUrls, ClickPutsMailtoBeforeBareAddressesOnly) {
    DrawFixture f(TQXBinHex::vbmodeText);
    std::vector<QByteArray> clicked;
    f.viewer.OnClickURL = [&](QObject* sender, const QByteArray& url) {
        EXPECT_EQ(sender, &f.viewer);
        clicked.push_back(url);
    };
    f.Show(Page);
    TQXBinHexPrivate::get(f.viewer).ClickUrl(Page.indexOf("smith"));
    TQXBinHexPrivate::get(f.viewer).ClickUrl(Page.indexOf("www.test"));
    TQXBinHexPrivate::get(f.viewer).ClickUrl(Page.indexOf("example.com/a"));
    TQXBinHexPrivate::get(f.viewer).ClickUrl(0);
    EXPECT_EQ(clicked, (std::vector<QByteArray>{"mailto:bob.smith@mail.example.org", "www.test.org",
                                                "http://example.com/a?b=1"}));

    // The test for a leading "www." is case-sensitive.
    clicked.clear();
    f.Show("WWW.EXAMPLE@MAIL.ORG");
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).UrlAt(3), QByteArray("WWW.EXAMPLE@MAIL.ORG"));
    TQXBinHexPrivate::get(f.viewer).ClickUrl(3);
    EXPECT_EQ(clicked, (std::vector<QByteArray>{"mailto:WWW.EXAMPLE@MAIL.ORG"}));
}
