// MainWindowTest.cpp — the main window driven through its menu items and buttons, with the dialogs
// and message boxes answered by the test.
#include "MessageBox.h"
#include "MessageBox_p.h"
#include "QXBinHex.h"
#include "TestSupport.h"
#include "VornexApplication.h"
#include "main.h"
#include "support/MainWindowFixture.h"
#include "ui_main.h"

#include <QBuffer>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTranslator>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>

namespace {

class MainWindowTest : public test::MainWindowFixture {
protected:
    QByteArray ResultBytes() const { return StreamBytes(form->ui->QXBinHex2); }
};

} // namespace

TEST_F(MainWindowTest, StartsEmptyWithTheStoredLayout) {
    auto& ui = *form->ui;
    EXPECT_EQ(form->windowTitle(), QStringLiteral("VORNEX v1.00 beta"));
    EXPECT_EQ(form->width(), 854);
    EXPECT_EQ(form->height() - ui.MainMenu1->sizeHint().height(), 682);
    EXPECT_EQ(ui.QXBinHex1->geometry(), QRect(16, 24, 641, 297));
    EXPECT_EQ(ui.QXBinHex2->geometry(), QRect(16, 352, 641, 297));
    EXPECT_EQ(ui.Button1->geometry(), QRect(680, 360, 153, 25));
    EXPECT_EQ(ui.Button2->parentWidget(), ui.GroupBox4);
    EXPECT_EQ(ui.QXBinHex1->Mode(), TQXBinHex::vbmodeHex);
    EXPECT_EQ(ui.QXBinHex2->Mode(), TQXBinHex::vbmodeHex);
    EXPECT_TRUE(ui.QXBinHex1->TextNonPrintable());
    EXPECT_FALSE(ui.QXBinHex2->TextNonPrintable());
    EXPECT_FALSE(ui.Button1->isEnabled());
    EXPECT_FALSE(ui.Button2->isEnabled());
    EXPECT_EQ(ui.ComboBox1->currentText(), QStringLiteral("1 байт"));
    EXPECT_TRUE(ui.RadioButton1->isChecked());
    EXPECT_TRUE(form->StatusPanel0->text().isEmpty());
    EXPECT_FALSE(ui.QXBinHex1->SourceAssigned());
    EXPECT_FALSE(ui.QXBinHex2->SourceAssigned());
}

TEST_F(MainWindowTest, StatusPanelsFitTheWindow) {
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->width(), 854);
    EXPECT_EQ(form->StatusPanel0->width(), 800);
    EXPECT_LE(form->StatusPanel1->geometry().right(), form->ui->StatusBar1->width());
    EXPECT_FALSE(form->ui->StatusBar1->isSizeGripEnabled());
}

TEST_F(MainWindowTest, GroupBoxFramesEncloseTheirControlsAndCarryTheTitleInTheTopLine) {
    auto& ui = *form->ui;
    form->show();
    // The controls the stored layout places in each box, and those lying over it on the window.
    const struct {
        QGroupBox* box;
        std::vector<QWidget*> inside;
    } cases[] = {
        {ui.GroupBox1, {ui.QXBinHex1}},
        {ui.GroupBox2, {ui.QXBinHex2}},
        {ui.GroupBox3, {ui.Label1, ui.ComboBox1, ui.RadioButton1, ui.RadioButton2}},
        {ui.GroupBox4, {ui.Button1, ui.Button2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString());
        QStyleOptionGroupBox option;
        option.initFrom(c.box);
        option.text = c.box->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QStyle* style = c.box->style();
        const QRect frame =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, c.box);
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, c.box);
        EXPECT_NEAR(frame.top(), title.center().y(), 1) << "the top line through the title";
        EXPECT_TRUE(c.box->rect().contains(title));

        // Inside the two lines of the etched frame, clear of the title.
        const QRect inner = frame.adjusted(2, 2, -2, -2);
        const QPoint boxOrigin = c.box->mapTo(form.get(), QPoint());
        for (QWidget* w : c.inside) {
            const QRect place(w->mapTo(form.get(), QPoint()) - boxOrigin, w->size());
            EXPECT_TRUE(inner.contains(place)) << w->objectName().toStdString();
            EXPECT_FALSE(place.intersects(title)) << w->objectName().toStdString();
        }

        // The line is drawn where the style reports it: right of the title, and not above it.
        const QImage image = c.box->grab().toImage();
        const int x = (title.right() + frame.right()) / 2;
        const QString line = option.palette.color(QPalette::Dark).name();
        EXPECT_EQ(image.pixelColor(x, frame.top()).name(), line);
        EXPECT_NE(image.pixelColor(x, frame.top() - 1).name(), line);
    }
}

