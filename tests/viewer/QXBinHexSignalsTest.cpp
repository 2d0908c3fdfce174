// QXBinHexSignalsTest.cpp — every event of the control is also a Qt signal: emitted once each time
// the event is called, whether or not the event is assigned, with the event's arguments.
#include "DrawFixture.h"

#include <gtest/gtest.h>

#include <QObject>
#include <functional>

namespace {

const QByteArray Lines("first line\nsee http://example.org/x here\nthird line\n");

// One event and its signal: how to count each, and what makes the event happen on a viewer that
// shows Lines in Mode.
struct TSignalCase {
    const char* Name;
    TQXBinHex::TQXBinHexMode Mode;
    std::function<void(TQXBinHex&, int&)> CountEvent;
    std::function<void(TQXBinHex&, int&)> CountSignal;
    std::function<void(TQXBinHex&)> Happen;
};

template <typename... Args> auto Counter(int& count) {
    return [&count](Args...) { ++count; };
}

const TSignalCase Cases[] = {
    {"fileReloaded", TQXBinHex::vbmodeHex,
     [](TQXBinHex& v, int& n) { v.OnFileReload = Counter<QObject*>(n); },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::fileReloaded, Counter<>(n)); },
     [](TQXBinHex& v) { v.DoFileReload(); }},
    {"selectionChanged", TQXBinHex::vbmodeHex,
     [](TQXBinHex& v, int& n) { v.OnSelectionChange = Counter<QObject*>(n); },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::selectionChanged, Counter<>(n)); },
     [](TQXBinHex& v) {
         v.SetSelection(2, 5, /*scroll=*/false, /*fireEvent=*/true, /*redraw=*/true);
     }},
    {"optionsChanged", TQXBinHex::vbmodeHex,
     [](TQXBinHex& v, int& n) { v.OnOptionsChange = Counter<QObject*>(n); },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::optionsChanged, Counter<>(n)); },
     [](TQXBinHex& v) { v.FontSizeStep(/*larger=*/true); }},
    {"scrolled", TQXBinHex::vbmodeHex,
     [](TQXBinHex& v, int& n) { v.OnScroll = Counter<QObject*>(n); },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::scrolled, Counter<>(n)); },
     [](TQXBinHex& v) { v.VScroll(TQXBinHex::SB_LINEDOWN, 0); }},
    {"aboutToDrawLine", TQXBinHex::vbmodeText,
     [](TQXBinHex& v, int& n) {
         v.OnDrawLine = Counter<QObject*, QPainter*, const QString&, const QString&, const QRect&,
                                const QPoint&, bool&>(n);
     },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::aboutToDrawLine, Counter<>(n)); },
     [](TQXBinHex& v) { v.Redraw(); }},
    {"lineDrawn", TQXBinHex::vbmodeText,
     [](TQXBinHex& v, int& n) {
         v.OnDrawLine2 = Counter<QObject*, QPainter*, const QString&, const QPoint&,
                                 const TQXBinHexOutputOptions&>(n);
     },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::lineDrawn, Counter<>(n)); },
     [](TQXBinHex& v) { v.Redraw(); }},
    {"urlClicked", TQXBinHex::vbmodeText,
     [](TQXBinHex& v, int& n) { v.OnClickURL = Counter<QObject*, const QByteArray&>(n); },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::urlClicked, Counter<>(n)); },
     [](TQXBinHex& v) { TQXBinHexPrivate::get(v).ClickUrl(Lines.indexOf("example")); }},
    {"searchProgress", TQXBinHex::vbmodeText,
     [](TQXBinHex& v, int& n) {
         v.setOnSearchProgress(Counter<QObject*, int64_t, int64_t, bool&>(n));
     },
     [](TQXBinHex& v, int& n) { QObject::connect(&v, &TQXBinHex::searchProgress, Counter<>(n)); },
     [](TQXBinHex& v) { v.FindText(QStringLiteral("third"), 0, {}); }},
};

} // namespace

TEST(Signals, EachEventIsEmittedOnceWhetherOrNotItIsAssigned) {
    for (const TSignalCase& c : Cases) {
        int events = 0, signalsWithEvent = 0;
        {
            DrawFixture f(c.Mode);
            f.Show(Lines);
            c.CountEvent(f.viewer, events);
            c.CountSignal(f.viewer, signalsWithEvent);
            c.Happen(f.viewer);
        }
        EXPECT_GE(events, 1) << c.Name;
        EXPECT_EQ(signalsWithEvent, events) << c.Name;

        int signalsAlone = 0;
        {
            DrawFixture f(c.Mode);
            f.Show(Lines);
            c.CountSignal(f.viewer, signalsAlone);
            c.Happen(f.viewer);
        }
        EXPECT_EQ(signalsAlone, events) << c.Name << " without the event assigned";
    }
}

TEST(Signals, UrlClickedCarriesTheUrlTheEventGets) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(Lines);
    QByteArray fromEvent, fromSignal;
    f.viewer.OnClickURL = [&](QObject*, const QByteArray& url) { fromEvent = url; };
    QObject::connect(&f.viewer, &TQXBinHex::urlClicked,
                     [&](const QByteArray& url) { fromSignal = url; });
    TQXBinHexPrivate::get(f.viewer).ClickUrl(Lines.indexOf("example"));
    EXPECT_EQ(fromEvent, QByteArray("http://example.org/x"));
    EXPECT_EQ(fromSignal, fromEvent);
}

// A receiver of aboutToDrawLine draws the line itself as an OnDrawLine handler does: lineDrawn
// then does not come for it.
TEST(Signals, DoneFromAboutToDrawLineSuppressesTheLine) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(Lines);
    QStringList drawn;
    QObject::connect(&f.viewer, &TQXBinHex::lineDrawn,
                     [&](QPainter*, const QString& line) { drawn.push_back(line); });
    QObject::connect(&f.viewer, &TQXBinHex::aboutToDrawLine,
                     [](QPainter*, const QString& line, const QString&, const QRect&, const QPoint&,
                        bool* done) { *done = line.startsWith(u"see"); });
    f.viewer.Redraw();
    EXPECT_EQ(drawn, (QStringList{QStringLiteral("first line"), QStringLiteral("third line")}));
}

TEST(Signals, SearchProgressCanCancelTheSearch) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(Lines);
    QObject::connect(&f.viewer, &TQXBinHex::searchProgress,
                     [](qint64, qint64, bool* continueSearching) { *continueSearching = false; });
    EXPECT_FALSE(f.viewer.FindText(QStringLiteral("third"), 0, {}));
    EXPECT_EQ(f.viewer.MarkLength(), 0);
}
