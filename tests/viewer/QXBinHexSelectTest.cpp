// QXBinHexSelectTest.cpp — selecting with real mouse and key events, copying, the context menu and
// the encoding menus.
#include "DrawFixture.h"
#include "Interaction.h"
#include "QXxCodepageList.h"
#include "QXxCodepages.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMenuExecHandler([this](QMenu* menu, QPoint) {
            menus.push_back(menu);
            return nullptr;
        });
        f.viewer.OnSelectionChange = [this](QObject*) { ++changes; };
    }
    void TearDown() override { platform::SetMenuExecHandler(nullptr); }

    // The client point in the character column at the left edge of the character at pos, moved by
    // dx pixels.
    QPoint CharPoint(int64_t pos, int dx = 1) {
        int x = 0, y = 0;
        EXPECT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                         f.viewer.OutputOptions(false), pos, x, y));
        return QPoint(x + dx, y + f.LH() / 2);
    }
    QPoint RightHalf(int64_t pos) { return CharPoint(pos, f.W() - 2); }
    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, at, f.viewer.viewport()->mapToGlobal(at), button, buttons, mods);
        QApplication::sendEvent(f.viewer.viewport(), &e);
    }
    void Press(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, mods);
    }
    void Release(QPoint at) { Send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void Drag(QPoint at) { Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void Click(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Press(at, mods);
        Release(at);
    }
    // The platform's double click: press, release, press, double click, release.
    void DoubleClick(QPoint at) {
        Click(at);
        Press(at);
        Send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        Release(at);
    }
    QString Clipboard() const { return QApplication::clipboard()->text(); }

    DrawFixture f;
    int changes = 0;
    std::vector<QMenu*> menus;
};

QAction* FindAction(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text)
            return a;
        if (a->menu())
            if (QAction* inner = FindAction(a->menu(), text))
                return inner;
    }
    return nullptr;
}

} // namespace

TEST_F(SelectTest, DragSelectsAndReleaseTellsOnce) {
    f.Show(test::Ramp(64));
    Press(CharPoint(2));
    Drag(RightHalf(5));
    EXPECT_EQ(f.viewer.MarkStart(), 2);
    EXPECT_EQ(f.viewer.MarkLength(), 4);
    EXPECT_EQ(changes, 0) << "dragging does not tell";
    Drag(CharPoint(2));
    EXPECT_EQ(f.viewer.MarkLength(), 0) << "back at the press point the selection is empty";
    Drag(CharPoint(20)); // line 1, offset 20
    EXPECT_EQ(f.viewer.MarkLength(), 18);
    Release(CharPoint(20));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).Mouse.Selecting);
}

TEST_F(SelectTest, DragOnTheHexCellsSelectsWholeBytes) {
    f.Show(test::Ramp(64));
    const auto& rec = f.viewer.StrPositions();
    Press(QPoint(rec.CellX[1] + 1, 2));
    Drag(QPoint(rec.CellX[3] + 2 * f.W(), 2));
    EXPECT_EQ(f.viewer.MarkStart(), 1);
    EXPECT_EQ(f.viewer.MarkLength(), 3);
}

TEST_F(SelectTest, ShiftClickSelectsFromTheAnchorEitherWay) {
    f.Show(test::Ramp(64));
    Click(CharPoint(5), Qt::ShiftModifier);
    EXPECT_EQ(f.viewer.MarkStart(), 0) << "no earlier press: from offset 0";
    EXPECT_EQ(f.viewer.MarkLength(), 6);
    Click(CharPoint(10));
    Click(CharPoint(4), Qt::ShiftModifier);
    EXPECT_EQ(f.viewer.MarkStart(), 4);
    EXPECT_EQ(f.viewer.MarkLength(), 6);
    Click(CharPoint(20), Qt::ShiftModifier);
    EXPECT_EQ(f.viewer.MarkStart(), 10);
    EXPECT_EQ(f.viewer.MarkLength(), 10);
}

