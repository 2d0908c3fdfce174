// CompareWindowTest.cpp — File ▸ Сравнить с... in the main window: the marks in both viewers, the
// status line, the viewers moving together and stepping between differences, and what ends it.
#include "QXBinHex.h"
#include "support/MainWindowFixture.h"
#include "support/RandomBytes.h"

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <set>

namespace {

constexpr int ImageBytes = 64 * 1024;
constexpr int OnlyInSecondBytes = 20;

struct ChangedRun {
    int start;
    int length;
};
// The runs of bytes the second image changes, far enough apart to lie on different pages.
const std::vector<ChangedRun> ChangedRuns = {{0x0100, 1}, {0x1F40, 3}, {0x8000, 16}, {0xC001, 1}};

class CompareWindowTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const std::vector<uint8_t> bytes = RandomBytes(ImageBytes + OnlyInSecondBytes, 7);
        first = QByteArray(reinterpret_cast<const char*>(bytes.data()), ImageBytes);
        second = QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        for (const ChangedRun& run : ChangedRuns)
            for (int i = run.start; i < run.start + run.length; ++i) {
                second[i] = static_cast<char>(second[i] ^ 0x5A);
                changed.insert(i);
            }
        firstPath = dir.write("first.bin", first);
        secondPath = dir.write("second.bin", second);
    }

    void OpenAndCompare() {
        OpenFile(firstPath);
        CompareWith(secondPath);
        ASSERT_TRUE(form->Comparing());
    }
    void ShowForm() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // Delivers the paints that moved pages end in.
    static void Settle() { QApplication::processEvents(); }

    QByteArray first, second;
    QString firstPath, secondPath;
    std::set<int> changed;
};

bool OnPage(const TQXBinHex* viewer, TOffset pos) {
    return viewer->ViewPos() <= pos && pos < viewer->ViewPos() + viewer->ViewPageSize();
}

} // namespace

TEST_F(CompareWindowTest, MenuItemFollowsOpenWithoutAShortcut) {
    const auto& ui = *form->ui;
    EXPECT_EQ(ui.File1->actions(), (QList<QAction*>{ui.Open1, ui.Compare1, ui.N1}));
    EXPECT_EQ(ui.Compare1->text(), QStringLiteral("Сравнить с..."));
    EXPECT_TRUE(ui.Compare1->shortcut().isEmpty());
}

TEST_F(CompareWindowTest, DialogsOfferAllFilesFirst) {
    for (const TFileDialog* dialog :
         {&form->OpenDialog1, &form->CompareDialog1, &form->SaveDialog1}) {
        ASSERT_EQ(dialog->Filters.size(), 4);
        EXPECT_EQ(dialog->Filters.front(), QStringLiteral("Все файлы (*)"));
    }
}

TEST_F(CompareWindowTest, SecondImageIsShownAndEveryDifferenceMarkedInBothViewers) {
    OpenAndCompare();
    EXPECT_EQ(StreamBytes(form->ui->QXBinHex2), second);
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), firstPath) << "the source viewer keeps the file";

    tool::ComparisonTotals expected;
    expected.changed = static_cast<int64_t>(changed.size());
    expected.onlyInB = OnlyInSecondBytes;
    expected.first = tool::FirstDifference{*changed.begin(), tool::Difference::Changed, 0, 0};
    EXPECT_EQ(form->StatusPanel0->text(), ComparisonStatusText(expected));

    const TQXBinHex& upper = *form->ui->QXBinHex1;
    const TQXBinHex& lower = *form->ui->QXBinHex2;
    const QColor changedColor = upper.MarkAt(*changed.begin()).BackColor;
    const QColor onlyColor = lower.MarkAt(ImageBytes).BackColor;
    ASSERT_TRUE(changedColor.isValid());
    ASSERT_TRUE(onlyColor.isValid());
    EXPECT_NE(changedColor, onlyColor);
    for (int pos = 0; pos < second.size(); ++pos) {
        const bool isChanged = changed.count(pos) != 0;
        const QColor lowerColor = isChanged           ? changedColor
                                  : pos >= ImageBytes ? onlyColor
                                                      : QColor();
        ASSERT_EQ(lower.MarkAt(pos).BackColor, lowerColor) << "lower viewer at " << pos;
        if (pos < ImageBytes) {
            ASSERT_EQ(upper.MarkAt(pos).BackColor, isChanged ? changedColor : QColor())
                << "upper viewer at " << pos;
        }
    }
    // One mark per run, not one per byte.
    EXPECT_EQ(upper.Marks(0, ImageBytes).size(), static_cast<qsizetype>(ChangedRuns.size()));
    EXPECT_EQ(lower.Marks(0, second.size()).size(), static_cast<qsizetype>(ChangedRuns.size() + 1));
}