TEST_F(MainWindowTest, OpenShowsFileAndEnablesButtons) {
    const QString path = dir.write("rom.bin", test::Ramp(40));
    OpenFile(path);
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + path);
    EXPECT_TRUE(form->ui->Button1->isEnabled());
    EXPECT_TRUE(form->ui->Button2->isEnabled());
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), path);
    EXPECT_EQ(form->ui->QXBinHex1->FileSize(), 40);
    EXPECT_EQ(ImageSize, 40);
    EXPECT_FALSE(form->ui->QXBinHex2->SourceAssigned()) << "the result viewer waits for a button";
}

TEST_F(MainWindowTest, LongPathIsElidedInTheMiddleKeepingTheFileName) {
    QString folder = QStringLiteral("firmware");
    while (dir.path(folder).size() < 300)
        folder += QStringLiteral("/release-candidate-build-outputs");
    ASSERT_TRUE(QDir().mkpath(dir.path(folder)));
    const QString path = dir.write(folder + QStringLiteral("/rom.bin"), test::Ramp(16));
    ASSERT_GE(path.size(), 300);

    OpenFile(path);
    const QLabel& panel = *form->StatusPanel0;
    const QString text = panel.text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Текущий файл: /"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("/rom.bin"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QChar(0x2026))) << text.toStdString();
    EXPECT_LE(panel.fontMetrics().horizontalAdvance(text), panel.contentsRect().width());
    EXPECT_EQ(panel.toolTip(), path);
}

TEST_F(MainWindowTest, HostileNamesOpenAndSaveOrFailClearly) {
    // A folder chain in folders of at most 200 characters that brings the path to length.
    auto deepPath = [this](int length) {
        const int folderLength = length - static_cast<int>(dir.path({}).size()) - 1 - 8;
        QString folder;
        while (folder.size() + 200 < folderLength)
            folder += QString(199, QLatin1Char('f')) + QLatin1Char('/');
        folder += QString(folderLength - folder.size(), QLatin1Char('g'));
        EXPECT_TRUE(QDir().mkpath(dir.path(folder)));
        return dir.path(folder) + QStringLiteral("/rom.bin");
    };
    const struct {
        const char* name;
        QString path;
        QString error; // empty: opens and saves
    } cases[] = {
        {"blanks", dir.path(QStringLiteral("rom image v2.bin")), {}},
        {"Cyrillic letters", dir.path(QStringLiteral("прошивка ПЗУ.bin")), {}},
        {"newline", dir.path(QStringLiteral("first\nsecond.bin")), {}},
        {"4,000 characters", deepPath(4000), {}},
        {"5,000 characters", deepPath(4000) + QString(1000, QLatin1Char('n')),
         QStringLiteral("Invalid filename.")},
    };
    ASSERT_EQ(cases[3].path.size(), 4000);
    int n = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ++n;
        test::MessageBoxRecorder boxes(platform::IDOK);
        if (c.error.isEmpty()) {
            dir.write(QDir(dir.path({})).relativeFilePath(c.path), test::Ramp(n));
        }
        OpenFile(c.path);
        answers.push_back(c.path + QStringLiteral(".out"));
        form->ui->N1->trigger();
        if (c.error.isEmpty()) {
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(ImageSize, n);
            EXPECT_EQ(form->ui->QXBinHex1->FileSize(), n);
            EXPECT_EQ(form->StatusPanel0->toolTip(), c.path);
            EXPECT_EQ(test::ReadAll(c.path + QStringLiteral(".out")), test::Ramp(n));
        } else {
            ASSERT_EQ(boxes.boxes.size(), 2u);
            EXPECT_EQ(boxes.boxes[0].text, c.error);
            EXPECT_EQ(boxes.boxes[1].text, c.error);
        }
    }
}