TEST_F(SelectTest, DoubleClickSelectsTheWord) {
    f.Show(QByteArray("hello world, again"));
    DoubleClick(RightHalf(1)); // right of the middle of "e"
    EXPECT_EQ(f.viewer.MarkStart(), 0);
    EXPECT_EQ(f.viewer.MarkLength(), 5);
    DoubleClick(RightHalf(5)); // on the blank: the blank and the words on both sides
    EXPECT_EQ(f.viewer.MarkStart(), 0);
    EXPECT_EQ(f.viewer.MarkLength(), 11);
}

TEST_F(SelectTest, TripleClickSelectsTheLineWithinTheDoubleClickTime) {
    f.viewer.setMode(TQXBinHex::vbmodeText); // line breaks read as themselves
    f.Show(QByteArray("ab cd\r\nxyz"));
    DoubleClick(RightHalf(3));
    Click(RightHalf(3));
    EXPECT_EQ(f.viewer.MarkStart(), 0);
    EXPECT_EQ(f.viewer.MarkLength(), 5) << "up to the line break";

    const int saved = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(30);
    DoubleClick(RightHalf(3));
    QTest::qWait(80);
    Click(RightHalf(3));
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(saved);
    EXPECT_EQ(f.viewer.MarkLength(), 0) << "too late: a plain click";
}

TEST_F(SelectTest, KeysSelectAllAndCopy) {
    f.Show(QByteArray("ABC\0D", 5));
    QTest::keyClick(&f.viewer, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.MarkLength(), 5);
    EXPECT_EQ(changes, 1);
    QApplication::clipboard()->clear();
    QTest::keyClick(&f.viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("ABC D")) << "a zero byte is copied as a space";
    QApplication::clipboard()->clear();
    QTest::keyClick(&f.viewer, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("ABC D"));
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(&f.viewer, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("kept")) << "the shift state must match exactly";
}

// Registered once more on an X server with VORNEX_EXPECT_PRIMARY_SELECTION=1; where the system has
// no primary selection only the ordinary clipboard is checked.
TEST_F(SelectTest, MouseSelectionFillsThePrimarySelectionWithTheCopyText) {
    QClipboard* clipboard = QApplication::clipboard();
    const bool hasPrimary = clipboard->supportsSelection();
    if (!hasPrimary && qEnvironmentVariableIsSet("VORNEX_EXPECT_PRIMARY_SELECTION"))
        FAIL() << "this platform has no primary selection";
    const QByteArray data("one\0two three", 13);
    f.Show(data);
    clipboard->setText(QStringLiteral("kept"));
    if (hasPrimary)
        clipboard->setText(QStringLiteral("before"), QClipboard::Selection);
    Press(CharPoint(2));
    Drag(RightHalf(8));
    if (hasPrimary) {
        EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("before"))
            << "the selection is placed when the button is released";
    }
    Release(RightHalf(8));
    ASSERT_EQ(f.viewer.MarkLength(), 7);
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept")) << "the clipboard is Copy's alone";
    if (!hasPrimary)
        GTEST_SKIP() << "no primary selection on this platform";

    const QString primary = clipboard->text(QClipboard::Selection);
    EXPECT_EQ(primary, QString::fromLatin1(data.mid(2, 7).replace('\0', ' ')));
    f.viewer.CopyToClipboard(false);
    EXPECT_EQ(primary, clipboard->text()) << "the primary selection holds what Copy places";

    clipboard->setText(QStringLiteral("before"), QClipboard::Selection);
    Click(CharPoint(5));
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("before"))
        << "a click that selects nothing leaves the primary selection to its owner";
}

TEST_F(SelectTest, CopyAsTextAndAsHex) {
    f.Show(QByteArray("xABCx"));
    f.viewer.SetSelection(1, 3, false, true, true);
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopy)->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("ABC"));
    TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopyHex)->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("41 42 43"));
}