TEST_F(CompareWindowTest, EqualFilesAreReported) {
    OpenFile(firstPath);
    CompareWith(dir.write("copy.bin", first));
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Файлы совпадают"));
    EXPECT_EQ(form->ui->QXBinHex1->MarkCount(), 0);
    EXPECT_EQ(form->ui->QXBinHex2->MarkCount(), 0);
}

TEST_F(CompareWindowTest, F8AndShiftF8MoveBothViewersBetweenDifferences) {
    ShowForm();
    OpenAndCompare();
    std::vector<int> starts;
    for (const ChangedRun& run : ChangedRuns)
        starts.push_back(run.start);
    starts.push_back(ImageBytes);

    const struct {
        Qt::KeyboardModifiers modifiers;
        int difference; // index into starts
    } steps[] = {
        {Qt::NoModifier, 0},    {Qt::NoModifier, 1}, {Qt::NoModifier, 2},
        {Qt::ShiftModifier, 1}, {Qt::NoModifier, 2}, {Qt::NoModifier, 3},
        {Qt::NoModifier, 4},    {Qt::NoModifier, 4}, {Qt::ShiftModifier, 3},
    };
    for (const auto& step : steps) {
        const int pos = starts[step.difference];
        SCOPED_TRACE(testing::Message() << "to difference " << step.difference << " at " << pos);
        QTest::keyClick(form->ui->QXBinHex1, Qt::Key_F8, step.modifiers);
        Settle();
        EXPECT_TRUE(OnPage(form->ui->QXBinHex2, pos));
        if (pos < ImageBytes) {
            EXPECT_TRUE(OnPage(form->ui->QXBinHex1, pos));
        }
        for (int other : starts) {
            if (other != pos) {
                EXPECT_FALSE(OnPage(form->ui->QXBinHex2, other)) << other;
            }
        }
    }
}

TEST_F(CompareWindowTest, ViewersScrollTogetherEitherWay) {
    ShowForm();
    OpenAndCompare();
    TQXBinHex* upper = form->ui->QXBinHex1;
    TQXBinHex* lower = form->ui->QXBinHex2;
    const struct {
        TQXBinHex* moved;
        TQXBinHex* follower;
        Qt::Key key;
    } cases[] = {
        {upper, lower, Qt::Key_PageDown},
        {lower, upper, Qt::Key_Down},
        {upper, lower, Qt::Key_Down},
        {lower, upper, Qt::Key_PageUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moved->objectName().toStdString());
        const TOffset before = c.moved->ViewPos();
        QTest::keyClick(c.moved, c.key);
        Settle();
        ASSERT_NE(c.moved->ViewPos(), before) << "the key moves the page";
        EXPECT_EQ(c.follower->ViewPos(), c.moved->ViewPos());
    }
}

TEST_F(CompareWindowTest, OperationsEndTheComparison) {
    for (QPushButton* button : {form->ui->Button1, form->ui->Button2}) {
        SCOPED_TRACE(button->objectName().toStdString());
        ShowForm();
        OpenAndCompare();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(form->Comparing());
        EXPECT_EQ(form->ui->QXBinHex1->MarkCount(), 0);
        EXPECT_EQ(form->ui->QXBinHex2->MarkCount(), 0);
        EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + firstPath);

        // The result viewer shows the operation's image and no longer follows.
        const TOffset lowerTop = form->ui->QXBinHex2->ViewPos();
        QTest::keyClick(form->ui->QXBinHex1, Qt::Key_PageDown);
        Settle();
        EXPECT_EQ(form->ui->QXBinHex2->ViewPos(), lowerTop);
        QTest::keyClick(form->ui->QXBinHex1, Qt::Key_F8);
        EXPECT_EQ(form->ui->QXBinHex2->ViewPos(), lowerTop);
    }
}

TEST_F(CompareWindowTest, SaveWritesTheImageShownWhileComparing) {
    OpenAndCompare();
    SaveAs(dir.path("saved.bin"));
    EXPECT_EQ(test::ReadAll(dir.path("saved.bin")), second);
}