TEST_F(MainWindowTest, CancelledDialogsChangeNothing) {
    answers.push_back(std::nullopt);
    form->ui->Open1->trigger();
    answers.push_back(std::nullopt);
    form->ui->N1->trigger();
    EXPECT_EQ(kinds,
              (std::vector<TFileDialog::TKind>{TFileDialog::OpenKind, TFileDialog::SaveKind}));
    EXPECT_TRUE(SourceFileName.empty());
    EXPECT_FALSE(form->ui->Button1->isEnabled());
}

TEST_F(MainWindowTest, MissingFileShowsErrorWithPeriodAndKeepsState) {
    const QString good = dir.write("good.bin", test::Ramp(4));
    OpenFile(good);
    test::MessageBoxRecorder boxes(platform::IDOK);
    OpenFile(dir.path("missing.bin"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(boxes.boxes[0].caption, ApplicationTitle());
    EXPECT_EQ(boxes.boxes[0].flags & 0xF0, platform::MB_ICONERROR);
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + good);
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), good);
    EXPECT_EQ(ImageSize, 4);
}

TEST_F(MainWindowTest, TooLargeFileIsRefused) {
    test::MessageBoxRecorder boxes(platform::IDOK);
    OpenFile(dir.write("huge.bin", QByteArray(ImageCapacity + 1, 0)));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("File too large."));
    EXPECT_FALSE(form->ui->Button1->isEnabled());
    EXPECT_FALSE(form->ui->QXBinHex1->SourceAssigned());
}

TEST_F(MainWindowTest, ButtonsShowTheTransformedImage) {
    OpenFile(dir.write("rom.bin", test::Ramp(6)));
    form->ui->ComboBox1->setCurrentIndex(1);
    QTest::mouseClick(form->ui->RadioButton2, Qt::LeftButton);
    ASSERT_TRUE(form->ui->RadioButton2->isChecked());
    QTest::mouseClick(form->ui->Button1, Qt::LeftButton);
    EXPECT_EQ(ResultBytes(), QByteArray("\x05\x04\x03\x02\x01\x00", 6));

    QTest::mouseClick(form->ui->RadioButton1, Qt::LeftButton);
    QTest::mouseClick(form->ui->Button1, Qt::LeftButton);
    EXPECT_EQ(ResultBytes(), QByteArray("\x04\x05\x02\x03\x00\x01", 6));

    QTest::mouseClick(form->ui->Button2, Qt::LeftButton);
    EXPECT_EQ(ResultBytes(), QByteArray("\xFB\xFA\xFD\xFC\xFF\xFE", 6));
    EXPECT_EQ(form->ui->QXBinHex2->FileSize(), 6);
}

TEST_F(MainWindowTest, FreeTextDataSizeGivesTheFileUnchanged) {
    OpenFile(dir.write("rom.bin", test::Ramp(6)));
    form->ui->ComboBox1->setEditText(QStringLiteral("3 байта"));
    EXPECT_EQ(form->DataSizeIndex(), -1);
    QTest::mouseClick(form->ui->Button1, Qt::LeftButton);
    EXPECT_EQ(ResultBytes(), test::Ramp(6));
}

TEST_F(MainWindowTest, SaveWritesTheImage) {
    OpenFile(dir.write("rom.bin", test::Ramp(10)));
    QTest::mouseClick(form->ui->Button2, Qt::LeftButton);
    answers.push_back(dir.path("out.bin"));
    form->ui->N1->trigger();
    QByteArray expected = test::Ramp(10);
    for (auto& c : expected)
        c = static_cast<char>(~c);
    EXPECT_EQ(test::ReadAll(dir.path("out.bin")), expected);
}