TEST_F(SelectTest, CopyFollowsTheCodePage) {
    f.Show(QByteArray("\xC0\xC1", 2));
    f.viewer.setTextEncoding(49); // KOI8-R
    f.viewer.SelectAll();
    f.viewer.CopyToClipboard(false);
    EXPECT_EQ(Clipboard(), CodepageToUnicode(QByteArray("\xC0\xC1", 2), 49));
    EXPECT_EQ(Clipboard(), QStringLiteral("юа"));
}

TEST_F(SelectTest, SelectAllOfTheLargestImageCopiesEveryByte) {
    f.Show(QByteArray(1 << 20, 'q'));
    f.viewer.SelectAll();
    f.viewer.CopyToClipboard(false);
    EXPECT_EQ(Clipboard().size(), 1 << 20);
}

TEST_F(SelectTest, SelectionTextStopsAtTheCap) {
    SyntheticDevice device((int64_t(17) << 20) + 5);
    f.viewer.OpenStream(&device, true);
    f.viewer.SelectAll();
    EXPECT_EQ(f.viewer.MarkLength(), device.size());
    const QByteArray text = f.viewer.SelText(0);
    EXPECT_EQ(text.size(), 16 << 20);
    EXPECT_EQ(static_cast<uint8_t>(text.back()), SyntheticDevice::ByteAt((16 << 20) - 1));
    EXPECT_EQ(f.viewer.SelText(10).size(), 10);
}

TEST_F(SelectTest, DisabledSelectionIgnoresTheMouse) {
    f.Show(test::Ramp(64));
    f.viewer.setTextEnableSel(false);
    Press(CharPoint(2));
    Drag(CharPoint(9));
    Release(CharPoint(9));
    EXPECT_EQ(f.viewer.MarkLength(), 0);
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    EXPECT_FALSE(
        TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectLine)->isEnabled());
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectAll)->isEnabled());
}

TEST_F(SelectTest, MenuStatesFollowSourceSelectionAndMode) {
    f.Show(QByteArray());
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    for (auto cmd :
         {TQXBinHex::vpCmdCopy, TQXBinHex::vpCmdCopyHex, TQXBinHex::vpCmdCopyLink,
          TQXBinHex::vpCmdSelectLine, TQXBinHex::vpCmdSelectAll, TQXBinHex::vpCmdEncMenu})
        EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(cmd)->isEnabled()) << cmd;

    f.Show(test::Ramp(64));
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopy)->isEnabled());
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectAll)->isEnabled());
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdEncMenu)->isEnabled());
    f.viewer.SelectAll();
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopy)->isEnabled());
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopyHex)->isEnabled());
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectAll)->isEnabled())
        << "everything is selected";

    for (auto mode : {TQXBinHex::vbmodeText, TQXBinHex::vbmodeBinary, TQXBinHex::vbmodeUnicode,
                      TQXBinHex::vbmodeUHex}) {
        f.viewer.setMode(mode);
        f.viewer.SelectAll();
        TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
        EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopy)->isEnabled())
            << mode;
        EXPECT_FALSE(
            TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopyHex)->isEnabled())
            << mode;
    }
    f.viewer.setTextPopupCommands(TQXBinHex::TQXPopupCommands(TQXBinHex::vpCmdCopy));
    TQXBinHexPrivate::get(f.viewer).UpdatePopupMenu();
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopy)->isVisible());
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdEncMenu)->isVisible());
}

TEST_F(SelectTest, KeyboardMenuHasNoPointToActOn) {
    f.viewer.setMode(TQXBinHex::vbmodeText);
    f.Show(QByteArray("line one\r\nline two"));
    QTest::keyClick(&f.viewer, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], TQXBinHexPrivate::get(f.viewer).ViewerPopupMenu);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).Mouse.PopupPoint, QPoint(-1, -1));
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdCopyLink)->isEnabled());
    TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectLine)->trigger();
    EXPECT_EQ(f.viewer.MarkLength(), 0);

    QContextMenuEvent event(QContextMenuEvent::Mouse, CharPoint(12),
                            f.viewer.viewport()->mapToGlobal(CharPoint(12)));
    QApplication::sendEvent(f.viewer.viewport(), &event);
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).Mouse.PopupPoint, CharPoint(12));
    TQXBinHexPrivate::get(f.viewer).PopupItem(TQXBinHex::vpCmdSelectLine)->trigger();
    EXPECT_EQ(f.viewer.MarkStart(), 10);
    EXPECT_EQ(f.viewer.MarkLength(), 8);
}

TEST_F(SelectTest, CodepageMenuStructure) {
    f.Show(test::Ramp(64));
    QMenu* menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    const QList<QAction*> top = menu->actions();
    ASSERT_GT(top.size(), 5);
    EXPECT_EQ(top[0]->text(), QString::fromLatin1(CodepageList[0].Name));
    EXPECT_TRUE(top[0]->isChecked());
    EXPECT_EQ(top[2]->text(), QString::fromLatin1(CodepageList[2].Name));
    EXPECT_TRUE(top[3]->isSeparator());
    EXPECT_EQ(top[4]->text(), QStringLiteral("Central European"));
    EXPECT_TRUE(top[top.size() - 2]->isSeparator());
    EXPECT_EQ(top.back()->text(), QStringLiteral("Unicode"));
    EXPECT_EQ(top.back()->menu()->actions().size(), 2);

    // Submenus follow the list's groups in order, each once.
    QStringList groups;
    for (QAction* a : top)
        if (a->menu())
            groups << a->text();
    QStringList expected;
    for (const auto& row : CodepageList)
        if (*row.Group && !expected.contains(QString::fromLatin1(row.Group)))
            expected << QString::fromLatin1(row.Group);
    EXPECT_EQ(groups, expected);

    QAction* jis = FindAction(menu, QStringLiteral("JIS X 0208-1990 && 0121-1990"));
    ASSERT_NE(jis, nullptr);
    EXPECT_EQ(jis->iconText(), QStringLiteral("JIS X 0208-1990 & 0121-1990"))
        << "shown with one ampersand";
    for (int i = 3; i < CodepageCount; ++i) {
        QAction* submenu = FindAction(menu, QString::fromLatin1(CodepageList[i].Group));
        ASSERT_NE(submenu, nullptr) << i;
        QAction* a = FindAction(submenu->menu(), QString::fromLatin1(CodepageList[i].Name));
        ASSERT_NE(a, nullptr) << i;
        EXPECT_EQ(a->isEnabled(), IsCodepageSupported(i)) << i << " " << CodepageList[i].Name;
    }
}

TEST_F(SelectTest, ChoosingACodepageChangesTheColumn) {
    f.Show(QByteArray("\xC1\xC2", 2));
    int options = 0;
    f.viewer.OnOptionsChange = [&](QObject*) { ++options; };
    QMenu* menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    FindAction(menu, QStringLiteral("KOI8-R"))->trigger();
    EXPECT_EQ(f.viewer.TextEncoding(), 49);
    EXPECT_EQ(options, 1);
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].Str, QStringLiteral("аб"));
    menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    EXPECT_TRUE(FindAction(menu, QStringLiteral("KOI8-R"))->isChecked());
    EXPECT_FALSE(menu->actions()[0]->isChecked());
}

TEST_F(SelectTest, ByteOrderMenuInUnicodeMode) {
    f.viewer.setMode(TQXBinHex::vbmodeUnicode);
    f.Show(QByteArray("\x41\x00\x42\x00", 4));
    int options = 0;
    f.viewer.OnOptionsChange = [&](QObject*) { ++options; };
    QMenu* menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromLatin1(CodepageName(-2)));
    EXPECT_TRUE(menu->actions()[1]->isChecked()) << "little-endian source";
    menu->actions()[0]->trigger();
    EXPECT_EQ(f.viewer.FileUnicodeFmt(), TQXBinHex::vfUnicodeBE);
    EXPECT_EQ(options, 1);
    EXPECT_EQ(f.viewer.GetChar(0), char16_t(0x4100));
}