TEST_F(MainWindowTest, SaveBeforeOpenWritesEmptyFile) {
    answers.push_back(dir.path("empty.bin"));
    form->ui->N1->trigger();
    EXPECT_TRUE(QFileInfo::exists(dir.path("empty.bin")));
    EXPECT_EQ(QFileInfo(dir.path("empty.bin")).size(), 0);
}

TEST_F(MainWindowTest, SecondOpenKeepsThePreviousResult) {
    OpenFile(dir.write("a.bin", test::Ramp(4)));
    QTest::mouseClick(form->ui->Button2, Qt::LeftButton);
    const QByteArray result = ResultBytes();
    OpenFile(dir.write("b.bin", test::Ramp(9)));
    EXPECT_EQ(form->ui->QXBinHex1->FileSize(), 9);
    EXPECT_EQ(ResultBytes(), result);
}

TEST_F(MainWindowTest, ReopeningTheShownFileShowsItAsItIsNow) {
    const QString path = dir.write("rom.bin", test::Ramp(4));
    OpenFile(path);
    dir.write("rom.bin", test::Ramp(12));
    OpenFile(path);
    EXPECT_EQ(ImageSize, 12);
    EXPECT_EQ(form->ui->QXBinHex1->FileSize(), 12);
}

TEST_F(MainWindowTest, AboutShowsTheVersion) {
    test::MessageBoxRecorder boxes(platform::IDOK);
    form->ui->About1->trigger();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("VORNEX v1.00 beta.")));
    EXPECT_EQ(boxes.boxes[0].flags & 0xF, platform::MB_OK);
}

TEST(ApplicationTitle, FromExecutableName) {
    EXPECT_EQ(TitleFromExecutable(QStringLiteral("/usr/local/bin/vornex")),
              QStringLiteral("Vornex"));
    EXPECT_EQ(TitleFromExecutable(QStringLiteral("C:/Tools/VORNEX.EXE")), QStringLiteral("Vornex"));
    EXPECT_EQ(TitleFromExecutable(QStringLiteral("vornex.tool.exe")),
              QStringLiteral("Vornex.tool"));
}

TEST(ApplicationTitle, PeriodOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ExceptionMessageText(QStringLiteral("File not found")),
              QStringLiteral("File not found."));
    EXPECT_EQ(ExceptionMessageText(QStringLiteral("I/O error 13")),
              QStringLiteral("I/O error 13."));
    EXPECT_EQ(ExceptionMessageText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(ExceptionMessageText(QStringLiteral("What?!")), QStringLiteral("What?!"));
    EXPECT_EQ(ExceptionMessageText(QStringLiteral("a-")), QStringLiteral("a-"));
    EXPECT_EQ(ExceptionMessageText(QString()), QString());
}

TEST(ToolkitTranslation, MessageBoxButtonsAreRussianUnderTheCLocale) {
    struct CLocale {
        QLocale previous;
        CLocale() { QLocale::setDefault(QLocale::c()); }
        ~CLocale() { QLocale::setDefault(previous); }
    } cLocale;
    // Removed from the application again when it is destroyed.
    QTranslator translator;
    ASSERT_TRUE(LoadToolkitTranslation(translator))
        << "qtbase_ru in " << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QCoreApplication::installTranslator(&translator);

    const auto box = platform::detail::CreateMessageBox(
        QStringLiteral("text"), QStringLiteral("caption"), platform::MB_YESNOCANCEL, nullptr);
    const QRegularExpression russian(QStringLiteral("^[&А-Яа-яЁё]+$"));
    for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        ASSERT_NE(box->button(b), nullptr);
        EXPECT_TRUE(russian.match(box->button(b)->text()).hasMatch())
            << box->button(b)->text().toStdString();
    }
    const auto okBox = platform::detail::CreateMessageBox(
        QStringLiteral("text"), QStringLiteral("caption"), platform::MB_OK, nullptr);
    // The Russian translation keeps "OK" in Latin letters; the button shows what it gives.
    EXPECT_EQ(okBox->button(QMessageBox::Ok)->text(),
              QCoreApplication::translate("QPlatformTheme", "OK"));
}