TEST_F(SelectTest, SelectionSurvivesAModeChangeOnAFileOnly) {
    test::ScratchDir dir;
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", test::Ramp(200)), true));
    f.viewer.SetSelection(10, 20, false, true, true);
    f.viewer.setMode(TQXBinHex::vbmodeUHex);
    EXPECT_EQ(f.viewer.MarkStart(), 10);
    EXPECT_EQ(f.viewer.MarkLength(), 20);
    f.Show(test::Ramp(200));
    f.viewer.SetSelection(10, 20, false, true, true);
    f.viewer.setMode(TQXBinHex::vbmodeHex);
    EXPECT_EQ(f.viewer.MarkLength(), 0);
}

TEST_F(SelectTest, SetSelectionRulesAndScrolling) {
    f.Show(QByteArray(1 << 16, 'x'));
    f.viewer.SetSelection(-1, 5, false, true, true);
    f.viewer.SetSelection(1 << 16, 5, false, true, true);
    f.viewer.SetSelection(5, -1, false, true, true);
    EXPECT_EQ(changes, 0);
    f.viewer.SetSelection((1 << 16) - 3, 100, false, true, true);
    EXPECT_EQ(f.viewer.MarkLength(), 3) << "lowered to the end of the data";
    f.viewer.SetSelection(40000, 4, /*scroll=*/true, true, true);
    EXPECT_EQ(f.viewer.ViewPos(), 40000 / 16 * 16 - 5 * 16)
        << "five lines above, by the default indent";
    EXPECT_EQ(changes, 2);
}

// A source shorter than one character has nothing to select, whatever the length asked for.
TEST_F(SelectTest, SourceWithoutAWholeCharacterSelectsNothing) {
    struct Case {
        TQXBinHex::TQXBinHexMode mode;
        int size;
    };
    for (const Case& c : {Case{TQXBinHex::vbmodeHex, 0}, Case{TQXBinHex::vbmodeText, 0},
                          Case{TQXBinHex::vbmodeUHex, 1}, Case{TQXBinHex::vbmodeUnicode, 1}}) {
        f.viewer.setMode(c.mode);
        f.Show(QByteArray(c.size, 'x'));
        f.viewer.SetSelection(0, 4, false, true, true);
        EXPECT_EQ(f.viewer.MarkLength(), 0) << c.mode << " " << c.size;
        EXPECT_TRUE(f.viewer.SelText(0).isEmpty());
    }
    EXPECT_EQ(changes, 0);
}

TEST_F(SelectTest, DrawLineGetsTheWholeTextLineOfAWrappedPiece) {
    f.viewer.setMode(TQXBinHex::vbmodeText);
    f.viewer.setTextWrap(true);
    f.SetPageSize(f.Left() + 12 * 8, 200);
    QStringList all;
    f.viewer.OnDrawLine = [&](QObject*, QPainter*, const QString&, const QString& strAll,
                              const QRect&, const QPoint&, bool&) { all << strAll; };
    f.Show(QByteArray("alpha beta gamma delta\r\nnext"));
    ASSERT_GE(all.size(), 3);
    EXPECT_EQ(all.front(), QStringLiteral("alpha beta gamma delta"));
    EXPECT_EQ(all.at(1), QStringLiteral("alpha beta gamma delta"))
        << "a wrapped piece reports its whole line";
    EXPECT_EQ(all.back(), QStringLiteral("next"));
    EXPECT_EQ(f.viewer.TextAround(3), QStringLiteral("alpha beta gamma delta"));
}

TEST_F(SelectTest, ReopeningTheCodepageMenuKeepsOneGroup) {
    f.Show(test::Ramp(64));
    QMenu* menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    for (int i = 0; i < 5; ++i)
        menu = TQXBinHexPrivate::get(f.viewer).PrepareEncodingMenu();
    EXPECT_EQ(menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}
